#include "wordlist/list_lines.h"

namespace lexiquill::wordlist {

// Stateless: every phrase is decoded on its own, so a sequence cut short at the end
// of one phrase becomes U+FFFD there instead of swallowing the start of the next.
PhraseDecoder::PhraseDecoder()
    : m_decoder(QStringConverter::System,
                QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom) {}

namespace {

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

}  // namespace

QString PhraseDecoder::decode(QByteArrayView bytes)
{
    // Most lists are plain ASCII, which reads the same in every encoding the locale
    // can have; widening it is much cheaper than a full decoder call.
    if (!isAscii(bytes)) return m_decoder.decode(bytes);
    // The list copies the text it is given, so one buffer serves every phrase: a
    // load then costs no allocation per line.
    m_ascii.resize(0);
    m_ascii.append(QLatin1String(bytes.data(), bytes.size()));
    return m_ascii;
}

}  // namespace lexiquill::wordlist
