#include "service/sentence_planner.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "service/draw.h"

namespace lexiquill::service {

namespace {

constexpr float kNone = Grammar::kNoEnd;
// Below this a score means "no way to finish"; sums of a few scores stay far above it.
constexpr float kFinishable = kNone / 2;
// How much the seed may move a slot's score at a position: enough to choose among shapes that
// fit about as well, not enough to take one that fits badly.
constexpr float kVariety = 0.6f;
// What a slot loses at most when its start has many more places than the slot has words.
constexpr float kScarcity = 0.8f;
// A plan of up to this many words is made again, at most this often, when a slot it wanted has
// run out of words.
constexpr std::size_t kLongestReplanned = 64;
constexpr int kMostReplans = 12;

// One position given by the user: the entry it is, when the store knows the word.
struct KeptWord {
    std::string text;
    std::vector<const WordEntry*> entries;  // one per slot, or none
};

class Plan {
public:
    Plan(const SentencePlanner& planner, const PlanRequest& request);
    std::vector<PlannedWord> words();

private:
    void collectStarts();
    void addStart(const std::string& start);
    void collectWords(const std::string& start, WordGroup* bySlot);
    void scorePositions();
    bool takes(std::size_t position, int slot) const
    {
        return m_scores[position * m_slots + static_cast<std::size_t>(slot)] >= kFinishable;
    }
    float score(std::size_t position, int slot) const
    {
        return m_scores[position * m_slots + static_cast<std::size_t>(slot)];
    }
    WordGroup startGroup(std::size_t start, std::size_t slot) const
    {
        const std::size_t row = m_startRow[start];
        return row == kPlain ? m_planner.fits(m_starts[start][0], static_cast<int>(slot))
                             : m_groups[row * m_slots + slot];
    }
    WordGroup group(std::size_t position, int slot) const
    {
        return startGroup(m_startOf[position], static_cast<std::size_t>(slot));
    }
    void planBackwards();
    const WordEntry* draw(std::size_t position, const GrammarStep& step, bool again);
    bool admissible(const WordEntry& entry, std::size_t position, const GrammarStep& step,
                    bool again) const;
    bool nextTakes(std::size_t position, int state, WordTraits trait) const;
    void place(std::size_t position, const GrammarStep& step, const WordEntry* word);
    std::vector<PlannedWord> wordByWord();
    struct Option {
        float value;
        int step;  // -1: the sentence ends here
    };
    struct Choice {
        bool ended = false;  // the sentence ends before the position
        const GrammarStep* step = nullptr;
        const WordEntry* word = nullptr;  // none for a kept word the store does not know
    };
    bool decode(bool mayReplan);
    void options(std::size_t position, int state);
    Choice choose(std::size_t position, int round);
    bool strikeUsedUp(std::size_t position);

