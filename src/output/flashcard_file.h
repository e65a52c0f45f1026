#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <functional>

namespace lexiquill::output {

// The deck the cards go to unless the user names another.
inline const QString kDefaultDeck = QStringLiteral("Lexiquill");

// True when name can be the deck of a cards file: not empty, and no control character
// (a tab or a line break would end the header line; the importer takes none).
bool isDeckName(const QString& name);

// Writes cards for the flashcard program Anki in its text-import format: UTF-8 lines,
// first the header lines that tell the importer how to read the rest (tab-separated
// plain text for the "Basic" note type into the deck, the GUID in column 1, the tags
// in column 4), then one note a line: its GUID, the phrase, its result (the acronym,
// or its words as one sentence) and the tag lexiquill. Lines go to the sink without
// their end; both writers end them with CR LF, which the importer reads like LF.
class FlashcardWriter {
public:
    using LineSink = std::function<void(const QString& line)>;

    // Writes the header lines. deck must be a deck name (isDeckName).
    FlashcardWriter(const QString& deck, LineSink sink);

    // The note of a phrase. Its GUID depends on the phrase alone, so that importing
    // again after choosing other words updates the note instead of adding one; a
    // phrase met again in the same file is left out, its first note stands. A field
    // with a tab, a line break or a quote is quoted with its quotes doubled, so that
    // the importer reads it back as it was.
    void write(const QString& phrase, const QString& result);

private:
    LineSink m_sink;
    QSet<QByteArray> m_written;  // the digests of the phrases written
};

}  // namespace lexiquill::output
