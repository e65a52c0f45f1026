#include "output/flashcard_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "output/delimited_field.h"
#include "output/html_text.h"
#include "output/study_list.h"
#include "output/utf8_text.h"
#include "platform/text_file.h"

namespace lexiquill::output {

namespace {

QStringView kindName(CardKind kind)
{
    switch (kind) {
        case CardKind::Acronym:
            return u"acronym";
        case CardKind::Mnemonic:
            return u"mnemonic";
        case CardKind::List:
            break;
    }
    return u"list";
}

// Text as HTML shows it.
void appendHtml(QString& html, QStringView text)
{
    for (const QChar c : text) {
        const QLatin1String entity = htmlEntityOf(c);
        if (entity.isNull()) {
            html += c;
        } else {
            html += entity;
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

// The two hexadecimal digits of each byte.
constexpr auto kHexPairs = [] {
    std::array<char, 512> pairs{};
    for (int byte = 0; byte < 256; ++byte) {
        pairs[2 * byte] = "0123456789abcdef"[byte >> 4];
        pairs[2 * byte + 1] = "0123456789abcdef"[byte & 0xf];
    }
    return pairs;
}();

// Writes the low digits hexadecimal digits of value at to, a byte at a time: digits is even.
void appendHex(char* to, quint64 value, int digits)
{
    for (int i = digits - 2; i >= 0; i -= 2, value >>= 8) {
        std::memcpy(to + i, &kHexPairs[2 * (value & 0xff)], 2);
    }
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

namespace {

// The lines for a text file, which takes them as text.
class TextFileSink final : public CardSink {
public:
    explicit TextFileSink(platform::TextStream& file) : m_file(file) {}
    void writeLine(std::string_view line) override
    {
        m_file.writeLine(QString::fromUtf8(line.data(), qsizetype(line.size())));
    }

private:
    platform::TextStream& m_file;
};

}  // namespace

FlashcardWriter::FlashcardWriter(const QString& deck, CardSink& sink) : m_sink(sink)
{
    writeHeader(deck);
}

FlashcardWriter::FlashcardWriter(const QString& deck, platform::TextStream& file)
    : m_fileSink(std::make_unique<TextFileSink>(file)), m_sink(*m_fileSink)
{
    writeHeader(deck);
}

FlashcardWriter::~FlashcardWriter() = default;

void FlashcardWriter::writeHeader(const QString& deck)
{
    QString deckField = QStringLiteral("\t");
    appendDelimitedField(deck, u'\t', [&](QStringView piece) { deckField += piece; });
    m_deckField = deckField.toStdString();
    // No "#notetype": see the class. "#deck" would only choose a deck that exists.
    for (const std::string_view line :
         {"#separator:Tab", "#html:true", "#tags:lexiquill", "#guid column:1", "#deck column:4"}) {
        m_sink.writeLine(line);
    }
}

void FlashcardWriter::writePhrase(CardKind kind, const QString& list, const QString& phrase,
                                  const QString& result)
{
    if (std::all_of(phrase.cbegin(), phrase.cend(), [](QChar c) { return c.isSpace(); })) return;
    const std::pair<quint64, quint64> guid = guidOf(kind, list, phrase);
    // The note waits for a few more: meanwhile the slot of its digest comes from
    // memory, a wait that over a million phrases would be most of the time they take.
    m_written.prefetch(guid.first);
    if (m_pendingCount == kNotesAhead) {
        writeNote(m_pending[m_firstPending]);
        m_firstPending = (m_firstPending + 1) % kNotesAhead;
        --m_pendingCount;
    }
    makeNote(m_pending[(m_firstPending + m_pendingCount++) % kNotesAhead], guid, phrase, result,
             false);
}

void FlashcardWriter::writeList(const StudyList& list)
{
    finish();
    if (list.items.isEmpty()) return;
    Note note;
    makeNote(note, guidOf(CardKind::List, list.title, QString()), listFront(list), listBack(list),
             true);
    m_written.prefetch(note.digest);
    writeNote(note);
}

void FlashcardWriter::finish()
{
    for (; m_pendingCount > 0; --m_pendingCount) {
        writeNote(m_pending[m_firstPending]);
        m_firstPending = (m_firstPending + 1) % kNotesAhead;
    }
}

std::pair<quint64, quint64> FlashcardWriter::guidOf(CardKind kind, const QString& list,
                                                    const QString& key)
{
    // Every phrase of a run has the same kind and list: their digest is taken once.
    // (The list is most often the very string of the last call, which needs no compare.)
    if (kind != m_digestKind || m_digestList.isNull() ||
        (!list.isSharedWith(m_digestList) && list != m_digestList)) {
        m_listDigest = NoteDigest();
        m_listDigest.add(kindName(kind));
        m_listDigest.add(list);
        m_digestKind = kind;
        m_digestList = list.isNull() ? QLatin1String("") : list;
    }
    NoteDigest digest = m_listDigest;
    digest.add(key);
    return digest.result();
}

void FlashcardWriter::makeNote(Note& note, std::pair<quint64, quint64> guid, QStringView front,
                               QStringView back, bool html) const
{
    const Escape escape = html ? Escape::None : Escape::Html;
    note.digest = guid.first;
    // Room for the GUID, the fields at the most bytes a unit takes, the tabs and the deck.
    const auto room = qsizetype(22 + std::size_t(front.size() + back.size()) * kMostUtf8Bytes +
                                m_deckField.size());
    if (note.room.size() < room) note.room.resize(room);
    char* const start = note.room.data();
    // The GUID comes first: a line starting with "#" would be a comment to the
    // importer, and a GUID never does, whatever the phrase.
    appendHex(start, guid.first, 16);
    appendHex(start + 16, guid.second, 4);
    start[20] = '\t';
    char* to = encodeUtf8(start + 21, front, escape);
    *to++ = '\t';
    to = encodeUtf8(to, back, escape);
    to = std::copy(m_deckField.cbegin(), m_deckField.cend(), to);
    note.size = std::size_t(to - start);
}

void FlashcardWriter::writeNote(Note& note)
{
    if (m_written.insert(note.digest))
        m_sink.writeLine(std::string_view(note.room.constData(), note.size));
    // The note's room serves the next one, unless a phrase far longer than most made it large.
    constexpr qsizetype kRoomKept = qsizetype(1) << 16;
    if (note.room.size() > kRoomKept) note.room = QByteArray();
}

}  // namespace lexiquill::output
