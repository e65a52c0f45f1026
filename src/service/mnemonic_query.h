#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lexiquill::service {

// What a request for mnemonics asks for, read from the raw query of the request target.
struct MnemonicQuery {
    std::string phrase;                 // the decoded value of w (bytes, meant as UTF-8)
    std::optional<std::uint64_t> seed;  // present when seed= held a whole number
    bool badSeed = false;               // seed= was given but is not a whole number
};

// Decodes one query component: "+" is a blank, %XX is the byte XX. A "%" that is not
// followed by two hexadecimal digits stands for itself.
std::string decodeQueryComponent(std::string_view text);
// Decodes a request path: %XX is the byte XX, and "+" stays itself.
std::string decodePath(std::string_view text);

// Reads w and seed from a request target ("/mnemonics/?w=cat&seed=4"): everything after its
// first "?" is the query, parameters are separated by "&". A repeated parameter takes its
// first value; unknown parameters are ignored.
MnemonicQuery parseMnemonicQuery(std::string_view target);

// The letters A to Z that the phrase spells, in order: each character of the UTF-8 text is
// upper-cased and kept when it then is one of A to Z. Bytes that are not valid UTF-8 are
// characters that are not letters.
std::string mnemonicLetters(std::string_view utf8);

}  // namespace lexiquill::service
