#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "output/note_digest.h"

namespace lexiquill::platform {
class TextStream;
}

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

// Where the lines of a cards file go, in UTF-8, each without its end (CR LF, which the
// importer reads like LF).
class CardSink {
public:
    virtual ~CardSink() = default;
    virtual void writeLine(std::string_view line) = 0;
};

// Writes cards for Anki in its text-import format: UTF-8 lines, first the header lines
// that tell the importer how to read the rest (the tag lexiquill for every note among
// them), then one note a line: its GUID, the front, the back and the deck. The fields
// are HTML: the items of a
// list stand on lines of their own and their starts are bold. No note type is named:
// the stock ones have translated names, so Anki's own choice (the type last used) is
// the one that exists; the deck is a column, which Anki creates on the first import.
class FlashcardWriter {
public:
    // Writes the header lines to sink, which must outlive the writer. deck must have
    // no deckNameProblem().
    FlashcardWriter(const QString& deck, CardSink& sink);
    // The same into a text file, a line at a time.
    FlashcardWriter(const QString& deck, platform::TextStream& file);
    ~FlashcardWriter();

    // The note of a phrase of the list titled list (see listTitle()): the phrase on
    // the front, its result (the acronym, or its words as one sentence) on the back.
    // Its GUID depends on kind, list and phrase alone, so that importing again after
    // another draw updates the note instead of adding one, and the same phrase in two
    // lists makes two notes. A note whose GUID the file already has is left out, the
    // first stands; a blank phrase makes none (Anki would skip it). The note goes to
    // the sink with a later note, or at finish().
    void writePhrase(CardKind kind, const QString& list, const QString& phrase,
                     const QString& result);
    // The card of a whole list: its items in order on the front; the key, the
    // sentence and each item beside its word on the back. Its GUID depends on the
    // list's title alone. A list without items makes no note.
    void writeList(const StudyList& list);
    // Writes the notes that wait, if any do: after the last phrase.
    void finish();

private:
    // A note waiting for its GUID's slot: the digest that stands for its GUID, and its
    // line, made at once, so that it holds no text of the caller's and reuses its room.
    struct Note {
        quint64 digest = 0;
        QByteArray room;       // the line's bytes and room after them
        std::size_t size = 0;  // of the line
    };
    void writeHeader(const QString& deck);
    std::pair<quint64, quint64> guidOf(CardKind kind, const QString& list, const QString& key);
    // Makes the line of the note of guid: front and back are HTML when html is set, plain
    // text otherwise.
    void makeNote(Note& note, std::pair<quint64, quint64> guid, QStringView front, QStringView back,
                  bool html) const;
    // Writes the note unless its GUID was written.
    void writeNote(Note& note);

    std::unique_ptr<CardSink> m_fileSink;  // for a text file
    CardSink& m_sink;
    std::string m_deckField;  // the deck's column in UTF-8, the same on every line
    DigestSet m_written;      // a digest of each GUID written
    // Notes wait for this many more before they are written: time for their slots in
    // m_written to come from memory. They wait in a ring, from m_firstPending on.
    static constexpr std::size_t kNotesAhead = 16;
    std::array<Note, kNotesAhead> m_pending;
    std::size_t m_firstPending = 0;
    std::size_t m_pendingCount = 0;
    // The digest of the kind and the list of the last note, which the next most likely shares.
    NoteDigest m_listDigest;
    CardKind m_digestKind = CardKind::List;
    QString m_digestList;
};

}  // namespace lexiquill::output
