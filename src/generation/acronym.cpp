#include "generation/acronym.h"

#include <cmath>

#include "platform/platform_error.h"

namespace lexiquill::generation {

QString buildAcronym(const QString& phrase)
{
    const QChar blank(u' ');
    qsizetype begin = 0;
    qsizetype end = phrase.size();
    while (begin < end && phrase[begin] == blank) ++begin;
    while (end > begin && phrase[end - 1] == blank) --end;

    QString result;
    if (begin == end) return result;
    // Every word gives at most three units (a surrogate pair and ".") and takes at
    // least two (a pair) or one plus a blank.
    result.reserve(end - begin + 2);
    // Lower-casing the phrase first and upper-casing each first character after
    // gives the same result as upper-casing the lower-cased character directly.
    bool wordStart = true;
    for (qsizetype i = begin; i < end; ++i) {
        const QChar c = phrase[i];
        if (c == blank) {
            if (wordStart) result += QLatin1Char('.');  // an empty word
            wordStart = true;
        } else if (wordStart) {
            // ASCII, by far the most common, needs no look-up in the case tables.
            if (c.unicode() < 0x80) {
                result += c >= u'a' && c <= u'z' ? QChar(c.unicode() - 0x20) : c;
            } else if (c.isHighSurrogate() && i + 1 < end && phrase[i + 1].isLowSurrogate()) {
                // A character outside the Basic Multilingual Plane: both halves, cased
                // as one character.
                const char32_t u = QChar::surrogateToUcs4(c, phrase[++i]);
                const char32_t cased = QChar::toUpper(QChar::toLower(u));
                result += QChar::fromUcs4(cased);
            } else {
                result += c.toLower().toUpper();
            }
            result += QLatin1Char('.');
            wordStart = false;
        }
    }
    return result;
}

int progressPercent(qsizetype i, qsizetype count)
{
    if (count == 0) throw platform::PlatformError(QStringLiteral("Division by zero"));
    return static_cast<int>(
        std::floor(static_cast<double>(i) / static_cast<double>(count) * 100.0));
}

}  // namespace lexiquill::generation
