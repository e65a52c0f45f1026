#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "service/word_store.h"

namespace lexiquill::service {

// A kind of word a sentence takes: a part of speech in one form, with the traits it needs.
struct GrammarSlot {
    std::string name;
    PartOfSpeech part = PartOfSpeech::Noun;
    WordForm form = WordForm::Base;
    WordTraits needed = 0;  // every one of these
    WordTraits anyOf = 0;   // when not 0, at least one of these
    WordTraits refused = 0;
    // Words the slot takes only ("=of"), or never ("!of"); a word of grammar may read well in
    // one place of a sentence and not in another.
    std::vector<std::string> only;
    std::vector<std::string> never;
    float score = 0;  // how much the slot adds to a plan that uses it

    bool fits(const WordEntry& entry) const
    {
        const auto listed = [&entry](const std::vector<std::string>& words) {
            return std::find(words.begin(), words.end(), entry.word) != words.end();
        };
        return entry.part == part && entry.has(needed) && (entry.traits & refused) == 0 &&
               (anyOf == 0 || (entry.traits & anyOf) != 0) && !entry.form(form).empty() &&
               (only.empty() || listed(only)) && !listed(never);
    }
};

// One word of a sentence: from a state, a word of the slot leads to the next state.
struct GrammarStep {
    int from = 0;
    int slot = 0;
    int to = 0;
    float score = 0;
    char before = 0;  // punctuation before the word (after the one before it)
    char after = 0;   // punctuation after the word
};

// A grammar of sentence shapes as a finite automaton: states, the kinds of word each state
// takes and where they lead, and the states where a sentence may end (with a full stop). It is
// data: another language is another text for readGrammar.
struct Grammar {
    std::vector<GrammarSlot> wordSlots;
    std::vector<std::string> states;
    std::vector<GrammarStep> steps;  // grouped by their state
    std::vector<int> firstStep;      // per state, where its steps begin; one more at the end
    std::vector<float> endScore;     // per state; kNoEnd where no sentence may end
    std::vector<int> endStates;      // those where one may
    int start = 0;
    // A word of the part with the trait needs the next word to carry the trait too ("an").
    struct NextRule {
        PartOfSpeech part;
        WordTraits trait;
    };
    std::vector<NextRule> nextRules;

    static constexpr float kNoEnd = -1e30f;
};

// Reads a grammar:
//   start STATE
//   slot NAME PART FORM [+TRAIT|-TRAIT|+TRAIT|TRAIT...|=WORD|!WORD]... SCORE
//   step FROM SLOT TO SCORE    (",SLOT" puts a comma before the word, "SLOT," after it)
//   end STATE SCORE
//   next PART TRAIT
// FORM is base, plural, s or past; a "{a|b}" in a line makes one line of each choice, the same
// choices of groups that read alike together. "#" starts a comment. Throws
// std::invalid_argument naming the line it cannot read.
Grammar readGrammar(std::string_view text);

// The shapes of English sentences the planner builds.
const Grammar& englishGrammar();

}  // namespace lexiquill::service
