// Feeds arbitrary bytes to the word-list line splitter in pieces of arbitrary size,
// and checks it against the plainest reading of the rule: lines end at CR or CR LF,
// with no further line after a line end at the very end, and each line is split
// once more at every LF. Half the inputs go through a splitter that takes lines of at
// most 0 to 63 bytes, so that many lines run past it and are named by their numbers. Each phrase is
// decoded too, and the separator collapsing is checked on the same bytes.

#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "command/path_helpers.h"
#include "fuzz_check.h"
#include "wordlist/list_lines.h"

namespace {

QList<QByteArray> reference(const QByteArray& bytes)
{
    QList<QByteArray> phrases;
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype end = bytes.indexOf('\r', at);
        if (end < 0) end = bytes.size();
        QByteArray line = bytes.mid(at, end - at);
        at = end + 1;
        if (at < bytes.size() && bytes[at] == '\n') ++at;
        phrases += line.split('\n');
    }
    return phrases;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const qsizetype piece = data[0] % 8 + 1;
    const qsizetype longest = data[1] & 1 ? data[1] >> 2 : std::numeric_limits<qsizetype>::max();
    const QByteArray bytes(reinterpret_cast<const char*>(data + 2),
                           static_cast<qsizetype>(size - 2));

    lexiquill::wordlist::LineSplitter splitter(longest);
    lexiquill::wordlist::PhraseDecoder decoder;
    QList<QByteArray> phrases;
    const auto take = [&](QByteArrayView phrase) {
        phrases.append(phrase.toByteArray());
        // Every byte stays visible: undecodable ones as U+FFFD.
        const QString text = decoder.decode(phrase);
        check(phrase.isEmpty() == text.isEmpty());
        check(text.size() <= phrase.size());
    };
    // A line past the limit is one entry: LF, which no phrase holds, and its number.
    const auto tooLong = [&] { phrases.append('\n' + QByteArray::number(splitter.lineNumber())); };
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        splitter.feed(QByteArrayView(bytes.constData() + at, std::min(piece, bytes.size() - at)),
                      take, tooLong);
    }
    splitter.finish(take);
    check(splitter.bytesEnded() == bytes.size());
    QList<QByteArray> expected = reference(bytes);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (expected[i].size() > longest) expected[i] = '\n' + QByteArray::number(i + 1);
    }
    check(phrases == expected);

    const QString path = QString::fromLatin1(bytes);
    const QString collapsed = lexiquill::command::collapseSeparators(path);
    check(!collapsed.contains(QStringLiteral("//")));
    check(collapsed.startsWith(u'/') == path.startsWith(u'/'));
    check(QString(collapsed).remove(u'/') == QString(path).remove(u'/'));
    return 0;
}
