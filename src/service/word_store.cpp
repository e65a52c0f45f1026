#include "service/word_store.h"

#include <algorithm>
#include <cstddef>

namespace lexiquill::service {

extern const char kMnemonicWords[];
extern const std::size_t kMnemonicWordsSize;

namespace {

constexpr std::string_view kPartNames[kPartCount] = {
    "adjective",  "noun",    "verb",        "adverb",      "determiner",
    "possessive", "pronoun", "preposition", "conjunction", "interjection",
};

// The fields of the word list, each a bit of WordTraits in this order ("wide" first).
constexpr std::string_view kTraitNames[] = {
    "wide",       "an",          "transitive",    "intransitive",  "animate",
    "subject",    "object",      "singular",      "plural",        "degree",
    "clause",     "kind=person", "kind=animal",   "kind=artifact", "kind=food",
    "kind=plant", "kind=object", "kind=location", "kind=body",     "kind=substance",
    "plural=",    "s=",          "past=",
};
// The fields that name a form, in the order of WordEntry::forms.
constexpr std::string_view kFormFields[] = {"plural=", "s=", "past="};

// Nouns, verbs, adjectives and adverbs draw the picture; the words of grammar may be short.
bool isWord(std::string_view word, PartOfSpeech part)
{
    const bool content = static_cast<int>(part) <= static_cast<int>(PartOfSpeech::Adverb);
    if (word.size() < (content ? 3u : 2u) || (content && word.size() > 12)) return false;
    for (const char c : word) {
        if (c < 'a' || c > 'z') return false;
    }
    return true;
}

// Takes the next blank-separated field off the front of the line.
std::string_view nextField(std::string_view& line)
{
    const std::size_t blank = line.find(' ');
    const std::string_view field = line.substr(0, blank);
    line.remove_prefix(blank == std::string_view::npos ? line.size() : blank + 1);
    return field;
}

// The entry of one line; nothing for a line the store skips.
std::optional<WordEntry> readEntry(std::string_view line)
{
    const std::optional<PartOfSpeech> part = partNamed(nextField(line));
    WordEntry entry;
    entry.word = nextField(line);
    if (!part || !isWord(entry.word, *part)) return std::nullopt;
    entry.part = *part;
    while (!line.empty()) {
        const std::string_view field = nextField(line);
        std::optional<WordTraits> trait = traitNamed(field);
        // "plural=kings": the trait is the name with its "=", the value a form.
        const std::size_t equals = field.find('=');
        if (!trait && equals != std::string_view::npos) {
            const std::string_view name = field.substr(0, equals + 1);
            const std::string_view value = field.substr(equals + 1);
            trait = isWord(value, PartOfSpeech::Determiner) ? traitNamed(name) : std::nullopt;
            for (std::size_t i = 0; trait && i < std::size(kFormFields); ++i) {
                if (name == kFormFields[i]) entry.forms[i] = value;
            }
        }
        if (trait) entry.traits |= *trait;
    }
    return entry;
}

}  // namespace

std::string_view partName(PartOfSpeech part) { return kPartNames[static_cast<int>(part)]; }

std::optional<PartOfSpeech> partNamed(std::string_view name)
{
    for (int i = 0; i < kPartCount; ++i) {
        if (kPartNames[i] == name) return static_cast<PartOfSpeech>(i);
    }
    return std::nullopt;
}

std::optional<std::string> lowerCaseLetters(std::string_view text)
{
    std::string lower;
    for (const char c : text) {
        if (c >= 'A' && c <= 'Z') {
            lower += static_cast<char>(c - 'A' + 'a');
        } else if (c >= 'a' && c <= 'z') {
            lower += c;
        } else {
            return std::nullopt;
        }
    }
    return lower;
}

std::optional<WordTraits> traitNamed(std::string_view field)
{
    for (std::size_t i = 0; i < std::size(kTraitNames); ++i) {
        if (kTraitNames[i] == field) return WordTraits{1} << i;
    }
    return std::nullopt;
}

WordStore::WordStore(std::string_view text)
{
    std::unordered_map<std::string_view, std::uint32_t> ids;
    std::unordered_map<std::string_view, unsigned> parts;  // the parts a text is listed as
    while (!text.empty()) {
        std::string_view line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(text.size(), line.size() + 1));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::optional<WordEntry> entry = readEntry(line);
        if (!entry) continue;
        unsigned& listed = parts[entry->word];
        const unsigned bit = 1u << static_cast<int>(entry->part);
        if (listed & bit) continue;
        listed |= bit;
        entry->id = ids.try_emplace(entry->word, ids.size()).first->second;
        m_entries.push_back(*entry);
    }
    m_wordCount = ids.size();
    // Grouped only now that the entries no longer move.
    for (const WordEntry& entry : m_entries) {
        const int letter = entry.word.front() - 'a';
        for (int tier = entry.has(kWideTrait) ? 1 : 0; tier < 2; ++tier) {
            m_groups[tier][letter][static_cast<int>(entry.part)].push_back(&entry);
            m_groups[tier][letter][kPartCount].push_back(&entry);
        }
        m_byForm[entry.word].push_back(&entry);
        for (const std::string_view form : entry.forms) {
            if (!form.empty() && form != entry.word) m_byForm[form].push_back(&entry);
        }
    }
}

const WordStore& WordStore::builtIn()
{
    static const WordStore store(std::string_view(kMnemonicWords, kMnemonicWordsSize));
    return store;
}

WordGroup WordStore::entriesWithForm(std::string_view text) const
{
    const auto found = m_byForm.find(text);
    if (found == m_byForm.end()) return {};
    return found->second;
}

WordGroup WordStore::group(int tier, char letter, std::optional<PartOfSpeech> part) const
{
    if (letter < 'a' || letter > 'z') return {};
    return m_groups[tier][letter - 'a'][part ? static_cast<int>(*part) : kPartCount];
}

UsedWords::UsedWords(const WordStore& store)
{
    thread_local Table kept;
    if (kept.taken) {
        m_own = std::make_unique<Table>();
        m_table = m_own.get();
    } else {
        m_table = &kept;
    }
    m_table->taken = true;
    if (m_table->marks.size() < store.wordCount()) m_table->marks.resize(store.wordCount());
}

UsedWords::~UsedWords()
{
    for (const Table::Change& change : m_table->changes) m_table->marks[change.id] = 0;
    // The marks of a long phrase are not kept for the next.
    if (m_table->changes.capacity() > kMostChangesKept) m_table->changes = {};
    m_table->changes.clear();
    m_table->taken = false;
}

void UsedWords::undoMarksAfter(std::size_t made)
{
    while (m_table->changes.size() > made) {
        const Table::Change change = m_table->changes.back();
        m_table->marks[change.id] = change.before;
        m_table->changes.pop_back();
    }
}

}  // namespace lexiquill::service
