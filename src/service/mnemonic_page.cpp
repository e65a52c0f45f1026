#include "service/mnemonic_page.h"

namespace lexiquill::service {

namespace {

// A letter with fewer candidates than this of the wanted part of speech draws from all its
// words instead: English has too few common X, Z, Y, Q and K words of some kinds, and a
// phrase that bends its shape there reads better than the same word every time.
constexpr std::size_t kFewestForShape = 5;

// SplitMix64: a few arithmetic operations per word, and well spread even for seeds that
// differ in one bit, which the callers' seeds often do.
class Draw {
public:
    explicit Draw(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::size_t below(std::size_t bound)
    {
        // The bias of the remainder is negligible for word lists of a few thousand.
        return static_cast<std::size_t>(next() % bound);
    }

private:
    std::uint64_t m_state;
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
    for (std::size_t i = 0; i < letters.size(); ++i) {
        const char letter = letters[i];
        const char lower = static_cast<char>(letter - 'A' + 'a');
        std::span<const std::string_view> choices = store.words(lower, shape[i]);
        if (choices.size() < kFewestForShape) choices = store.words(lower);
        page += "<big>";
        page += letter;
        page += "</big>";
        if (!choices.empty()) page += choices[draw.below(choices.size())].substr(1);
        page += "<br>\n";
    }
    page += kTail;
    return page;
}

}  // namespace lexiquill::service
