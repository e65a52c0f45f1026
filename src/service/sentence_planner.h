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

private:
    const WordStore& m_store;
    const Grammar& m_grammar;
    std::vector<std::vector<const WordEntry*>> m_fits[26];
};

}  // namespace lexiquill::service
