#include "command/result_origins.h"

#include <algorithm>

#include "platform/list_view.h"

namespace lexiquill::command {

void ResultOrigins::startPhrase() noexcept { ++m_phrase; }

void ResultOrigins::record(const platform::ListView& list, int row, qsizetype at) noexcept
{
    try {
        if (list.changeCount() != m_changeCount) {
            m_origins.clear();
            m_changeCount = list.changeCount();
        }
        m_origins.push_back({row, m_phrase, static_cast<qint32>(at)});
    } catch (...) {
        std::vector<Origin>().swap(m_origins);
    }
}

std::vector<ResultOrigins::Origin>::const_iterator ResultOrigins::find(
    const platform::ListView& list, int row) const
{
    if (list.changeCount() != m_changeCount) return m_origins.cend();
    const auto at = std::lower_bound(m_origins.cbegin(), m_origins.cend(), row,
                                     [](const Origin& o, int r) { return o.row < r; });
    return at != m_origins.cend() && at->row == row ? at : m_origins.cend();
}

std::optional<qsizetype> ResultOrigins::characterOf(const platform::ListView& list, int row) const
{
    const auto origin = find(list, row);
    if (origin == m_origins.cend()) return std::nullopt;
    return origin->at;
}

ResultOrigins::PhraseRows ResultOrigins::phraseRows(const platform::ListView& list, int row,
                                                    Words words) const
{
    PhraseRows rows{row, row, {}};
    if (const auto origin = find(list, row); origin != m_origins.cend()) {
        // The rows of one phrase follow each other: a run appends them without a yield.
        auto first = origin;
        while (first != m_origins.cbegin() && (first - 1)->phrase == origin->phrase) --first;
        auto last = origin;
        while (last + 1 != m_origins.cend() && (last + 1)->phrase == origin->phrase) ++last;
        rows.first = first->row;
        rows.last = last->row;
    }
    for (int r = rows.first; r <= rows.last; ++r) {
        if (words == Words::All || list.checked(r)) rows.words.append(list.subText(r, 2));
    }
    return rows;
}

}  // namespace lexiquill::command
