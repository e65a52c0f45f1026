#pragma once

#include <QStringView>
#include <QtGlobal>
#include <algorithm>
#include <utility>
#include <vector>

namespace lexiquill::output {

// A 128-bit digest of text, of which a GUID takes 80 bits: no two notes of any
// collection share them. The GUIDs of a list must stay those of the files made before,
// on any machine: the text goes in as numbers, four UTF-16 code units a word, through
// two lanes of multiply-rotate rounds and a final mix (the shape of MurmurHash3, whose
// constants these are). A cryptographic hash costs a cards file several times the time
// of the other formats; nothing here needs one.
class NoteDigest {
public:
    // Each piece ends with a word of its length, so that "ab" + "c" is not "a" + "bc".
    void add(QStringView text)
    {
        const char16_t* p = text.utf16();
        qsizetype left = text.size();
        for (; left >= 4; left -= 4, p += 4) {
            mix(quint64(p[0]) | quint64(p[1]) << 16 | quint64(p[2]) << 32 | quint64(p[3]) << 48);
        }
        if (left > 0) {
            quint64 word = 0;
            for (qsizetype i = 0; i < left; ++i) word |= quint64(p[i]) << (16 * i);
            mix(word);
        }
        mix(quint64(text.size()) | quint64(1) << 63);
        m_length += quint64(text.size());
    }
    std::pair<quint64, quint64> result() const
    {
        quint64 h1 = m_h1 ^ m_length;
        quint64 h2 = m_h2 ^ m_length;
        h1 += h2;
        h2 += h1;
        h1 = finalMix(h1);
        h2 = finalMix(h2);
        h1 += h2;
        h2 += h1;
        return {h1, h2};
    }

private:
    static quint64 rotate(quint64 x, int bits) { return (x << bits) | (x >> (64 - bits)); }
    static quint64 finalMix(quint64 k)
    {
        k = (k ^ (k >> 33)) * 0xff51afd7ed558ccdULL;
        k = (k ^ (k >> 33)) * 0xc4ceb9fe1a85ec53ULL;
        return k ^ (k >> 33);
    }
    void mix(quint64 word)
    {
        const quint64 k = rotate(word * 0x87c37b91114253d5ULL, 31) * 0x4cf5ad432745937fULL;
        if (m_lane == 0) {
            m_h1 = (rotate(m_h1 ^ k, 27) + m_h2) * 5 + 0x52dce729;
        } else {
            m_h2 = (rotate(m_h2 ^ k, 31) + m_h1) * 5 + 0x38495ab5;
        }
        m_lane ^= 1;
    }

    quint64 m_h1 = 0, m_h2 = 0, m_length = 0;
    int m_lane = 0;
};

// Digests of 64 bits, each held once, in slots side by side: 11 to 21 bytes a digest,
// where a QSet takes more and looks twice. A digest's slot is its top bits, so that the
// slots keep their order when the table doubles, and growing it goes through memory
// front to back instead of at random.
class DigestSet {
public:
    DigestSet() = default;
    ~DigestSet();
    DigestSet(const DigestSet&) = delete;
    DigestSet& operator=(const DigestSet&) = delete;

    // Makes room for two more, and starts fetching the slots of digest from memory.
    void prefetch(quint64 digest);
    // False when digest was already in.
    bool insert(quint64 digest);

private:
    std::size_t slotOf(quint64 digest) const { return std::max<quint64>(digest, 1) >> m_shift; }
    void grow();

    quint64* m_slots = nullptr;  // a power of two of them, at most three quarters used
    std::size_t m_size = 0;
    int m_shift = 64;  // 64 less the bits of a slot's number
    std::size_t m_count = 0;
};

}  // namespace lexiquill::output
