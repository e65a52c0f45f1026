#include "output/note_digest.h"

#include <algorithm>

namespace lexiquill::output {

void DigestSet::prefetch(quint64 digest)
{
    if ((m_count + 2) * 4 > m_slots.size() * 3) grow();
    __builtin_prefetch(&m_slots[slotOf(digest)]);
}

bool DigestSet::insert(quint64 digest)
{
    if ((m_count + 1) * 4 > m_slots.size() * 3) grow();
    // 0 marks a free slot; a digest of 0 is kept as 1, which costs nothing but a
    // chance in 2^64.
    digest = std::max<quint64>(digest, 1);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t at = slotOf(digest);; at = (at + 1) & mask) {
        if (m_slots[at] == digest) return false;
        if (m_slots[at] == 0) {
            m_slots[at] = digest;
            ++m_count;
            return true;
        }
    }
}

void DigestSet::grow()
{
    std::vector<quint64> old(std::max<std::size_t>(m_slots.size() * 2, 64), 0);
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const quint64 digest : old) {
        if (digest == 0) continue;
        std::size_t at = slotOf(digest);
        while (m_slots[at] != 0) at = (at + 1) & mask;
        m_slots[at] = digest;
    }
}

}  // namespace lexiquill::output
