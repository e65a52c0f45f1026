#include "output/note_digest.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <new>
#include <utility>

namespace lexiquill::output {

namespace {

// Zeroed slots straight from the system. Over a million notes the table outgrows what
// the processor's address cache maps in small pages, and every look-up would first walk
// the page tables: large pages are asked for where the system has them.
quint64* allocateSlots(std::size_t count)
{
    const std::size_t bytes = count * sizeof(quint64);
    void* table = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (table == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(table, bytes, MADV_HUGEPAGE);
#endif
    return static_cast<quint64*>(table);
}

void freeSlots(quint64* table, std::size_t count)
{
    if (table != nullptr) munmap(table, count * sizeof(quint64));
}

}  // namespace

DigestSet::~DigestSet() { freeSlots(m_slots, m_size); }

void DigestSet::prefetch(quint64 digest)
{
    if ((m_count + 2) * 4 > m_size * 3) grow();
    // A new digest's look-up runs on to the first free slot, two to eight on when the
    // table fills: often into the next line of memory.
    const std::size_t at = slotOf(digest);
    __builtin_prefetch(&m_slots[at]);
    __builtin_prefetch(&m_slots[std::min(at + 8, m_size - 1)]);
}

bool DigestSet::insert(quint64 digest)
{
    if ((m_count + 1) * 4 > m_size * 3) grow();
    // 0 marks a free slot; a digest of 0 is kept as 1, which costs nothing but a
    // chance in 2^64.
    digest = std::max<quint64>(digest, 1);
    const std::size_t mask = m_size - 1;
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
    const std::size_t size = std::max<std::size_t>(m_size * 2, 64);
    quint64* const old = std::exchange(m_slots, allocateSlots(size));
    const std::size_t oldSize = std::exchange(m_size, size);
    m_shift = 64 - std::countr_zero(size);
    for (std::size_t i = 0; i < oldSize; ++i) {
        if (old[i] == 0) continue;
        std::size_t at = slotOf(old[i]);
        while (m_slots[at] != 0) at = (at + 1) & (size - 1);
        m_slots[at] = old[i];
    }
    freeSlots(old, oldSize);
}

}  // namespace lexiquill::output
