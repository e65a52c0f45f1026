#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <cstring>

namespace lexiquill::wordlist {

// Cuts the bytes of a word-list file into phrases. A line ends at CR, and an LF
// right after that CR belongs to the same line end; an LF anywhere else splits the
// line once more. So CR LF, CR and a lone LF each end a phrase, a file ending in
// CR LF or CR gives no empty phrase at its end, and a file ending in a lone LF gives
// one. An empty file gives nothing.
//
// The bytes may come in blocks of any size: a CR LF split between two blocks is
// still one line end. Each phrase is handed to take(QByteArrayView) as soon as it
// is complete; the view is only valid during the call.
class LineSplitter {
public:
    template <class Take>
    void feed(QByteArrayView block, Take&& take)
    {
        const char* p = block.data();
        const char* const end = p + block.size();
        if (p == end) return;
        if (m_afterCr) {
            m_afterCr = false;
            if (*p == '\n') ++p;  // the rest of a CR LF begun in the last block
        }
        while (p != end) {
            const char* const cut = findLineEnd(p, end);
            if (cut == end) {
                m_pending.append(p, end - p);
                m_open = true;
                return;
            }
            if (m_pending.isEmpty()) {
                take(QByteArrayView(p, cut - p));
            } else {
                m_pending.append(p, cut - p);
                take(QByteArrayView(m_pending));
                m_pending.clear();
            }
            if (*cut == '\n') {
                // After a lone LF a phrase is open even if no byte follows.
                m_open = true;
                p = cut + 1;
            } else {
                m_open = false;
                p = cut + 1;
                if (p == end) {
                    m_afterCr = true;
                } else if (*p == '\n') {
                    ++p;
                }
            }
        }
    }

    // The end of the file: hands over the phrase still open, if there is one.
    template <class Take>
    void finish(Take&& take)
    {
        if (m_open) take(QByteArrayView(m_pending));
        m_pending.clear();
        m_open = false;
        m_afterCr = false;
    }

private:
    // The first CR or LF in [p, end), or end. Eight bytes at a time: lines are short
    // and files long.
    static const char* findLineEnd(const char* p, const char* end)
    {
        constexpr quint64 ones = 0x0101010101010101u;
        constexpr quint64 highs = 0x8080808080808080u;
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            const quint64 cr = word ^ (ones * '\r');
            const quint64 lf = word ^ (ones * '\n');
            // Non-zero exactly when some byte of cr or lf is zero.
            if ((((cr - ones) & ~cr) | ((lf - ones) & ~lf)) & highs) break;
            p += 8;
        }
        while (p != end && *p != '\r' && *p != '\n') ++p;
        return p;
    }

    QByteArray m_pending;  // the start of a phrase that the next block goes on with
    bool m_open = false;   // a phrase has begun and no CR has ended it
    bool m_afterCr = false;
};

// Plain ASCII reads the same in every encoding the locale can have.
bool isAscii(QByteArrayView bytes);

// Turns the bytes of one phrase into text in the locale's encoding. Bytes that are
// not valid there become U+FFFD; a byte-order mark is kept as a character, because
// the file's bytes are taken as they stand.
class PhraseDecoder {
public:
    PhraseDecoder();
    QString decode(QByteArrayView bytes);

private:
    QStringDecoder m_decoder;
};

}  // namespace lexiquill::wordlist
