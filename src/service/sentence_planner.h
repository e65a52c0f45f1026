#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/word_store.h"

namespace lexiquill::service {

// What a sentence is planned for: one word per start.
struct PlanRequest {
    std::vector<std::string> starts;  // 1 to 3 lower-case letters each
    std::vector<std::string> keep;    // by position, as the user typed it; empty: free
    std::vector<std::string> avoid;   // lower-case words that no form of may be used
    std::uint64_t seed = 0;
};

struct PlannedWord {
    std::string word;  // lower case, or a kept word as it was given
    PartOfSpeech part = PartOfSpeech::Noun;
    std::string start;  // the start it begins with: the requested one or its first letter
    char after = 0;     // the punctuation after it: '.', ',' or none
};

// The words of one or more sentences for the starts, the same for the same request.
std::vector<PlannedWord> planSentence(const PlanRequest& request,
                                      const WordStore& store = WordStore::builtIn());

}  // namespace lexiquill::service
