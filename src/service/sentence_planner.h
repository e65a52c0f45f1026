#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/sentence_grammar.h"
#include "service/word_store.h"

namespace lexiquill::service {

// What a sentence is planned for: one word per start.
struct PlanRequest {
    std::vector<std::string> starts;  // 1 to 3 lower-case letters each
    std::vector<std::string> keep;    // by position, as the user typed it; empty: free
    std::vector<std::string> avoid;   // lower-case words that no form of may be used
    // The draw, which also varies the shape among the shapes that fit about as well; without
    // one the shape is the best fit and the words the most familiar.
    std::optional<std::uint64_t> seed;
};

struct PlannedWord {
    std::string word;  // lower case, or a kept word as it was given; empty when the store has
                       // no word for the start
    PartOfSpeech part = PartOfSpeech::Noun;
    std::string start;  // the start it begins with: the requested one or its first letter
    char after = 0;     // the punctuation after it: '.', ',' or none
    int slot = -1;      // the grammar's slot it fills; -1 for a kept word or one outside a shape
};

// Plans sentences over a word store with a grammar: first the shape over the whole sequence
// (a dynamic programme over positions and the grammar's states, linear in the length), then a
// draw of words for it that keeps the rules a shape cannot: no word twice, an "an" only before
// a word that takes it.
class SentencePlanner {
public:
    SentencePlanner(const WordStore& store, const Grammar& grammar);

    // The planner over the built-in words and the English grammar.
    static const SentencePlanner& builtIn();

    // The words of one or more sentences for the starts, the same for the same request.
    std::vector<PlannedWord> plan(const PlanRequest& request) const;

    const WordStore& store() const { return m_store; }
    const Grammar& grammar() const { return m_grammar; }
    // The words drawn for sentences that fit the slot, by the letter their form begins with.
    WordGroup fits(char letter, int slot) const { return m_fits[letter - 'a'][slot]; }

    // The grammar's steps in the plan's inner loop: those whose slot has words of the letter,
    // or all of them. Steps alike but for the state they leave are one group, whose value is
    // worked out once; then each state takes the best of its sources, groups or states worked
    // out before it.
    struct StepTable {
        struct Group {
            std::uint16_t slot;
            std::uint16_t to;
            float score;
        };
        // value[state] = max(value[state], value[from]); a from of the states' count and more
        // is a group.
        struct Step {
            std::uint16_t state;
            std::uint16_t from;
        };
        std::vector<Group> groups;
        std::vector<Step> steps;
    };
    float slotScore(std::size_t slot) const { return m_slotScores[slot]; }
    // What each slot adds for the letter before the draw: its score, or Grammar::kNoEnd where
    // the letter has no word for it. Up to as many places of the letter as its slot with the
    // fewest words has words, the scores hold as they are.
    const float* letterScores(char letter) const
    {
        return &m_letterScores[static_cast<std::size_t>(letter - 'a') * m_slotScores.size()];
    }
    std::size_t fewestWords(char letter) const { return m_fewestWords[letter - 'a']; }
    const StepTable& steps(char letter) const { return m_steps[letter - 'a']; }
    const StepTable& allSteps() const { return m_steps[26]; }

private:
    const WordStore& m_store;
    const Grammar& m_grammar;
    std::vector<std::vector<const WordEntry*>> m_fits[26];
    StepTable m_steps[27];
    std::vector<float> m_slotScores;  // the grammar's, side by side
    std::vector<float> m_letterScores;
    std::size_t m_fewestWords[26];
};

}  // namespace lexiquill::service
