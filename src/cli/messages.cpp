#include "cli/messages.h"

#include <QString>
#include <cstdio>

namespace lexiquill::cli {

namespace {

// Standard error is one for the whole process, and so is whether a line shows on it.
bool progressShown = false;

bool isControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

}  // namespace

void printError(QStringView message)
{
    clearProgressLine();
    QString shown = QStringLiteral("lexiquill: ");
    shown.reserve(shown.size() + message.size() + 1);
    for (const QChar c : message) {
        if (isControl(c.unicode())) {
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            shown += c;
        }
    }
    shown += QLatin1Char('\n');
    const QByteArray bytes = shown.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

void drawProgressLine(QByteArrayView line)
{
    std::fputc('\r', stderr);
    std::fwrite(line.data(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fputs("\033[K", stderr);
    std::fflush(stderr);
    progressShown = true;
}

void clearProgressLine()
{
    if (!progressShown) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    progressShown = false;
}

}  // namespace lexiquill::cli
