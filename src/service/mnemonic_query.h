#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lexiquill::service {

// Why a seed= is refused.
inline constexpr std::string_view kBadSeed =
    "seed must be a whole number from 0 to 18446744073709551615";

// The longest start a word may be asked to begin with: the cues of items that share an initial.
inline constexpr std::size_t kLongestStart = 3;

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

// The first value of the parameter `name` of a request target's query (everything after its
// first "?", parameters separated by "&"), decoded; nothing when the query does not name it.
std::optional<std::string> queryParameter(std::string_view target, std::string_view name);

// A whole number of decimal digits only, as seed= and the like take it; nothing for anything
// else (a sign, a blank, a number beyond 64 bits).
std::optional<std::uint64_t> wholeNumber(std::string_view text);

// Reads w and seed from a request target ("/mnemonics/?w=cat&seed=4"): everything after its
// first "?" is the query, parameters are separated by "&". A repeated parameter takes its
// first value; unknown parameters are ignored.
MnemonicQuery parseMnemonicQuery(std::string_view target);

// The length in bytes of the UTF-8 character that `utf8` begins with: a byte that does not
// begin a complete sequence is a character of its own.
std::size_t characterLength(std::string_view utf8);

// The letters A to Z that the phrase spells, in order: each character of the UTF-8 text is
// upper-cased and kept when it then is one of A to Z. Bytes that are not valid UTF-8 are
// characters that are not letters.
std::string mnemonicLetters(std::string_view utf8);

}  // namespace lexiquill::service
