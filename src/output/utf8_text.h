#pragma once

#include <QStringView>
#include <cstddef>

namespace lexiquill::output {

// How text goes into a field of a row.
enum class Escape {
    None,
    Tsv,   // tab, CR, LF and backslash as \t \r \n and "\\"
    Json,  // the inside of a JSON string
    Html,  // a card's field: as htmlEntityOf() writes its characters
};

// The most bytes encodeUtf8() writes for a UTF-16 unit: an escaped control character in
// JSON, "&quot;".
inline constexpr std::size_t kMostUtf8Bytes = 6;

// Writes text at to in UTF-8, escaped for its place, and returns the end; to has room for
// kMostUtf8Bytes a unit. Half of a surrogate pair on its own, which is no character, is
// written "?", as the text file writes it: a caller that cuts text in pieces cuts it
// between pairs.
char* encodeUtf8(char* to, QStringView text, Escape escape);

}  // namespace lexiquill::output
