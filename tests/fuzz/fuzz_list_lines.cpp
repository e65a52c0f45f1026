// Feeds arbitrary bytes to the word-list line splitter in pieces of arbitrary size,
// and checks it against the plainest reading of the rule: lines end at CR or CR LF,
// with no further line after a line end at the very end, and each line is split
// once more at every LF. Each phrase is decoded too, and the separator collapsing
// is checked on the same bytes.

#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

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
    if (size == 0) return 0;
    const qsizetype piece = data[0] % 8 + 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));

    lexiquill::wordlist::LineSplitter splitter;
    lexiquill::wordlist::PhraseDecoder decoder;
    QList<QByteArray> phrases;
    const auto take = [&](QByteArrayView phrase) {
        phrases.append(phrase.toByteArray());
        // Every byte stays visible: undecodable ones as U+FFFD.
        const QString text = decoder.decode(phrase);
        check(phrase.isEmpty() == text.isEmpty());
        check(text.size() <= phrase.size());
    };
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        splitter.feed(QByteArrayView(bytes.constData() + at, std::min(piece, bytes.size() - at)),
                      take);
    }
    splitter.finish(take);
    check(phrases == reference(bytes));

    const QString path = QString::fromLatin1(bytes);
    const QString collapsed = lexiquill::command::collapseSeparators(path);
    check(!collapsed.contains(QStringLiteral("//")));
    check(collapsed.startsWith(u'/') == path.startsWith(u'/'));
    check(QString(collapsed).remove(u'/') == QString(path).remove(u'/'));
    return 0;
}
