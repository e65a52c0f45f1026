#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "service/word_store.h"

namespace lexiquill::service {

// The parts of speech that make a sequence of `count` words read like a little phrase:
// "Clever Ants Travel" is adjective, noun, verb. Long sequences repeat the shape.
std::vector<PartOfSpeech> phraseShape(std::size_t count);

// The page for the letters (each 'A' to 'Z'): one "<big>X</big>rest<br>" line per letter, in
// order, inside a small HTML document. The same letters and seed always give the same page.
std::string mnemonicPage(std::string_view letters, std::uint64_t seed,
                         const WordStore& store = WordStore::builtIn());

}  // namespace lexiquill::service
