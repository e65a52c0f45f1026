// Feeds arbitrary request targets to the service's query handling and page builder, and
// checks what a client relies on: one marker per letter, in order, each word plain letters.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "service/mnemonic_page.h"
#include "service/mnemonic_query.h"
#include "service/mnemonic_sentence.h"
#include "service/mnemonic_words.h"

namespace {

std::size_t count(std::string_view text, std::string_view part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size())) {
        ++n;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace lexiquill::service;
    if (size == 0) return 0;
    // The first byte repeats the rest up to 16 times: phrases long enough to use up the words
    // of a letter and to outgrow the page's first reserve.
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string repeated;
    for (int i = 0; i <= data[0] % 16; ++i) repeated += rest;
    const std::string_view target = repeated;

    check(decodeQueryComponent(target).size() <= target.size());

    const MnemonicQuery query = parseMnemonicQuery(target);
    check(!(query.badSeed && query.seed));
    check(query.phrase.size() <= target.size());

    const std::string letters = mnemonicLetters(query.phrase);
    std::size_t asciiLetters = 0;
    for (const char c : query.phrase)
        asciiLetters += std::isalpha(static_cast<unsigned char>(c)) != 0;
    check(letters.size() >= asciiLetters);
    check(letters.size() <=
          asciiLetters + count(query.phrase, "\xC4\xB1") + count(query.phrase, "\xC5\xBF"));

    const std::uint64_t seed = query.seed.value_or(size);
    const std::string page = mnemonicPage(letters, seed);
    check(page == mnemonicPage(letters, seed));
    check(count(page, "<big>") == letters.size() && count(page, "<br>") == letters.size());

    // The client's reading: marker, then the rest of the word up to the next "<br>".
    std::size_t at = 0;
    for (const char letter : letters) {
        check(letter >= 'A' && letter <= 'Z');
        const std::string marker = std::string("<big>") + letter + "</big>";
        at = page.find(marker, at);
        check(at != std::string::npos);
        const std::size_t restBegin = at + marker.size();
        const std::size_t end = page.find("<br>", restBegin);
        check(end != std::string::npos && end - restBegin >= 1 && end - restBegin <= 13);
        for (std::size_t i = restBegin; i < end; ++i) check(page[i] >= 'a' && page[i] <= 'z');
        at = end;
    }

    // The other words of a letter: JSON of plain words, or one line saying why not.
    const OtherWords other = otherWords(target);
    const std::string_view body = other.body;
    check(!body.empty() && (body.back() == '\n') == !other.ok);
    if (other.ok) {
        check(body.starts_with("{\"letter\":\"") && body.ends_with("]}"));
        check(body.size() <= 80 + 50 * (13 + 16));
        check(otherWords(target).body == body);
    }

    // The sentence: one line of JSON, the same every time, or one line saying why not.
    const std::string line = sentenceAnswer(target, size).body;
    check(!line.empty() && line.find('\n') == line.size() - 1 &&
          sentenceAnswer(target, size).body == line);
    return 0;
}
