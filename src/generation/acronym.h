#pragma once

#include <QString>

namespace lexiquill::generation {

// The acronym of a phrase: the upper-cased first character of each word of the
// trimmed phrase, each followed by ".". Only U+0020 separates words, and two
// adjacent blanks enclose an empty word, which gives a lone ".".
QString buildAcronym(const QString& phrase);

// The progress bar value for item i of count: (i / count) * 100, rounded down.
// A count of 0 is a PlatformError.
int progressPercent(qsizetype i, qsizetype count);

}  // namespace lexiquill::generation
