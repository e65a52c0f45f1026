#pragma once

#include <string>
#include <string_view>

#include "service/sentence_planner.h"

namespace lexiquill::service {

// The answer to GET /mnemonics/words?w=PHRASE&at=N[&n=COUNT][&seed=S][&start=LETTERS]: up to
// COUNT (default 8, at most 50) words for the letter A to Z at character N (from 1, counting
// UTF-8 characters) of the phrase: those that fit the letter's place in the sentence planned
// for the phrase (its page's sentence with the same seed), in the form they take there, then
// the letter's other words; each beginning with LETTERS when given. Without a seed the most
// familiar words come first; with one, a reproducible draw. No word twice.
struct OtherWords {
    bool ok = false;
    // When ok: {"letter":"A","part":"noun","words":["Ant","Apple"],"parts":["noun","noun"]}:
    // the part of the letter's place, the words, and each word's own part; else the reason
    // the request is refused, one line.
    std::string body;
};

OtherWords otherWords(std::string_view target,
                      const SentencePlanner& planner = SentencePlanner::builtIn());

}  // namespace lexiquill::service
