#include "cli/progress.h"

#include <unistd.h>

#include <QByteArray>
#include <QLocale>
#include <algorithm>

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

Progress::Progress(qint64 total, bool enabled)
    : m_total(total), m_enabled(enabled && progressCanShow())
{
    m_timer.start();
}

Progress::~Progress() { clear(); }

void Progress::clear()
{
    if (!m_shown) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_shown = false;
}

void Progress::look()
{
    m_sinceLook = 0;
    const qint64 now = m_timer.nsecsElapsed();
    // Look about every millisecond whatever the pace: fast phrases are counted in
    // bulk, slow ones each time.
    const qint64 perPhrase = now / m_done;
    m_lookEvery =
        static_cast<int>(std::clamp<qint64>(1'000'000 / std::max<qint64>(perPhrase, 1), 1, 4096));
    if (now < kFirstShowNs || now - m_lastDrawNs < kRedrawNs) return;
    m_lastDrawNs = now;

    const double rate = static_cast<double>(m_done) * 1e9 / static_cast<double>(now);
    QByteArray line = "\rlexiquill: " + count(m_done);
    if (m_total >= m_done) line += " of " + count(m_total);
    line += " phrases, " + count(static_cast<qint64>(rate)) + "/s";
    if (m_total >= m_done && rate > 0) {
        line += ", " + duration(static_cast<qint64>(static_cast<double>(m_total - m_done) / rate)) +
                " left";
    }
    line += "\033[K";
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    m_shown = true;
}

}  // namespace lexiquill::cli
