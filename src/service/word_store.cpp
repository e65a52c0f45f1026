#include "service/word_store.h"

#include <cstddef>
#include <unordered_map>

namespace lexiquill::service {

extern const char kMnemonicWords[];
extern const std::size_t kMnemonicWordsSize;

namespace {

bool isWord(std::string_view word)
{
    if (word.size() < 3 || word.size() > 10) return false;
    for (const char c : word) {
        if (c < 'a' || c > 'z') return false;
    }
    return true;
}

}  // namespace

std::string_view partName(PartOfSpeech part)
{
    switch (part) {
        case PartOfSpeech::Adjective:
            return "adjective";
        case PartOfSpeech::Noun:
            return "noun";
        case PartOfSpeech::Verb:
            break;
    }
    return "verb";
}

WordStore::WordStore(std::string_view text) : m_text(text)
{
    // Every listing of a word is a view of its first one: the word's key.
    std::unordered_map<std::string_view, std::string_view> first;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos) continue;
        const std::string_view part = line.substr(0, blank);
        std::string_view word = line.substr(blank + 1);
        const std::size_t tierBlank = word.find(' ');
        const bool wide = tierBlank != std::string_view::npos;
        if (wide && word.substr(tierBlank + 1) != "wide") continue;
        word = word.substr(0, tierBlank);
        if (!isWord(word)) continue;
        word = first.try_emplace(word, word).first->second;
        int index = 0;
        if (part == "adjective") {
            index = static_cast<int>(PartOfSpeech::Adjective);
        } else if (part == "noun") {
            index = static_cast<int>(PartOfSpeech::Noun);
        } else if (part == "verb") {
            index = static_cast<int>(PartOfSpeech::Verb);
        } else {
            continue;
        }
        const int letter = word.front() - 'a';
        for (int tier = wide ? 1 : 0; tier < 2; ++tier) {
            m_byPart[tier][letter][index].push_back(word);
            m_byLetter[tier][letter].push_back(word);
        }
    }
}

const WordStore& WordStore::builtIn()
{
    static const WordStore store(std::string_view(kMnemonicWords, kMnemonicWordsSize));
    return store;
}

std::span<const std::string_view> WordStore::words(char letter, PartOfSpeech part) const
{
    if (letter < 'a' || letter > 'z') return {};
    return m_byPart[0][letter - 'a'][static_cast<int>(part)];
}

std::span<const std::string_view> WordStore::words(char letter) const
{
    if (letter < 'a' || letter > 'z') return {};
    return m_byLetter[0][letter - 'a'];
}

std::span<const std::string_view> WordStore::allWords(char letter, PartOfSpeech part) const
{
    if (letter < 'a' || letter > 'z') return {};
    return m_byPart[1][letter - 'a'][static_cast<int>(part)];
}

std::span<const std::string_view> WordStore::allWords(char letter) const
{
    if (letter < 'a' || letter > 'z') return {};
    return m_byLetter[1][letter - 'a'];
}

}  // namespace lexiquill::service
