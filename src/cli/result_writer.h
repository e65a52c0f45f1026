#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace lexiquill::output {
struct StudyList;
}

namespace lexiquill::cli {

class OutputStream;

enum class Format { Tsv, Text, Csv, Json, Cards };

// What each phrase gives: its acronym, its mnemonic words, or those words as one
// sentence (also the acrostic's).
enum class ResultKind { Acronym, Words, Sentence };

// Writes the results of the phrases, in the order they come, in one format. Result
// rows are the window's: one per acronym or sentence, one per mnemonic word.
class ResultWriter {
public:
    virtual ~ResultWriter() = default;
    // An acronym or a sentence.
    virtual void write(const QString& phrase, const QString& result) = 0;
    // The mnemonic words of a phrase, one result row each.
    virtual void write(const QString& phrase, const QStringList& words) = 0;
    // A list's acrostic: its key and sentence, as a phrase and its result, or (cards)
    // the card of the whole list.
    virtual void writeList(const output::StudyList& list);
    // After the last phrase; the writer flushes nothing itself before this.
    virtual void finish() {}
};

// deck is the deck of the cards format; listFile the file the list came from, or
// empty for several files or standard input.
std::unique_ptr<ResultWriter> makeResultWriter(Format format, ResultKind kind, OutputStream& out,
                                               const QString& deck, const QString& listFile);

}  // namespace lexiquill::cli
