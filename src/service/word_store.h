#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace lexiquill::service {

enum class PartOfSpeech { Adjective, Noun, Verb };

// The part's name in the service's answers: "noun".
std::string_view partName(PartOfSpeech part);

// The words the service draws from, grouped by initial letter and part of speech, each group in
// the list's order (the most familiar first). Built once from the word list compiled into the
// program; the words are views into that list.
class WordStore {
public:
    // Reads "adjective clever" lines, and "noun abacus wide" for the wide tier: words offered
    // only as other words and for starts of a few letters, never drawn for a page. Blank lines
    // and lines starting with "#" are skipped, and so is anything that is not a word of 3 to
    // 10 letters a to z.
    explicit WordStore(std::string_view text);

    // The store over the built-in word list.
    static const WordStore& builtIn();

    // Words starting with the lower-case letter ('a' to 'z') of one part of speech.
    std::span<const std::string_view> words(char letter, PartOfSpeech part) const;
    // All words starting with the letter, whatever their part of speech.
    std::span<const std::string_view> words(char letter) const;
    // The same, the wide tier included.
    std::span<const std::string_view> allWords(char letter, PartOfSpeech part) const;
    std::span<const std::string_view> allWords(char letter) const;

    // A number below wordKeys() that tells the store's words apart by their text, so that a
    // word listed as two parts of speech ("amber") has one key.
    std::size_t keyOf(std::string_view word) const
    {
        return static_cast<std::size_t>(word.data() - m_text.data());
    }
    std::size_t wordKeys() const { return m_text.size(); }

private:
    std::string_view m_text;
    static constexpr int kParts = 3;
    // [0]: the words pages draw from; [1]: those and the wide tier.
    std::vector<std::string_view> m_byPart[2][26][kParts];
    std::vector<std::string_view> m_byLetter[2][26];
};

}  // namespace lexiquill::service
