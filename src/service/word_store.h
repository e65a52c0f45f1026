#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace lexiquill::service {

enum class PartOfSpeech { Adjective, Noun, Verb };

// The words the service draws from, grouped by initial letter and part of speech. Built once
// from the word list compiled into the program; the words are views into that list.
class WordStore {
public:
    // Reads "adjective clever" lines; blank lines and lines starting with "#" are skipped,
    // and so is anything that is not a word of 3 to 10 letters a to z.
    explicit WordStore(std::string_view text);

    // The store over the built-in word list.
    static const WordStore& builtIn();

    // Words starting with the lower-case letter ('a' to 'z') of one part of speech.
    std::span<const std::string_view> words(char letter, PartOfSpeech part) const;
    // All words starting with the letter, whatever their part of speech.
    std::span<const std::string_view> words(char letter) const;

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
    std::vector<std::string_view> m_byPart[26][kParts];
    std::vector<std::string_view> m_byLetter[26];
};

}  // namespace lexiquill::service
