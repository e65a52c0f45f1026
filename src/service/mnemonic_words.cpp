#include "service/mnemonic_words.h"

#include <optional>
#include <utility>
#include <vector>

#include "service/draw.h"
#include "service/mnemonic_page.h"
#include "service/mnemonic_query.h"

namespace lexiquill::service {

namespace {

constexpr std::uint64_t kDefaultCount = 8;
constexpr std::uint64_t kMostCount = 50;

OtherWords refused(std::string reason) { return {false, std::move(reason) + "\n"}; }

struct Offered {
    std::string_view word;
    PartOfSpeech part;
};

// The words that fit the place the sentence gives the letter, in the form it takes there ("Kings"
// for a plural subject), then the letter's others as listed; each group in the store's order
// (the most familiar first) or shuffled by the draw, the wide tier included.
std::vector<Offered> chooseWords(const SentencePlanner& planner, char letter,
                                 const PlannedWord& place, std::string_view start,
                                 std::size_t count, std::optional<std::uint64_t> seed)
{
    const WordStore& store = planner.store();
    std::optional<Draw> draw;
    if (seed) draw.emplace(*seed);
    UsedWords taken(store);
    std::vector<Offered> chosen;
    for (const bool fitting : {true, false}) {
        const GrammarSlot* slot =
            fitting && place.slot >= 0 ? &planner.grammar().wordSlots[place.slot] : nullptr;
        std::vector<Offered> words;
        for (const WordEntry* entry :
             fitting ? store.allWords(letter, place.part) : store.allWords(letter)) {
            if (slot && !slot->fits(*entry)) continue;
            const std::string_view word = entry->form(slot ? slot->form : WordForm::Base);
            if (!word.starts_with(start) || taken.contains(*entry)) continue;
            taken.insert(*entry);
            words.push_back({word, entry->part});
        }
        if (draw) {
            for (std::size_t i = words.size(); i > 1; --i) {
                std::swap(words[i - 1], words[draw->below(i)]);
            }
        }
        for (const Offered& word : words) {
            if (chosen.size() == count) return chosen;
            chosen.push_back(word);
        }
    }
    return chosen;
}

std::string json(char letter, PartOfSpeech part, const std::vector<Offered>& words)
{
    // The words are plain letters a to z: nothing to escape.
    std::string body = "{\"letter\":\"";
    body += letter;
    body += "\",\"part\":\"";
    body += partName(part);
    body += "\",\"words\":[";
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) body += ',';
        body += '"';
        body += static_cast<char>(words[i].word[0] - 'a' + 'A');
        body += words[i].word.substr(1);
        body += '"';
    }
    body += "],\"parts\":[";
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) body += ',';
        body += '"';
        body += partName(words[i].part);
        body += '"';
    }
    body += "]}";
    return body;
}

}  // namespace

OtherWords otherWords(std::string_view target, const SentencePlanner& planner)
{
    std::optional<std::uint64_t> seed;
    if (const std::optional<std::string> text = queryParameter(target, "seed")) {
        seed = wholeNumber(*text);
        if (!seed) return refused(std::string(kBadSeed));
    }
    std::uint64_t count = kDefaultCount;
    if (const std::optional<std::string> text = queryParameter(target, "n")) {
        const std::optional<std::uint64_t> n = wholeNumber(*text);
        if (!n || *n < 1 || *n > kMostCount) {
            return refused("n must be a whole number from 1 to " + std::to_string(kMostCount));
        }
        count = *n;
    }

    const std::string phrase = queryParameter(target, "w").value_or(std::string());
    const std::optional<std::uint64_t> at = wholeNumber(queryParameter(target, "at").value_or(""));
    if (!at || *at == 0) {
        return refused(
            "at must be the position of a character of the phrase, a whole number "
            "from 1");
    }
    // Where the character at that position begins, and how long it is.
    std::uint64_t characters = 0;
    std::size_t found = phrase.size();
    std::size_t length = 0;
    for (std::size_t offset = 0; offset < phrase.size(); offset += length) {
        length = characterLength(std::string_view(phrase).substr(offset));
        if (++characters == *at) found = offset;
    }
    const std::string position = "position " + std::to_string(*at);
    if (*at > characters) {
        return refused(position + " is beyond the phrase, which has " + std::to_string(characters) +
                       " characters");
    }
    const std::string_view rest = std::string_view(phrase).substr(found);
    const std::string letter = mnemonicLetters(rest.substr(0, characterLength(rest)));
    if (letter.size() != 1) return refused(position + " of the phrase is not a letter A to Z");
    const char lower = static_cast<char>(letter[0] - 'A' + 'a');

    std::string start(1, lower);
    if (const std::optional<std::string> text = queryParameter(target, "start")) {
        start = lowerCaseLetters(*text).value_or("");
        if (start.empty() || start.size() > kLongestStart) {
            return refused("start must be 1 to " + std::to_string(kLongestStart) +
                           " letters A to Z");
        }
        if (start[0] != lower) {
            return refused("start must begin with the letter at " + position + ", " + letter);
        }
    }

    // The place the sentence planned for the phrase (with the seed, as its page) gives the letter.
    const std::size_t index = mnemonicLetters(std::string_view(phrase).substr(0, found)).size();
    const PlannedWord place = planner.plan(letterRequest(mnemonicLetters(phrase), seed)).at(index);
    return {true,
            json(letter[0], place.part, chooseWords(planner, lower, place, start, count, seed))};
}

}  // namespace lexiquill::service
