#include "service/mnemonic_page.h"

#include <algorithm>

#include "service/draw.h"

namespace lexiquill::service {

namespace {

// A letter with fewer candidates than this of the wanted part of speech draws from all its
// words instead: English has too few common X, Z, Y, Q and K words of some kinds, and a
// phrase that bends its shape there reads better than the same word every time.
constexpr std::size_t kFewestForShape = 5;

// The words a page has given, by their keys in the store.
class UsedWords {
public:
    explicit UsedWords(const WordStore& store) : m_store(store), m_used(store.wordKeys()) {}

    bool contains(std::string_view word) const { return m_used[m_store.keyOf(word)]; }
    void insert(std::string_view word) { m_used[m_store.keyOf(word)] = true; }
    void erase(std::string_view word) { m_used[m_store.keyOf(word)] = false; }

    // The first word from `start` on, going round, that the page has not given yet; empty
    // when it has given them all.
    std::string_view firstUnused(std::span<const std::string_view> choices, std::size_t start) const
    {
        for (std::size_t i = 0; i < choices.size(); ++i) {
            const std::string_view word = choices[(start + i) % choices.size()];
            if (!contains(word)) return word;
        }
        return {};
    }

private:
    const WordStore& m_store;
    std::vector<bool> m_used;
};

constexpr std::string_view kHead =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Mnemonics</title></head>"
    "<body>\n";
constexpr std::string_view kTail = "</body></html>\n";

}  // namespace

std::vector<PartOfSpeech> phraseShape(std::size_t count)
{
    using enum PartOfSpeech;
    std::vector<PartOfSpeech> shape;
    shape.reserve(count);
    if (count == 1) return {Noun};
    if (count == 2) return {Noun, Verb};
    // Groups of three (adjective, noun, verb); what is left over makes the last group one of
    // four (two adjectives) or of two (noun, verb).
    std::size_t left = count;
    while (left > 0) {
        if (left == 4) {
            shape.insert(shape.end(), {Adjective, Adjective, Noun, Verb});
            left = 0;
        } else if (left == 2) {
            shape.insert(shape.end(), {Noun, Verb});
            left = 0;
        } else {
            shape.insert(shape.end(), {Adjective, Noun, Verb});
            left -= 3;
        }
    }
    return shape;
}

std::string mnemonicPage(std::string_view letters, std::uint64_t seed, const WordStore& store)
{
    std::string page;
    page.reserve(kHead.size() + kTail.size() + letters.size() * 24);
    page += kHead;
    const std::vector<PartOfSpeech> shape = phraseShape(letters.size());
    Draw draw(seed);
    UsedWords used(store);
    // Which letters' parts of speech a long phrase has used up, so that each later word of
    // the kind goes straight to the letter's other words instead of searching again.
    bool spent[26][3] = {};
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const char letter = letters[i];
        const char lower = static_cast<char>(letter - 'A' + 'a');
        const std::span<const std::string_view> all = store.words(lower);
        std::span<const std::string_view> choices = store.words(lower, shape[i]);
        if (choices.size() < kFewestForShape) choices = all;
        page += "<big>";
        page += letter;
        page += "</big>";
        if (!choices.empty()) {
            // No word twice in a page ("Eastern Eel Eastern" reads as a slip): another word of
            // the same part of speech, else of any; only when a long phrase has used the whole
            // letter do its words start over.
            const std::size_t pick = draw.below(choices.size());
            bool& partSpent = spent[lower - 'a'][static_cast<int>(shape[i])];
            std::string_view word =
                partSpent ? std::string_view() : used.firstUnused(choices, pick);
            if (word.empty()) {
                partSpent = true;
                word = used.firstUnused(all, pick);
            }
            if (word.empty()) {
                for (const std::string_view w : all) used.erase(w);
                std::fill(std::begin(spent[lower - 'a']), std::end(spent[lower - 'a']), false);
                word = choices[pick];
            }
            used.insert(word);
            page += word.substr(1);
        }
        page += "<br>\n";
    }
    page += kTail;
    return page;
}

}  // namespace lexiquill::service
