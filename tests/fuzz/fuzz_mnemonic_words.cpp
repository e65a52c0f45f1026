// Feeds phrases and pages to the mnemonic word extraction and compares every result
// with the rules applied the plainest way: 1-based positions, 0 for "not found", a
// fresh search for each terminator. Most bytes are turned into the pieces a page is
// made of, so that markers, terminators and repeated letters turn up often; the rest
// become arbitrary UTF-16 code units.

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_check.h"
#include "generation/mnemonic.h"

namespace {

// 1-based position of needle in haystack at or after from, 0 when there is none.
qsizetype find(const QString& haystack, const QString& needle, qsizetype from)
{
    return haystack.indexOf(needle, from - 1) + 1;
}

QStringList expectedWords(const QString& phrase, const QString& page)
{
    QStringList words;
    qsizetype position = 1;
    for (qsizetype i = 1; i <= phrase.size(); ++i) {
        const QString letter(phrase[i - 1].toUpper());
        if (letter == QLatin1String(" ")) continue;
        if (position == 0) break;
        const QString marker = "<big>" + letter + "</big>";
        position = find(page, marker, position);
        if (position > 0) {
            const qsizetype start = position + marker.size();
            const qsizetype b = find(page, "<br>", start);
            if (b > 0) words.append(letter + page.mid(start - 1, b - start));
        }
    }
    return words;
}

const char16_t* const kPieces[] = {u"<big>", u"</big>", u"<br>", u"<BIG>", u"a",   u"A",
                                   u"b",     u"B",      u" ",    u"\t",    u"é",   u"É",
                                   u"ß",     u"1",      u"<",    u">",     u"<br", u"x"};
constexpr std::size_t kPieceCount = sizeof(kPieces) / sizeof(kPieces[0]);

// One byte gives a piece; a byte past the pieces takes the next two bytes as one code
// unit.
QString decode(const std::uint8_t* data, std::size_t size)
{
    QString text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] < kPieceCount * 12) {
            text += QString::fromUtf16(kPieces[data[i] % kPieceCount]);
        } else if (i + 2 < size) {
            text += QChar(static_cast<char16_t>(data[i + 1] << 8 | data[i + 2]));
            i += 2;
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::size_t phraseBytes = std::min<std::size_t>(data[0] % 24, size - 1);
    const QString phrase = decode(data + 1, phraseBytes);
    const QString page = decode(data + 1 + phraseBytes, size - 1 - phraseBytes);

    QStringList words;
    for (const auto& word : lexiquill::generation::findMnemonicWords(phrase, page)) {
        check(phrase[word.at].toUpper() == word.text.front());
        words.append(word.text);
    }
    check(words == expectedWords(phrase, page));
    for (const QString& word : words)
        check(!word.isEmpty() && !word.contains(QLatin1String("<br>")));
    check(words.size() <= phrase.size());

    // The served words: one per marker that a "<br>" follows, in order.
    const QStringList served = lexiquill::generation::servedMnemonicWords(page);
    check(served.size() <= page.count(QLatin1String("<big>")));
    for (const QString& word : served) {
        check(!word.isEmpty() && page.contains("<big>" + word.left(1) + "</big>" + word.mid(1) +
                                               QLatin1String("<br>")));
    }
    return 0;
}
