#include "generation/sentence.h"

namespace lexiquill::generation {

QString sentenceOf(const QStringList& words) { return words.join(QLatin1Char(' ')); }

}  // namespace lexiquill::generation
