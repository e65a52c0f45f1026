#include "service/sentence_planner.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <tuple>
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
constexpr std::array<float, 256> kNoise = [] {
    std::array<float, 256> noise{};
    for (std::size_t bits = 0; bits < noise.size(); ++bits) {
        noise[bits] = kVariety * static_cast<float>(bits) / 256.0f;
    }
    return noise;
}();
// What a slot loses at most when its start has many more places than the slot has words.
constexpr float kScarcity = 0.8f;
// A plan of up to this many words is made again, at most this often, when a slot it wanted has
// run out of words.
constexpr std::size_t kLongestReplanned = 64;
constexpr int kMostReplans = 12;
// The longest plan whose tables a thread keeps for the next.
constexpr std::size_t kLongestKept = 256;

// One position given by the user: the entry it is, when the store knows the word.
struct KeptWord {
    std::string text;
    std::vector<const WordEntry*> entries;  // one per slot, or none
};

struct Option {
    float value;
    int step;  // -1: the sentence ends here
};

// The tables a plan works in. A thread keeps them from one plan to the next, so that a page
// allocates little but its answer; a second plan alive at once on the thread has its own.
struct Scratch {
    std::vector<std::string_view> starts;
    std::vector<std::size_t> startRow;
    std::vector<std::size_t> startOf;
    std::vector<std::size_t> occurrences;
    std::vector<float> byStart;
    std::vector<const float*> startScores;
    std::vector<float> scores;
    std::vector<float> unstruck;
    std::vector<float> back;
    std::vector<float> none;  // a row of states without a value
    std::vector<Option> options;
    bool taken = false;
};

Scratch* lease(std::optional<Scratch>& own)
{
    thread_local Scratch kept;
    Scratch* scratch = kept.taken ? &own.emplace() : &kept;
    scratch->taken = true;
    return scratch;
}

