#include "output/flashcard_file.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <algorithm>
#include <utility>

#include "output/delimited_field.h"
#include "output/study_list.h"

namespace lexiquill::output {

namespace {

// 80 bits of a SHA-256: no two notes of any collection share them.
constexpr int kGuidBytes = 10;
const QString kGuidPrefix = QStringLiteral("lexiquill-");
const QString kTags = QStringLiteral("lexiquill");

QByteArrayView kindName(CardKind kind)
{
    switch (kind) {
        case CardKind::Acronym:
            return "acronym";
        case CardKind::Mnemonic:
            return "mnemonic";
        case CardKind::List:
            break;
    }
    return "list";
}

// Text as HTML shows it: "&", "<" and ">" as entities, each line break as <br>.
void appendHtml(QString& html, QStringView text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
            case u'&':
                html += QLatin1String("&amp;");
                break;
            case u'<':
                html += QLatin1String("&lt;");
                break;
            case u'>':
                html += QLatin1String("&gt;");
                break;
            case u'\n':
                html += QLatin1String("<br>");
                break;
            default:
                html += c;
        }
    }
}

// Text with its first bold characters in bold.
void appendWithBoldStart(QString& html, const QString& text, qsizetype bold)
{
    if (bold > 0) {
        html += QLatin1String("<b>");
        appendHtml(html, QStringView(text).first(bold));
        html += QLatin1String("</b>");
    }
    appendHtml(html, QStringView(text).sliced(bold));
}

QString listFront(const StudyList& list)
{
    QString html;
    for (const StudyItem& item : list.items) {
        if (!html.isEmpty()) html += QLatin1String("<br>");
        appendHtml(html, item.item);
    }
    return html;
}

// The key, the sentence, then each item beside its word, their starts in bold.
QString listBack(const StudyList& list)
{
    QString html = QStringLiteral("<b>");
    appendHtml(html, list.key);
    html += QLatin1String("</b><br>");
    appendHtml(html, list.sentence);
    html += QLatin1String("<br>");
    for (const StudyItem& item : list.items) {
        html += QLatin1String("<br>");
        appendWithBoldStart(html, item.item, startLength(item.item, item.start));
        html += QLatin1String(": ");
        appendWithBoldStart(html, item.word, startLength(item.word, item.start));
    }
    return html;
}

}  // namespace

QString deckNameProblem(const QString& name)
{
    if (name.trimmed().isEmpty()) return QStringLiteral("is empty");
    if (std::any_of(name.cbegin(), name.cend(),
                    [](QChar c) { return c.category() == QChar::Other_Control; })) {
        return QStringLiteral("holds a tab, a line break or another control character");
    }
    const QStringList parts = name.split(QStringLiteral("::"));
    if (std::any_of(parts.cbegin(), parts.cend(),
                    [](const QString& part) { return part.trimmed().isEmpty(); })) {
        return QStringLiteral("has an empty part between \"::\", which Anki would call \"blank\"");
    }
    const QStringView digits =
        QStringView(name).sliced(name.front() == u'-' || name.front() == u'+');
    if (!digits.isEmpty() && std::all_of(digits.cbegin(), digits.cend(),
                                         [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return QStringLiteral("is a number, which Anki would take for the id of a deck");
    }
    return {};
}

FlashcardWriter::FlashcardWriter(const QString& deck, LineSink sink) : m_sink(std::move(sink))
{
    appendDelimitedField(deck, u'\t', [this](QStringView piece) { m_deckField += piece; });
    // No "#notetype": see the class. "#deck" would only choose a deck that exists.
    for (const QString& line : {QStringLiteral("#separator:Tab"), QStringLiteral("#html:true"),
                                QStringLiteral("#guid column:1"), QStringLiteral("#deck column:4"),
                                QStringLiteral("#tags column:5")}) {
        m_sink(line);
    }
}

void FlashcardWriter::writePhrase(CardKind kind, const QString& list, const QString& phrase,
                                  const QString& result)
{
    // Anki skips a note whose first field is blank.
    if (phrase.trimmed().isEmpty()) return;
    QString front;
    appendHtml(front, phrase);
    QString back;
    appendHtml(back, result);
    writeNote(kind, list, phrase, front, back);
}

void FlashcardWriter::writeList(const StudyList& list)
{
    if (list.items.isEmpty()) return;
    writeNote(CardKind::List, list.title, QString(), listFront(list), listBack(list));
}

void FlashcardWriter::writeNote(CardKind kind, const QString& list, const QString& key,
                                const QString& front, const QString& back)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(kindName(kind));
    const QByteArray listBytes = list.toUtf8();
    // The length keeps a list and a phrase apart whatever characters they hold.
    hash.addData(QByteArray::number(listBytes.size()) + ':');
    hash.addData(listBytes);
    hash.addData(key.toUtf8());
    const QByteArray digest = hash.result().left(kGuidBytes);
    if (m_written.contains(qFromBigEndian<quint64>(digest.constData()))) return;
    m_written.insert(qFromBigEndian<quint64>(digest.constData()));
    const auto field = [this](QStringView piece) { m_line += piece; };
    // The GUID comes first: a line starting with "#" would be a comment to the
    // importer, and a GUID never does, whatever the phrase.
    m_line = kGuidPrefix + QString::fromLatin1(digest.toHex());
    m_line += u'\t';
    appendDelimitedField(front, u'\t', field);
    m_line += u'\t';
    appendDelimitedField(back, u'\t', field);
    m_line += u'\t';
    m_line += m_deckField;
    m_line += u'\t';
    m_line += kTags;
    m_sink(m_line);
}

}  // namespace lexiquill::output
