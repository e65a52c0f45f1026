#pragma once

#include <string>
#include <string_view>

#include "service/sentence_planner.h"

namespace lexiquill::service {

// The answer to GET /mnemonics/sentence?w=PHRASE[&seed=S][&starts=LIST][&keep=LIST][&avoid=LIST]:
// the planned sentence for the phrase's letters A to Z (or for the comma-separated starts of
// 1 to 3 letters), as one line of JSON:
//   {"sentence":"Kings Play Chess.","words":[{"word":"Kings","part":"noun","start":"K"},...]}
// keep holds words kept by position (an empty entry is free), avoid words that no form of may
// be used. Without a seed, a fresh draw.
struct SentenceAnswer {
    bool ok = false;
    bool seeded = false;  // the request named its seed: the same answer every time
    // When ok, the JSON and a line feed; else the reason the request is refused, one line.
    std::string body;
};

SentenceAnswer sentenceAnswer(std::string_view target, std::uint64_t freshSeed,
                              const SentencePlanner& planner = SentencePlanner::builtIn());

}  // namespace lexiquill::service
