#pragma once

#include <QSet>
#include <QString>
#include <functional>

namespace lexiquill::output {

struct StudyList;

// The deck the cards go to unless the user names another.
inline const QString kDefaultDeck = QStringLiteral("Lexiquill");

// Why the flashcard program Anki would misread name as the deck of a cards file, or
// nothing when it reads it as written: a blank name, a blank part between "::" (Anki
// names it "blank"), a name that is a number (Anki takes it for a deck's id), or a
// control character (a tab or a line break would end the field).
QString deckNameProblem(const QString& name);

// What a note teaches. It is part of the note's GUID, so that the acronym card and the
// mnemonic card of a phrase, and the card of its list, are notes of their own.
enum class CardKind { Acronym, Mnemonic, List };

// Writes cards for Anki in its text-import format: UTF-8 lines, first the header lines
// that tell the importer how to read the rest, then one note a line: its GUID, the
// front, the back, the deck and the tag lexiquill. The fields are HTML: the items of a
// list stand on lines of their own and their starts are bold. No note type is named:
// the stock ones have translated names, so Anki's own choice (the type last used) is
// the one that exists; the deck is a column, which Anki creates on the first import.
// Lines go to the sink without their end; both writers end them with CR LF, which the
// importer reads like LF.
class FlashcardWriter {
public:
    using LineSink = std::function<void(const QString& line)>;

    // Writes the header lines. deck must have no deckNameProblem().
    FlashcardWriter(const QString& deck, LineSink sink);

    // The note of a phrase of the list titled list (see listTitle()): the phrase on
    // the front, its result (the acronym, or its words as one sentence) on the back.
    // Its GUID depends on kind, list and phrase alone, so that importing again after
    // another draw updates the note instead of adding one, and the same phrase in two
    // lists makes two notes. A note whose GUID the file already has is left out, the
    // first stands; an empty phrase makes none.
    void writePhrase(CardKind kind, const QString& list, const QString& phrase,
                     const QString& result);
    // The card of a whole list: its items in order on the front; the key, the
    // sentence and each item beside its word on the back. Its GUID depends on the
    // list's title alone. A list without items makes no note.
    void writeList(const StudyList& list);

private:
    void writeNote(CardKind kind, const QString& list, const QString& key, const QString& front,
                   const QString& back);

    LineSink m_sink;
    QString m_deckField;      // the deck, as its column holds it
    QString m_line;           // reused for every note
    QSet<quint64> m_written;  // a digest of each GUID written
};

}  // namespace lexiquill::output
