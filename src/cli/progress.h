#pragma once

#include <QElapsedTimer>

namespace lexiquill::cli {

// The progress line on standard error: phrases done, the share of the input read when
// its size is known, the rate and the time left, redrawn in place. As pv does, the
// share and the time left come from the bytes read against the files' sizes, so no
// file is read twice. It appears only on a terminal, and only once the work has taken
// a second, so that short runs and pipes see nothing.
class Progress {
public:
    // totalBytes: the size of the input, or -1 when unknown. enabled: false for --quiet.
    Progress(qint64 totalBytes, bool enabled);
    ~Progress();  // clears the line

    // One more phrase done, bytesRead bytes of the input behind it. Cheap: the clock
    // is read every few calls only.
    void step(qint64 bytesRead)
    {
        ++m_done;
        m_bytesRead = bytesRead;
        if (m_enabled && ++m_sinceCheck >= m_checkEvery) redrawWhenDue();
    }

private:
    void redrawWhenDue();

    QElapsedTimer m_timer;
    qint64 m_totalBytes;
    qint64 m_bytesRead = 0;
    qint64 m_done = 0;
    qint64 m_lastDrawNs = 0;
    int m_sinceCheck = 0;
    int m_checkEvery = 1;
    bool m_enabled;
};

// Whether a progress line would show: standard error is a terminal that the results
// do not go to.
bool progressCanShow();

}  // namespace lexiquill::cli
