#include "service/mnemonic_page.h"

namespace lexiquill::service {

namespace {

constexpr std::string_view kHead =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Mnemonics</title></head>"
    "<body>\n";
constexpr std::string_view kTail = "</body></html>\n";

}  // namespace

PlanRequest letterRequest(std::string_view letters, std::optional<std::uint64_t> seed)
{
    PlanRequest request;
    request.seed = seed;
    request.starts.reserve(letters.size());
    for (const char letter : letters) {
        request.starts.emplace_back(1, static_cast<char>(letter - 'A' + 'a'));
    }
    return request;
}

std::string mnemonicPage(std::string_view letters, std::uint64_t seed,
                         const SentencePlanner& planner)
{
    const std::vector<PlannedWord> plan = planner.plan(letterRequest(letters, seed));
    std::string page;
    page.reserve(kHead.size() + kTail.size() + letters.size() * 24);
    page += kHead;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        page += "<big>";
        page += letters[i];
        page += "</big>";
        // Planned for the letter, so it begins with it.
        if (!plan[i].word.empty()) page += std::string_view(plan[i].word).substr(1);
        page += "<br>\n";
    }
    page += kTail;
    return page;
}

}  // namespace lexiquill::service
