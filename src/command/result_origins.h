#pragma once

#include <QStringList>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace lexiquill::platform {
class ListView;
}

namespace lexiquill::command {

// The rows of the results list that were made for the words of a phrase: which of
// the phrase's characters each one was made for, and which rows came from one phrase
// of the word list. Two equal phrases next to each other stay two phrases. Rows
// without an origin (acronyms) are phrases of their own. What was recorded lasts
// until the list loses rows: a clearing makes every row made after it a new one.
class ResultOrigins {
public:
    // The rows recorded from now on belong to the next phrase.
    void startPhrase() noexcept;
    // Row of list, just appended, was made for the character at index at (from 0) of
    // its phrase. Memory running out only loses the origins.
    void record(const platform::ListView& list, int row, qsizetype at) noexcept;

    // The index of the character row was made for; none for a row without origin.
    std::optional<qsizetype> characterOf(const platform::ListView& list, int row) const;
    // The rows of the phrase row belongs to, and the Results of all of them or of the
    // ticked ones.
    enum class Words { All, Ticked };
    struct PhraseRows {
        int first;
        int last;
        QStringList words;
    };
    PhraseRows phraseRows(const platform::ListView& list, int row, Words words) const;

private:
    struct Origin {
        int row;
        quint32 phrase;
        qint32 at;
    };
    // The origin of row, or end when it has none.
    std::vector<Origin>::const_iterator find(const platform::ListView& list, int row) const;

    std::vector<Origin> m_origins;  // by row: rows are only appended
    quint64 m_changeCount = 0;
    quint32 m_phrase = 0;
};

}  // namespace lexiquill::command
