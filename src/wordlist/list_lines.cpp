#include "wordlist/list_lines.h"

namespace lexiquill::wordlist {

// Stateless: every phrase is decoded on its own, so a sequence cut short at the end
// of one phrase becomes U+FFFD there instead of swallowing the start of the next.
PhraseDecoder::PhraseDecoder()
    : m_decoder(QStringConverter::System,
                QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom) {}

QString PhraseDecoder::decode(QByteArrayView bytes) { return m_decoder.decode(bytes); }

}  // namespace lexiquill::wordlist
