#include "service/mnemonic_sentence.h"

#include <algorithm>
#include <optional>

#include "service/mnemonic_page.h"
#include "service/mnemonic_query.h"
#include "service/sentence_planner.h"

namespace lexiquill::service {

namespace {

SentenceAnswer refused(std::string reason) { return {false, false, std::move(reason) + "\n"}; }

// The entries of a comma-separated list; an absent list has none, an empty one has one.
std::vector<std::string> entries(const std::optional<std::string>& list)
{
    std::vector<std::string> out;
    if (!list) return out;
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = list->find(',', from);
        out.push_back(list->substr(from, comma - from));
        if (comma == std::string::npos) return out;
        from = comma + 1;
    }
}

void appendJsonString(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

// Letters a to z as the page shows them, the initial in capitals.
std::string capitalised(std::string_view letters)
{
    std::string text(letters);
    if (!text.empty()) text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

std::string json(const std::vector<PlannedWord>& plan, const PlanRequest& request)
{
    std::string sentence;
    std::string words;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const bool kept = i < request.keep.size() && !request.keep[i].empty();
        // A kept word goes back as it was given.
        const std::string text = kept ? plan[i].word : capitalised(plan[i].word);
        if (i > 0) {
            sentence += ' ';
            words += ',';
        }
        sentence += text;
        if (plan[i].after) sentence += plan[i].after;
        words += "{\"word\":";
        appendJsonString(words, text);
        words += ",\"part\":\"";
        words += partName(plan[i].part);
        words += "\",\"start\":\"";
        words += capitalised(plan[i].start);
        words += "\"}";
    }
    std::string body = "{\"sentence\":";
    appendJsonString(body, sentence);
    body += ",\"words\":[" + words + "]}\n";
    return body;
}

}  // namespace

SentenceAnswer sentenceAnswer(std::string_view target, std::uint64_t freshSeed,
                              const SentencePlanner& planner)
{
    PlanRequest request;
    request.seed = freshSeed;
    const std::optional<std::string> seed = queryParameter(target, "seed");
    if (seed) {
        const std::optional<std::uint64_t> number = wholeNumber(*seed);
        if (!number) return refused(std::string(kBadSeed));
        request.seed = *number;
    }
    if (const std::optional<std::string> starts = queryParameter(target, "starts")) {
        for (const std::string& entry : entries(starts)) {
            const std::optional<std::string> start = lowerCaseLetters(entry);
            if (!start || start->empty() || start->size() > kLongestStart) {
                return refused("starts must be a comma-separated list of 1 to " +
                               std::to_string(kLongestStart) + " letters A to Z each");
            }
            request.starts.push_back(*start);
        }
    } else {
        request.starts =
            letterRequest(mnemonicLetters(queryParameter(target, "w").value_or("")), {}).starts;
    }
    request.keep = entries(queryParameter(target, "keep"));
    if (request.keep.size() > request.starts.size()) {
        return refused("keep has more entries than the sentence has words (" +
                       std::to_string(request.starts.size()) + ")");
    }
    for (const std::string& word : request.keep) {
        if (word.find_first_of(" .") != std::string::npos ||
            std::any_of(word.begin(), word.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            return refused("keep must hold words without blanks or full stops");
        }
    }
    // An item of several words ("New York") has each of them avoided.
    std::string word;
    for (const char c : queryParameter(target, "avoid").value_or("") + ",") {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            word += static_cast<char>(c | 0x20);
        } else if (!word.empty()) {
            request.avoid.push_back(std::move(word));
            word.clear();
        }
    }
    return {true, seed.has_value(), json(planner.plan(request), request)};
}

}  // namespace lexiquill::service
