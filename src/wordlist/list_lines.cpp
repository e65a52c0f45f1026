#include "wordlist/list_lines.h"

namespace lexiquill::wordlist {

// Stateless: every phrase is decoded on its own, so a sequence cut short at the end
// of one phrase becomes U+FFFD there instead of swallowing the start of the next.
PhraseDecoder::PhraseDecoder()
    : m_decoder(QStringConverter::System,
                QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom)
{
}

bool isAscii(QByteArrayView bytes)
{
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    quint64 any = 0;
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        any |= word;
    }
    for (; p != end; ++p) any |= static_cast<unsigned char>(*p);
    return (any & 0x8080808080808080u) == 0;
}

QString PhraseDecoder::decode(QByteArrayView bytes) { return m_decoder.decode(bytes); }

}  // namespace lexiquill::wordlist
