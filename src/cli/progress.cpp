#include "cli/progress.h"

#include <unistd.h>

#include <QByteArray>
#include <QLocale>
#include <algorithm>

#include "cli/messages.h"

namespace lexiquill::cli {

namespace {

constexpr qint64 kFirstShowNs = 1'000'000'000;
constexpr qint64 kRedrawNs = 200'000'000;

QByteArray count(qint64 n)
{
    // "12,345": the C locale, with its thousands separator.
    static const QLocale locale = [] {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::DefaultNumberOptions);
        return c;
    }();
    return locale.toString(n).toUtf8();
}

QByteArray duration(qint64 seconds)
{
    if (seconds < 60) return QByteArray::number(seconds) + " s";
    if (seconds < 3600) {
        return QByteArray::number(seconds / 60) + " min " + QByteArray::number(seconds % 60) + " s";
    }
    return QByteArray::number(seconds / 3600) + " h " + QByteArray::number(seconds / 60 % 60) +
           " min";
}

}  // namespace

bool progressCanShow()
{
    // Rows written to the same terminal would run into the line: there they are the
    // progress.
    return ::isatty(STDERR_FILENO) == 1 && ::isatty(STDOUT_FILENO) == 0;
}

Progress::Progress(qint64 totalBytes, bool enabled)
    : m_totalBytes(totalBytes), m_enabled(enabled && progressCanShow())
{
    m_timer.start();
}

Progress::~Progress() { clearProgressLine(); }

void Progress::redrawWhenDue()
{
    m_sinceCheck = 0;
    const qint64 now = m_timer.nsecsElapsed();
    // Look about every millisecond whatever the pace: fast phrases are counted in
    // bulk, slow ones each time.
    const qint64 perPhrase = now / m_done;
    m_checkEvery =
        static_cast<int>(std::clamp<qint64>(1'000'000 / std::max<qint64>(perPhrase, 1), 1, 4096));
    if (now < kFirstShowNs || now - m_lastDrawNs < kRedrawNs) return;
    m_lastDrawNs = now;

    const double seconds = static_cast<double>(now) / 1e9;
    QByteArray line = "lexiquill: " + count(m_done) + " phrases";
    // A last line without its line end, or a file that grows while it is read, may
    // give more than the size; a step has taken at least one byte.
    const qint64 read = std::min(m_bytesRead, m_totalBytes);
    if (m_totalBytes > 0) line += ", " + QByteArray::number(read * 100 / m_totalBytes) + " %";
    line += ", " + count(static_cast<qint64>(static_cast<double>(m_done) / seconds)) + "/s";
    if (m_totalBytes > 0) {
        const double left =
            seconds * static_cast<double>(m_totalBytes - read) / static_cast<double>(read);
        line += ", " + duration(static_cast<qint64>(left)) + " left";
    }
    drawProgressLine(line);
}

}  // namespace lexiquill::cli
