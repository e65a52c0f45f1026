#include "cli/messages.h"

#include <QString>
#include <cstdio>

namespace lexiquill::cli {

namespace {

// Standard error is one for the whole process, and so is whether a line shows on it.
bool progressShown = false;

bool isControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// In one piece: standard error is unbuffered, and a line written in parts may be
// broken up by another program writing to the same terminal.
void write(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
}

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
    write(shown.toLocal8Bit());
}

QString quotedPhrase(QStringView phrase)
{
    QString quoted(QLatin1Char('"'));
    quoted += phrase.left(kShownLength);
    quoted += phrase.size() > kShownLength ? QLatin1String("...\"") : QLatin1String("\"");
    return quoted;
}

void drawProgressLine(QByteArrayView line)
{
    write("\r" + line.toByteArray() + "\033[K");
    progressShown = true;
}

void clearProgressLine()
{
    if (!progressShown) return;
    write("\r\033[K");
    progressShown = false;
}

}  // namespace lexiquill::cli
