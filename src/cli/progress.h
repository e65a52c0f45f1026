#pragma once

#include <QElapsedTimer>
#include <cstdio>

namespace lexiquill::cli {

// The progress line on standard error: phrases done, of how many when that is known,
// the rate and the time left, redrawn in place. It appears only on a terminal, and only
// once the work has taken a second, so that short runs and pipes see nothing.
class Progress {
public:
    // total: the number of phrases, or -1 when unknown. enabled: false for --quiet.
    Progress(qint64 total, bool enabled);
    ~Progress();  // clears the line

    // One more phrase done. Cheap: the clock is read every few calls only.
    void step()
    {
        ++m_done;
        if (m_enabled && ++m_sinceLook >= m_lookEvery) look();
    }
    void clear();

private:
    void look();

    QElapsedTimer m_timer;
    qint64 m_total;
    qint64 m_done = 0;
    qint64 m_lastDrawNs = 0;
    int m_sinceLook = 0;
    int m_lookEvery = 1;
    bool m_enabled;
    bool m_shown = false;
};

// Whether a progress line would show: standard error is a terminal that the results
// do not go to.
bool progressCanShow();

}  // namespace lexiquill::cli
