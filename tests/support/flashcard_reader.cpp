#include "support/flashcard_reader.h"

#include <QHash>
#include <QStringDecoder>
#include <utility>

namespace lexiquill::test {

FlashcardFile readFlashcards(const QByteArray& bytes)
{
    FlashcardFile file;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    qsizetype at = 0;
    while (!utf8.hasError() && text.mid(at).startsWith(u'#')) {
        const qsizetype end = text.indexOf(u'\n', at) < 0 ? text.size() : text.indexOf(u'\n', at);
        QString line = text.mid(at + 1, end - at - 1);
        if (line.endsWith(u'\r')) line.chop(1);
        if (!line.contains(u':')) break;  // a comment: the header is over
        file.headers.insert(line.section(u':', 0, 0), line.section(u':', 1));
        at = end + 1;
    }
    const QHash<QString, QChar> names{{"tab", u'\t'}, {"comma", u','}, {"semicolon", u';'}};
    const QChar separator = names.value(file.headers.value(QStringLiteral("separator")).toLower());
    QStringList note;
    QString field;
    bool quoted = false;
    bool started = false;  // the field has a character, or its opening quote
    for (; at < text.size(); ++at) {
        const QChar c = text[at];
        const bool crLf = c == u'\r' && text.mid(at + 1, 1) == u"\n";
        if (quoted && c == u'"' && text.mid(at + 1, 1) == u"\"") {
            field += c;
            ++at;
        } else if (quoted) {
            quoted = c != u'"';
            if (quoted) field += c;
        } else if (c == u'"' && !started) {
            quoted = started = true;
        } else if (c == u'#' && !started && note.isEmpty()) {
            at = text.indexOf(u'\n', at) < 0 ? text.size() : text.indexOf(u'\n', at);
        } else if (c == separator || c == u'\n' || crLf) {
            note.append(field);
            field.clear();
            started = false;
            at += crLf ? 1 : 0;
            if (c != separator) file.notes.append(std::exchange(note, {}));
        } else {
            field += c;
            started = true;
        }
    }
    if (started || !note.isEmpty()) file.notes.append(note << field);
    file.ok = !utf8.hasError() && !separator.isNull() && !quoted;
    if (!file.ok) file.error = utf8.hasError() ? "not UTF-8" : quoted ? "open quote" : "separator";
    return file;
}

}  // namespace lexiquill::test
