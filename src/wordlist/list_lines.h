#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <cstring>
#include <limits>

namespace lexiquill::wordlist {

// Cuts the bytes of a word-list file into phrases. A line ends at CR, and an LF
// right after that CR belongs to the same line end; an LF anywhere else splits the
// line once more. So CR LF, CR and a lone LF each end a phrase, a file ending in
// CR LF or CR gives no empty phrase at its end, and a file ending in a lone LF gives
// one. An empty file gives nothing.
//
// The bytes may come in blocks of any size: a CR LF split between two blocks is
// still one line end. Each phrase is handed to take(QByteArrayView) as soon as it
// is complete; the view is only valid during the call. A line longer than the
// splitter's limit is not kept: tooLong() is called as soon as it grows past the
// limit, and the rest of it is skipped without being held.
class LineSplitter {
public:
    explicit LineSplitter(qsizetype longestLine = std::numeric_limits<qsizetype>::max())
        : m_longestLine(longestLine)
    {
    }

    template <class Take>
    void feed(QByteArrayView block, Take&& take)
    {
        feed(block, take, [] {});
    }

    template <class Take, class TooLong>
    void feed(QByteArrayView block, Take&& take, TooLong&& tooLong)
    {
        const char* p = block.data();
        const char* const end = p + block.size();
        const qint64 blockStart = m_bytesFed;
        m_bytesFed += block.size();
        if (p == end) return;
        if (m_afterCr) {
            m_afterCr = false;
            if (*p == '\n') ++p;  // the rest of a CR LF begun in the last block
        }
        while (p != end) {
            const char* const cut = findLineEnd(p, end);
            if (!m_skipping && cut - p > m_longestLine - m_pending.size()) {
                m_skipping = true;
                m_pending.clear();
                tooLong();
            }
            if (cut == end) {
                if (!m_skipping) m_pending.append(p, end - p);
                m_open = true;
                return;
            }
            const char* lineEnd = cut + 1;
            if (*cut == '\r' && lineEnd != end && *lineEnd == '\n') ++lineEnd;
            m_bytesEnded = blockStart + (lineEnd - block.data());
            if (m_skipping) {
                m_skipping = false;
            } else if (m_pending.isEmpty()) {
                take(QByteArrayView(p, cut - p));
            } else {
                m_pending.append(p, cut - p);
                take(QByteArrayView(m_pending));
                m_pending.clear();
            }
            ++m_linesEnded;
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

    // The number of the line the next bytes go to, counting from 1.
    qint64 lineNumber() const { return m_linesEnded + 1; }
    // The bytes of the lines ended so far with their line ends, lines too long
    // included; during take, those up to the end of the phrase taken.
    qint64 bytesEnded() const { return m_bytesEnded; }

    // The end of the file: hands over the phrase still open, if there is one.
    template <class Take>
    void finish(Take&& take)
    {
        m_bytesEnded = m_bytesFed;
        if (m_open && !m_skipping) take(QByteArrayView(m_pending));
        m_pending.clear();
        m_open = false;
        m_afterCr = false;
        m_skipping = false;
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

    qsizetype m_longestLine;
    QByteArray m_pending;  // the start of a phrase that the next block goes on with
    qint64 m_linesEnded = 0;
    qint64 m_bytesFed = 0;
    qint64 m_bytesEnded = 0;
    bool m_open = false;      // a phrase has begun and no CR has ended it
    bool m_skipping = false;  // the open line is too long
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
