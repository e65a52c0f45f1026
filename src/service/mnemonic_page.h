#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "service/sentence_planner.h"

namespace lexiquill::service {

// The page for the letters (each 'A' to 'Z'): one "<big>X</big>rest<br>" line per letter, in
// order, inside a small HTML document; the words are those of the sentence planned for the
// letters with the seed, without its punctuation. The same letters and seed always give the
// same page.
std::string mnemonicPage(std::string_view letters, std::uint64_t seed,
                         const SentencePlanner& planner = SentencePlanner::builtIn());

// The plan request for the letters 'A' to 'Z', one start each.
PlanRequest letterRequest(std::string_view letters, std::optional<std::uint64_t> seed);

}  // namespace lexiquill::service
