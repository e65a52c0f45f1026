#include "service/sentence_planner.h"

#include <algorithm>

#include "service/draw.h"
#include "service/mnemonic_page.h"

namespace lexiquill::service {

namespace {

bool avoided(std::string_view word, const std::vector<std::string>& avoid)
{
    return std::any_of(avoid.begin(), avoid.end(), [word](const std::string& a) {
        return word == a ||
               (word.size() == a.size() + 1 && word.starts_with(a) && word.back() == 's');
    });
}

}  // namespace

std::vector<PlannedWord> planSentence(const PlanRequest& request, const WordStore& store)
{
    const std::vector<PartOfSpeech> shape = phraseShape(request.starts.size());
    std::vector<PlannedWord> plan(request.starts.size());
    std::vector<bool> used(store.wordKeys());
    Draw draw(request.seed);
    for (std::size_t i = 0; i < plan.size(); ++i) {
        PlannedWord& planned = plan[i];
        planned.part = shape[i];
        if (i < request.keep.size() && !request.keep[i].empty()) {
            planned.word = request.keep[i];
            planned.start = request.starts[i];
            continue;
        }
        const std::string& start = request.starts[i];
        std::vector<std::string_view> choices;
        for (const std::string_view prefix :
             {std::string_view(start), std::string_view(start).substr(0, 1)}) {
            for (const std::string_view word : store.allWords(prefix[0], shape[i])) {
                if (word.starts_with(prefix) && !used[store.keyOf(word)] &&
                    !avoided(word, request.avoid)) {
                    choices.push_back(word);
                }
            }
            planned.start = prefix;
            if (!choices.empty()) break;
        }
        if (choices.empty()) continue;
        const std::string_view word = choices[draw.below(choices.size())];
        used[store.keyOf(word)] = true;
        planned.word = word;
    }
    if (!plan.empty()) plan.back().after = '.';
    return plan;
}

}  // namespace lexiquill::service