class Plan {
public:
    Plan(const SentencePlanner& planner, const PlanRequest& request);
    ~Plan()
    {
        // The thread keeps what pages of a usual length need, not what its longest phrase did.
        if (m_length > kLongestKept) *m_scratch = Scratch();
        m_scratch->taken = false;
    }
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;
    std::vector<PlannedWord> words();

private:
    void keepWords();
    void collectStarts();
    void addStart(std::string_view start);
    void collectWords(std::string_view start, WordGroup* bySlot);
    void scoreStarts();
    void scorePositions();
    bool kept(std::size_t position) const
    {
        return position < m_kept.size() && !m_kept[position].text.empty();
    }
    bool takes(std::size_t position, int slot) const
    {
        return m_scores[position * m_slots + static_cast<std::size_t>(slot)] >= kFinishable;
    }
    float score(std::size_t position, int slot) const
    {
        return m_scores[position * m_slots + static_cast<std::size_t>(slot)];
    }
    float back(std::size_t position, int state) const
    {
        return m_back[position * m_stride + static_cast<std::size_t>(state)];
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
    void wordByWord();
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
    std::optional<Scratch> m_ownScratch;
    Scratch* m_scratch;
    // The different starts: what their words begin with (the start, or its first letter),
    // and [start][slot] the words that fit.
    std::vector<std::string_view>& m_starts;
    // Per start, its row of m_groups; a letter that no other start outgrows takes the
    // planner's words of the letter as they are.
    std::vector<std::size_t>& m_startRow;
    static constexpr std::size_t kPlain = -1;
    std::vector<WordGroup> m_groups;
    // Where a filtered group lives: moving the list moves no group's words.
    std::vector<std::vector<const WordEntry*>> m_filtered;
    std::vector<std::size_t>& m_startOf;  // by position, the index into m_starts
    std::vector<KeptWord> m_kept;         // by position, when some word is kept; empty text: free
    std::vector<float>& m_byStart;  // [start][slot]: what the slot adds for the start, counted
    std::vector<const float*>& m_startScores;  // per start, that or the letter's
    std::vector<float>& m_scores;  // [position][slot]: what the slot adds there; kNone: no word
    std::vector<float>& m_back;    // [position][state]: the best score to the end
    std::size_t m_stride;          // of m_back's rows
    std::vector<PlannedWord> m_plan;
    std::vector<Option>& m_options;
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
      m_used(planner.store()),
      m_scratch(lease(m_ownScratch)),
      m_starts(m_scratch->starts),
      m_startRow(m_scratch->startRow),
      m_startOf(m_scratch->startOf),
      m_byStart(m_scratch->byStart),
      m_startScores(m_scratch->startScores),
      m_scores(m_scratch->scores),
      m_back(m_scratch->back),
      m_stride(m_grammar.states.size() + planner.allSteps().groups.size()),
      m_options(m_scratch->options)
{
    const WordStore& store = planner.store();
    for (const std::string& avoided : request.avoid) {
        for (const WordEntry* entry : store.entriesWithForm(avoided)) m_used.forbid(*entry);
        m_forbids = m_forbids || !store.entriesWithForm(avoided).empty();
    }
    keepWords();
    for (const std::string& start : request.starts) {
        m_longestStart = std::max(m_longestStart, start.size());
    }
    m_starts.clear();
    m_startRow.clear();
    collectStarts();
    scoreStarts();
    scorePositions();
    m_plan.reserve(m_length);
}

void Plan::keepWords()
{
    const WordStore& store = m_planner.store();
    m_kept.resize(m_request.keep.empty() ? 0 : m_length);
    for (std::size_t i = 0; i < m_kept.size() && i < m_request.keep.size(); ++i) {
        if (m_request.keep[i].empty()) continue;
        KeptWord& kept = m_kept[i];
        kept.text = m_request.keep[i];
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

void Plan::addStart(std::string_view start)
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
        m_starts.back() = start.substr(0, 1);
        collectWords(m_starts.back(), bySlot);
    }
}

// The words for a start, by slot: never one that begins with another position's longer start
// ("Noble" is not New York's word when North Carolina's is "No"). A start of a few letters has
// few words: it takes the wide tier too.
void Plan::collectWords(std::string_view start, WordGroup* bySlot)
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

// What each slot adds for each start: its score, less where the start has more places than the
// slot has words; kNone where it has none to draw.
void Plan::scoreStarts()
{
    std::vector<std::size_t>& occurrences = m_scratch->occurrences;
    occurrences.assign(m_starts.size(), 0);
    for (const std::size_t start : m_startOf) ++occurrences[start];
    m_byStart.resize(m_starts.size() * m_slots);
    m_startScores.resize(m_starts.size());
    for (std::size_t start = 0; start < m_starts.size(); ++start) {
        const std::size_t places = occurrences[start];
        const char letter = m_starts[start][0];
        if (m_startRow[start] == kPlain && !m_forbids && places <= m_planner.fewestWords(letter)) {
            m_startScores[start] = m_planner.letterScores(letter);
            continue;
        }
        float* scores = &m_byStart[start * m_slots];
        m_startScores[start] = scores;
        for (std::size_t slot = 0; slot < m_slots; ++slot) {
            const WordGroup words = startGroup(start, slot);
            // A slot with fewer words than its start has places would run out if every place
            // took it: the fewer, the less it is worth.
            std::size_t left = m_forbids ? 0 : std::min(words.size(), places);
            for (auto word = words.begin(); m_forbids && word != words.end() && left < places;
                 ++word) {
                left += !m_used.contains(**word);
            }
            scores[slot] = left == 0 ? kNone : m_planner.slotScore(slot);
            if (left > 0 && left < places) {
                scores[slot] -=
                    kScarcity * static_cast<float>(places - left) / static_cast<float>(places);
            }
        }
    }
}

// What each slot adds at each position: its score for the start, varied by the seed; kNone
// where no word is left to draw for it (or the kept word is not of its kind).
void Plan::scorePositions()
{
    m_scores.resize(m_length * m_slots);
    for (std::size_t i = 0; i < m_length; ++i) {
        float* scores = &m_scores[i * m_slots];
        for (std::size_t slot = 0; kept(i) && slot < m_slots; ++slot) {
            const KeptWord& word = m_kept[i];
            const GrammarSlot& s = m_grammar.wordSlots[slot];
            const bool fits =
                word.entries.empty() ? s.part == PartOfSpeech::Noun : word.entries[slot] != nullptr;
            scores[slot] = fits ? s.score : kNone;
        }
        const float* from = kept(i) ? scores : m_startScores[m_startOf[i]];
        if (!m_request.seed) {
            std::copy(from, from + m_slots, scores);
            continue;
        }
        // Eight bits of the draw for each slot.
        Draw noise(*m_request.seed ^ (i * 0x9E3779B97F4A7C15ull));
        std::uint64_t bits = 0;
        for (std::size_t slot = 0; slot < m_slots; ++slot, bits >>= 8) {
            if (slot % 8 == 0) bits = noise.next();
            scores[slot] = from[slot] + kNoise[bits & 0xFF];
        }
    }
}

// m_back[i][state]: the best score of a plan for the words from i on, reached in the state.
// After the states each row holds its groups' values.
void Plan::planBackwards()
{
    const std::size_t states = m_grammar.states.size();
    m_back.resize((m_length + 1) * m_stride);
    std::vector<float>& none = m_scratch->none;
    none.assign(states, kNone);
    std::copy(m_grammar.endScore.begin(), m_grammar.endScore.end(),
              m_back.begin() + static_cast<std::ptrdiff_t>(m_length * m_stride));
    for (std::size_t i = m_length; i-- > 0;) {
        const float* scores = &m_scores[i * m_slots];
        const float* next = &m_back[(i + 1) * m_stride];
        float* here = &m_back[i * m_stride];
        // A letter's own steps leave out the slots it has no word for. Below kFinishable a
        // sum stays below it: no need to leave out the slots without a word at the position.
        const bool plain = m_startRow[m_startOf[i]] == kPlain && !kept(i);
        const SentencePlanner::StepTable& table =
            plain ? m_planner.steps(m_starts[m_startOf[i]][0]) : m_planner.allSteps();
        std::copy(none.begin(), none.end(), here);
        for (std::size_t g = 0; g < table.groups.size(); ++g) {
            const SentencePlanner::StepTable::Group& group = table.groups[g];
            here[states + g] = group.score + scores[group.slot] + next[group.to];
        }
        for (const SentencePlanner::StepTable::Step step : table.steps) {
            here[step.state] = std::max(here[step.state], here[step.from]);
        }
        // A sentence may end before the word and the next begin with it.
        const float again = here[m_grammar.start];
        if (i == 0 || again < kFinishable) continue;
        for (const int state : m_grammar.endStates) {
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
    const std::size_t fresh = m_used.marksMade();
    bool mayReplan = m_length <= kLongestReplanned;
    for (int attempt = 0;; ++attempt) {
        planBackwards();
        if (back(0, m_grammar.start) < kFinishable) {
            if (attempt == 0) {
                wordByWord();
                return std::move(m_plan);
            }
            // Struck past what any shape can do without: the plan before, whose used-up words
            // come round again.
            m_scores.swap(m_scratch->unstruck);
            mayReplan = false;
            planBackwards();
        }
        if (decode(mayReplan && attempt < kMostReplans)) return std::move(m_plan);
        m_used.undoMarksAfter(fresh);
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
            wordByWord();
            return true;
        }
    }
    m_plan.back().after = '.';
    return true;
}

// The ways on from the state at the position.
void Plan::options(std::size_t position, int state)
{
    m_options.clear();
    for (int s = m_grammar.firstStep[state]; s < m_grammar.firstStep[state + 1]; ++s) {
        const GrammarStep& step = m_grammar.steps[s];
        const float value = step.score + score(position, step.slot) + back(position + 1, step.to);
        if (value >= kFinishable) m_options.push_back({value, s});
    }
    if (position > 0 && m_plan.back().after != '.') {
        const float value = m_grammar.endScore[state] + back(position, m_grammar.start);
        if (value >= kFinishable) m_options.push_back({value, -1});
    }
}

// The best option with a word to draw; in round 2 a word may come again.
Plan::Choice Plan::choose(std::size_t position, int round)
{
    // The best first, ties in the grammar's order: each best moves before the rest, which keep
    // their order. A few options, and mostly the first will do.
    for (auto tried = m_options.begin(); tried != m_options.end(); ++tried) {
        auto best = tried;
        for (auto other = tried + 1; other != m_options.end(); ++other) {
            if (other->value > best->value) best = other;
        }
        std::rotate(tried, best, best + 1);
        if (tried->step < 0) return {true, nullptr, nullptr};
        const GrammarStep& step = m_grammar.steps[tried->step];
        const WordEntry* word = draw(position, step, round == 2);
        if (word || kept(position)) return {false, &step, word};
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
            if (m_startOf[i] == start && !kept(i)) {
                // The scores before, for when no shape can do without what is struck.
                if (!struck) m_scratch->unstruck.assign(m_scores.begin(), m_scores.end());
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
    if (kept(position)) {
        const KeptWord& word = m_kept[position];
        return word.entries.empty() ? nullptr : word.entries[step.slot];
    }
    const WordGroup group = this->group(position, step.slot);
    if (group.empty()) return nullptr;
    // From the drawn word on, going round.
    const std::size_t from = m_draw.leastOfThree(group.size());
    for (std::size_t i = from;;) {
        if (admissible(*group[i], position, step, again)) return group[i];
        i = i + 1 == group.size() ? 0 : i + 1;
        if (i == from) return nullptr;
    }
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
    for (int s = m_grammar.firstStep[state]; s < m_grammar.firstStep[state + 1]; ++s) {
        const GrammarStep& step = m_grammar.steps[s];
        if (!takes(position, step.slot) || back(position + 1, step.to) < kFinishable) {
            continue;
        }
        if (kept(position)) {
            const KeptWord& word = m_kept[position];
            if (!word.entries.empty() && word.entries[step.slot]->has(trait)) return true;
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
    if (kept(position)) {
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
void Plan::wordByWord()
{
    m_plan.assign(m_length, {});
    for (std::size_t i = 0; i < m_length; ++i) {
        PlannedWord& planned = m_plan[i];
        planned.start = m_starts[m_startOf[i]];
        if (kept(i)) {
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
}

using StepTable = SentencePlanner::StepTable;
using WordsBySlot = std::vector<std::vector<const WordEntry*>>;

// Per state, its steps' groups (sorted), all of the table's or those of the slots with words.
std::vector<std::vector<int>> groupSteps(const Grammar& grammar, const WordsBySlot* bySlot,
                                         StepTable& table)
{
    std::vector<std::vector<int>> groupsOf(grammar.states.size());
    for (const GrammarStep& step : grammar.steps) {
        if (bySlot && (*bySlot)[step.slot].empty()) continue;
        const auto same = [&step](const StepTable::Group& g) {
            return g.slot == step.slot && g.to == step.to && g.score == step.score;
        };
        auto group = std::find_if(table.groups.begin(), table.groups.end(), same);
        if (group == table.groups.end()) {
            group = table.groups.insert(group, {static_cast<std::uint16_t>(step.slot),
                                                static_cast<std::uint16_t>(step.to), step.score});
        }
        groupsOf[step.from].push_back(static_cast<int>(group - table.groups.begin()));
    }
    for (std::vector<int>& groups : groupsOf) std::sort(groups.begin(), groups.end());
    return groupsOf;
}

// The grammar's steps for the plan's inner loop. A state that has every step of another (and
// more) takes that one's value rather than its steps again: the initial states and those after
// a verb share most of theirs, and this about halves the work. The states are worked out by
// level (those they take from first), and within one the first source of each, then the
// second, so that a value is not raised twice in a row.
StepTable stepTable(const Grammar& grammar, const WordsBySlot* bySlot)
{
    StepTable table;
    const std::vector<std::vector<int>> groupsOf = groupSteps(grammar, bySlot, table);
    const int states = static_cast<int>(groupsOf.size());
    std::vector<int> order(groupsOf.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return groupsOf[a].size() < groupsOf[b].size(); });
    std::vector<std::vector<int>> sources(groupsOf.size());
    std::vector<int> level(groupsOf.size(), 0);
    for (std::size_t n = 0; n < order.size(); ++n) {
        const int state = order[n];
        std::vector<int> left = groupsOf[state];
        while (true) {
            int best = -1;
            std::size_t covered = 1;  // a state worth taking saves a step
            for (std::size_t m = 0; m < n; ++m) {
                const std::vector<int>& other = groupsOf[order[m]];
                if (!std::includes(groupsOf[state].begin(), groupsOf[state].end(), other.begin(),
                                   other.end())) {
                    continue;
                }
                const auto in = [&other](int g) {
                    return std::binary_search(other.begin(), other.end(), g);
                };
                const auto count =
                    static_cast<std::size_t>(std::count_if(left.begin(), left.end(), in));
                if (count > covered) std::tie(best, covered) = std::tuple(order[m], count);
            }
            if (best < 0) break;
            sources[state].push_back(best);
            level[state] = std::max(level[state], level[best] + 1);
            std::erase_if(left, [&](int g) {
                return std::binary_search(groupsOf[best].begin(), groupsOf[best].end(), g);
            });
        }
        for (const int group : left) sources[state].push_back(states + group);
    }
    const int levels = *std::max_element(level.begin(), level.end()) + 1;
    for (int at = 0; at < levels; ++at) {
        for (std::size_t rank = 0, placed = 1; placed > 0; ++rank) {
            placed = 0;
            for (int state = 0; state < states; ++state) {
                if (level[state] != at || rank >= sources[state].size()) continue;
                table.steps.push_back({static_cast<std::uint16_t>(state),
                                       static_cast<std::uint16_t>(sources[state][rank])});
                ++placed;
            }
        }
    }
    return table;
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
        m_steps[letter - 'a'] = stepTable(grammar, &bySlot);
    }
    m_steps[26] = stepTable(grammar, nullptr);
    for (const GrammarSlot& slot : grammar.wordSlots) m_slotScores.push_back(slot.score);
    for (int letter = 0; letter < 26; ++letter) {
        m_fewestWords[letter] = std::size_t(-1);
        for (std::size_t slot = 0; slot < grammar.wordSlots.size(); ++slot) {
            const std::size_t words = m_fits[letter][slot].size();
            m_letterScores.push_back(words == 0 ? Grammar::kNoEnd : m_slotScores[slot]);
            if (words > 0) m_fewestWords[letter] = std::min(m_fewestWords[letter], words);
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