    const SentencePlanner& m_planner;
    const Grammar& m_grammar;
    const PlanRequest& m_request;
    std::size_t m_length;
    std::size_t m_slots;
    Draw m_draw;
    UsedWords m_used;
    // The different starts: what their words begin with (the start, or its first letter),
    // and [start][slot] the words that fit.
    std::vector<std::string> m_starts;
    // Per start, its row of m_groups; a letter that no other start outgrows takes the
    // planner's words of the letter as they are.
    std::vector<std::size_t> m_startRow;
    static constexpr std::size_t kPlain = -1;
    std::vector<WordGroup> m_groups;
    // Where a filtered group lives: moving the list moves no group's words.
    std::vector<std::vector<const WordEntry*>> m_filtered;
    std::vector<std::size_t> m_startOf;  // by position, the index into m_starts
    std::vector<KeptWord> m_kept;        // by position; empty text: free
    std::vector<float> m_scores;  // [position][slot]: what the slot adds there; kNone: no word
    std::vector<float> m_back;    // [position][state]: the best score to the end
    std::vector<PlannedWord> m_plan;
    std::vector<Option> m_options;
    std::size_t m_longestStart = 0;
    bool m_forbids = false;   // some word may not be used at all
    WordTraits m_needed = 0;  // what the previous word asks of the next
};

Plan::Plan(const SentencePlanner& planner, const PlanRequest& request)
    : m_planner(planner),
      m_grammar(planner.grammar()),
      m_request(request),
      m_length(request.starts.size()),
      m_slots(m_grammar.wordSlots.size()),
      m_draw(request.seed.value_or(0)),
      m_used(planner.store())
{
    const WordStore& store = planner.store();
    for (const std::string& avoided : request.avoid) {
        for (const WordEntry* entry : store.entriesWithForm(avoided)) m_used.forbid(*entry);
        m_forbids = m_forbids || !store.entriesWithForm(avoided).empty();
    }
    m_kept.resize(m_length);
    for (std::size_t i = 0; i < m_length && i < request.keep.size(); ++i) {
        if (request.keep[i].empty()) continue;
        KeptWord& kept = m_kept[i];
        kept.text = request.keep[i];
        const std::string lower = lowerCaseLetters(kept.text).value_or("");
        kept.entries.assign(m_slots, nullptr);
        for (const WordEntry* entry : store.entriesWithForm(lower)) {
            m_used.forbid(*entry);
            m_forbids = true;
            for (std::size_t slot = 0; slot < m_slots; ++slot) {
                const GrammarSlot& s = m_grammar.wordSlots[slot];
                if (s.fits(*entry) && entry->form(s.form) == lower) kept.entries[slot] = entry;
            }
        }
        // A word the store does not know, or knows in no place of a sentence, is a noun.
        if (std::none_of(kept.entries.begin(), kept.entries.end(), [](auto e) { return e; })) {
            kept.entries.clear();
        }
    }
    for (const std::string& start : request.starts) {
        m_longestStart = std::max(m_longestStart, start.size());
    }
    collectStarts();
    scorePositions();
    m_plan.reserve(m_length);
}

void Plan::collectStarts()
{
    std::unordered_map<std::string_view, std::size_t> index;  // of the starts of 2 letters on
    std::array<std::size_t, 26> letters;
    letters.fill(kPlain);
    m_startOf.resize(m_length);
    for (std::size_t i = 0; i < m_length; ++i) {
        const std::string& start = m_request.starts[i];
        std::size_t& known = start.size() == 1 ? letters[start[0] - 'a']
                                               : index.try_emplace(start, kPlain).first->second;
        if (known == kPlain) {
            known = m_starts.size();
            addStart(start);
        }
        m_startOf[i] = known;
    }
}

void Plan::addStart(const std::string& start)
{
    m_starts.push_back(start);
    if (start.size() == 1 && m_longestStart == 1) {
        m_startRow.push_back(kPlain);
        return;
    }
    m_startRow.push_back(m_groups.size() / m_slots);
    m_groups.resize(m_groups.size() + m_slots);
    WordGroup* bySlot = &m_groups[m_groups.size() - m_slots];
    collectWords(start, bySlot);
    // A start no word begins with (but those avoided) is only its first letter.
    const auto none = [this](WordGroup g) {
        return std::all_of(g.begin(), g.end(), [this](auto e) { return m_used.contains(*e); });
    };
    if (start.size() > 1 && std::all_of(bySlot, bySlot + m_slots, none)) {
        m_starts.back().resize(1);
        collectWords(m_starts.back(), bySlot);
    }
}

// The words for a start, by slot: never one that begins with another position's longer start
// ("Noble" is not New York's word when North Carolina's is "No"). A start of a few letters has
// few words: it takes the wide tier too.
void Plan::collectWords(const std::string& start, WordGroup* bySlot)
{
    std::vector<std::string_view> longer;
    if (m_longestStart > start.size()) {
        for (const std::string& other : m_request.starts) {
            if (other.size() > start.size() && other.starts_with(start)) longer.push_back(other);
        }
    }
    const char letter = start[0];
    for (std::size_t slot = 0; slot < m_slots; ++slot) {
        const GrammarSlot& s = m_grammar.wordSlots[slot];
        const WordGroup all = m_planner.fits(letter, static_cast<int>(slot));
        const bool wide = start.size() > 1;
        if (!wide && longer.empty()) {
            bySlot[slot] = all;
            continue;
        }
        std::vector<const WordEntry*>& kept = m_filtered.emplace_back();
        for (const WordEntry* entry : wide ? m_planner.store().allWords(letter, s.part) : all) {
            const std::string_view form = entry->form(s.form);
            if (!s.fits(*entry) || !form.starts_with(start)) continue;
            if (std::none_of(longer.begin(), longer.end(),
                             [form](std::string_view l) { return form.starts_with(l); })) {
                kept.push_back(entry);
            }
        }
        bySlot[slot] = kept;
    }
}

// What each slot adds at each position: its score, varied by the seed; kNone where no word
// is left to draw for it (or the kept word is not of its kind).
void Plan::scorePositions()
{
    std::vector<std::size_t> occurrences(m_starts.size());
    for (const std::size_t start : m_startOf) ++occurrences[start];
    std::vector<float> byStart(m_starts.size() * m_slots);
    for (std::size_t i = 0; i < byStart.size(); ++i) {
        const WordGroup words = startGroup(i / m_slots, i % m_slots);
        // A slot with fewer words than its start has places would run out if every place took
        // it: the fewer, the less it is worth.
        const std::size_t places = occurrences[i / m_slots];
        std::size_t left = m_forbids ? 0 : std::min(words.size(), places);
        for (auto word = words.begin(); m_forbids && word != words.end() && left < places; ++word) {
            left += !m_used.contains(**word);
        }
        const float scarce = left >= places ? 0
                                            : kScarcity * static_cast<float>(places - left) /
                                                  static_cast<float>(places);
        byStart[i] = left == 0 ? kNone : m_grammar.wordSlots[i % m_slots].score - scarce;
    }
    m_scores.resize(m_length * m_slots);
    for (std::size_t i = 0; i < m_length; ++i) {
        float* scores = &m_scores[i * m_slots];
        const KeptWord& kept = m_kept[i];
        for (std::size_t slot = 0; slot < m_slots; ++slot) {
            const GrammarSlot& s = m_grammar.wordSlots[slot];
            if (kept.text.empty()) {
                scores[slot] = byStart[m_startOf[i] * m_slots + slot];
            } else if (kept.entries.empty() ? s.part == PartOfSpeech::Noun
                                            : kept.entries[slot] != nullptr) {
                scores[slot] = s.score;
            } else {
                scores[slot] = kNone;
            }
        }
        if (!m_request.seed) continue;
        // Eight bits of the draw for each slot.
        Draw noise(*m_request.seed ^ (i * 0x9E3779B97F4A7C15ull));
        std::uint64_t bits = 0;
        for (std::size_t slot = 0; slot < m_slots; ++slot, bits >>= 8) {
            if (slot % 8 == 0) bits = noise.next();
            scores[slot] += kVariety * static_cast<float>(bits & 0xFF) / 256.0f;
        }
    }
}

// m_back[i][state]: the best score of a plan for the words from i on, reached in the state.
void Plan::planBackwards()
{
    const std::size_t states = m_grammar.states.size();
    m_back.assign((m_length + 1) * states, kNone);
    std::copy(m_grammar.endScore.begin(), m_grammar.endScore.end(),
              m_back.begin() + static_cast<std::ptrdiff_t>(m_length * states));
    const Grammar::StepGroup* groups = m_grammar.groups.data();
    const int* froms = m_grammar.froms.data();
    const int* firstGroup = m_grammar.firstGroup.data();
    for (std::size_t i = m_length; i-- > 0;) {
        const float* scores = &m_scores[i * m_slots];
        const float* next = &m_back[(i + 1) * states];
        float* here = &m_back[i * states];
        // By slot, so that the steps of slots without a word at the position cost nothing. The
        // values are copied first: a store to here[] might otherwise be one of them.
        for (std::size_t slot = 0; slot < m_slots; ++slot) {
            const float slotScore = scores[slot];
            if (slotScore < kFinishable) continue;
            for (int k = firstGroup[slot]; k < firstGroup[slot + 1]; ++k) {
                const Grammar::StepGroup group = groups[k];
                const float value = group.score + slotScore + next[group.to];
                if (value < kFinishable) continue;
                for (int f = group.firstFrom; f < group.endFrom; ++f) {
                    here[froms[f]] = std::max(here[froms[f]], value);
                }
            }
        }
        // A sentence may end before the word and the next begin with it.
        const float again = here[m_grammar.start];
        if (i == 0 || again < kFinishable) continue;
        for (std::size_t state = 0; state < states; ++state) {
            here[state] = std::max(here[state], m_grammar.endScore[state] + again);
        }
    }
}

// The planned words: the best-scoring step at each position whose slot still has a word to
// draw. Where the words of the slots a short plan wanted are used up, the plan is made again
// without them; a long one gives way to the next best step as it goes, which keeps it linear.
std::vector<PlannedWord> Plan::words()
{
    if (m_length == 0) return {};
    const UsedWords fresh = m_used;
    std::vector<float> unstruck;
    bool mayReplan = m_length <= kLongestReplanned;
    for (int attempt = 0;; ++attempt) {
        planBackwards();
        if (m_back[m_grammar.start] < kFinishable) {
            if (attempt == 0) return wordByWord();
            // Struck past what any shape can do without: the plan before, whose used-up words
            // come round again.
            m_scores = std::move(unstruck);
            mayReplan = false;
            planBackwards();
        }
        if (mayReplan) unstruck = m_scores;
        if (decode(mayReplan && attempt < kMostReplans)) return m_plan;
        m_used = fresh;
        m_plan.clear();
        m_draw = Draw(m_request.seed.value_or(0));
        m_needed = 0;
    }
}

// Places a word at each position; false when a slot ran out of words and the plan is to be
// made again.
bool Plan::decode(bool mayReplan)
{
    int state = m_grammar.start;
    for (std::size_t i = 0; i < m_length;) {
        options(i, state);
        Choice choice = choose(i, 0);
        if (!choice.ended && !choice.step) {
            if (mayReplan && strikeUsedUp(i)) return false;
            // Only when every step's words are used up do the start's words come round again,
            // and only when that is not enough either (an "an" wants what is left) is a word
            // used twice.
            m_used.release(m_planner.store().words(m_request.starts[i][0]));
            choice = choose(i, 1);
            if (!choice.ended && !choice.step) choice = choose(i, 2);
        }
        if (choice.ended) {
            m_plan.back().after = '.';
            state = m_grammar.start;
        } else if (choice.step) {
            place(i, *choice.step, choice.word);
            state = choice.step->to;
            ++i;
        } else {
            m_plan = wordByWord();
            return true;
        }
    }
    m_plan.back().after = '.';
    return true;
}

// The ways on from the state at the position, the best first.
void Plan::options(std::size_t position, int state)
{
    const std::size_t states = m_grammar.states.size();
    m_options.clear();
    for (int s = m_grammar.firstStep[state]; s < m_grammar.firstStep[state + 1]; ++s) {
        const GrammarStep& step = m_grammar.steps[s];
        const float value =
            step.score + score(position, step.slot) + m_back[(position + 1) * states + step.to];
        if (value >= kFinishable) m_options.push_back({value, s});
    }
    if (position > 0 && m_plan.back().after != '.') {
        const float value = m_grammar.endScore[state] + m_back[position * states + m_grammar.start];
        if (value >= kFinishable) m_options.push_back({value, -1});
    }
    // A few options: sorted in place, ties in the grammar's order.
    for (std::size_t i = 1; i < m_options.size(); ++i) {
        for (std::size_t j = i; j > 0 && m_options[j - 1].value < m_options[j].value; --j) {
            std::swap(m_options[j - 1], m_options[j]);
        }
    }
}

// The best option with a word to draw; in round 2 a word may come again.
Plan::Choice Plan::choose(std::size_t position, int round)
{
    for (const Option& option : m_options) {
        if (option.step < 0) return {true, nullptr, nullptr};
        const GrammarStep& step = m_grammar.steps[option.step];
        const WordEntry* word = draw(position, step, round == 2);
        if (word || !m_kept[position].text.empty()) return {false, &step, word};
    }
    return {};
}

// Strikes the slots whose words the position's start has used up, from there on; false when
// there were none.
bool Plan::strikeUsedUp(std::size_t position)
{
    bool struck = false;
    const std::size_t start = m_startOf[position];
    for (std::size_t slot = 0; slot < m_slots; ++slot) {
        const WordGroup words = group(position, static_cast<int>(slot));
        if (m_scores[position * m_slots + slot] < kFinishable) continue;
        if (std::any_of(words.begin(), words.end(),
                        [this](const WordEntry* e) { return !m_used.contains(*e); })) {
            continue;
        }
        for (std::size_t i = position; i < m_length; ++i) {
            if (m_startOf[i] == start && m_kept[i].text.empty()) {
                m_scores[i * m_slots + slot] = kNone;
                struck = true;
            }
        }
    }
    return struck;
}

// A word for the step at the position, drawn among its slot's words with the most familiar
// the likeliest; nothing when none is admissible. A kept position has its word already.
const WordEntry* Plan::draw(std::size_t position, const GrammarStep& step, bool again)
{
    const KeptWord& kept = m_kept[position];
    if (!kept.text.empty()) return kept.entries.empty() ? nullptr : kept.entries[step.slot];
    const WordGroup group = this->group(position, step.slot);
    if (group.empty()) return nullptr;
    const std::size_t from = std::min(
        {m_draw.below(group.size()), m_draw.below(group.size()), m_draw.below(group.size())});
    for (std::size_t i = 0; i < group.size(); ++i) {
        const WordEntry* entry = group[(from + i) % group.size()];
        if (admissible(*entry, position, step, again)) return entry;
    }
    return nullptr;
}

bool Plan::admissible(const WordEntry& entry, std::size_t position, const GrammarStep& step,
                      bool again) const
{
    if (again ? m_used.forbidden(entry) : m_used.contains(entry)) return false;
    if (m_needed != 0 && !entry.has(m_needed)) return false;
    for (const Grammar::NextRule& rule : m_grammar.nextRules) {
        if (entry.part == rule.part && entry.has(rule.trait) &&
            !nextTakes(position + 1, step.to, rule.trait)) {
            return false;
        }
    }
    return true;
}

// Whether the word at the position, reached in the state, can be one with the trait.
bool Plan::nextTakes(std::size_t position, int state, WordTraits trait) const
{
    if (position >= m_length) return false;
    const std::size_t states = m_grammar.states.size();
    for (int s = m_grammar.firstStep[state]; s < m_grammar.firstStep[state + 1]; ++s) {
        const GrammarStep& step = m_grammar.steps[s];
        if (!takes(position, step.slot) ||
            m_back[(position + 1) * states + step.to] < kFinishable) {
            continue;
        }
        const KeptWord& kept = m_kept[position];
        if (!kept.text.empty()) {
            if (!kept.entries.empty() && kept.entries[step.slot]->has(trait)) return true;
            continue;
        }
        for (const WordEntry* entry : group(position, step.slot)) {
            if (entry->has(trait) && !m_used.contains(*entry)) return true;
        }
    }
    return false;
}

void Plan::place(std::size_t position, const GrammarStep& step, const WordEntry* word)
{
    const GrammarSlot& slot = m_grammar.wordSlots[step.slot];
    if (step.before && !m_plan.empty()) m_plan.back().after = step.before;
    PlannedWord& planned = m_plan.emplace_back();
    planned.part = slot.part;
    planned.after = step.after;
    planned.start = m_starts[m_startOf[position]];
    m_needed = 0;
    if (!m_kept[position].text.empty()) {
        planned.word = m_kept[position].text;
        planned.start = m_request.starts[position];
    } else {
        planned.word = word->form(slot.form);
        planned.slot = step.slot;
        m_used.insert(*word);
    }
    if (!word) return;
    for (const Grammar::NextRule& rule : m_grammar.nextRules) {
        if (word->part == rule.part && word->has(rule.trait)) m_needed |= rule.trait;
    }
}

// Where no shape of the grammar fits (a start without words, a kept word of grammar where no
// sentence can hold it): one word per start, of whatever part.
std::vector<PlannedWord> Plan::wordByWord()
{
    m_plan.assign(m_length, {});
    for (std::size_t i = 0; i < m_length; ++i) {
        PlannedWord& planned = m_plan[i];
        planned.start = m_starts[m_startOf[i]];
        if (!m_kept[i].text.empty()) {
            planned.word = m_kept[i].text;
            planned.start = m_request.starts[i];
            continue;
        }
        // Words that make a picture first.
        const WordGroup all = m_planner.store().words(planned.start[0]);
        const auto fits = [&](const WordEntry* e) {
            return !m_used.contains(*e) && e->word.starts_with(planned.start) &&
                   e->part <= PartOfSpeech::Adverb;
        };
        const auto found = std::find_if(all.begin(), all.end(), fits);
        const WordEntry* word = found == all.end() ? nullptr : *found;
        if (!word) planned.start.resize(1);
        if (!word && !all.empty()) word = m_used.firstUnused(all, 0);
        if (!word && !all.empty()) {
            m_used.release(all);
            word = m_used.firstUnused(all, 0);
        }
        if (!word) continue;
        planned.word = word->word;
        planned.part = word->part;
        m_used.insert(*word);
    }
    m_plan.back().after = '.';
    return m_plan;
}

}  // namespace

SentencePlanner::SentencePlanner(const WordStore& store, const Grammar& grammar)
    : m_store(store), m_grammar(grammar)
{
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        auto& bySlot = m_fits[letter - 'a'];
        bySlot.resize(grammar.wordSlots.size());
        for (std::size_t slot = 0; slot < grammar.wordSlots.size(); ++slot) {
            const GrammarSlot& s = grammar.wordSlots[slot];
            for (const WordEntry* entry : store.words(letter, s.part)) {
                if (s.fits(*entry) && entry->form(s.form).front() == letter) {
                    bySlot[slot].push_back(entry);
                }
            }
        }
    }
}

const SentencePlanner& SentencePlanner::builtIn()
{
    static const SentencePlanner planner(WordStore::builtIn(), englishGrammar());
    return planner;
}

std::vector<PlannedWord> SentencePlanner::plan(const PlanRequest& request) const
{
    return Plan(*this, request).words();
}

}  // namespace lexiquill::service
