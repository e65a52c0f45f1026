#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lexiquill::service {

enum class PartOfSpeech : std::uint8_t {
    Adjective,
    Noun,
    Verb,
    Adverb,
    Determiner,
    Possessive,
    Pronoun,
    Preposition,
    Conjunction,
    Interjection,
};
inline constexpr int kPartCount = 10;

// The part's name in the word list and in the service's answers: "noun".
std::string_view partName(PartOfSpeech part);
std::optional<PartOfSpeech> partNamed(std::string_view name);

// The forms a word is used in besides the listed one.
enum class WordForm : std::uint8_t { Base, Plural, Third, Past };

// The fields of a word list entry, one bit each: "an", "transitive", "kind=animal", ...;
// "plural=" and the like say that the entry has the form. Unknown fields are left out.
using WordTraits = std::uint32_t;
std::optional<WordTraits> traitNamed(std::string_view field);
inline constexpr WordTraits kWideTrait = 1;  // "wide": offered, never drawn for a sentence

struct WordEntry {
    std::string_view word;                  // the listed (base) form
    std::array<std::string_view, 3> forms;  // plural, third person, past: empty when not listed
    PartOfSpeech part = PartOfSpeech::Noun;
    WordTraits traits = 0;
    // The same for every entry of the same text ("amber" the noun and the adjective).
    std::uint32_t id = 0;

    // The form, or nothing when the entry has none.
    std::string_view form(WordForm which) const
    {
        return which == WordForm::Base ? word : forms[static_cast<int>(which) - 1];
    }
    bool has(WordTraits wanted) const { return (traits & wanted) == wanted; }
};

using WordGroup = std::span<const WordEntry* const>;

// The text in lower case when it is letters A to Z only (any case); nothing otherwise.
std::optional<std::string> lowerCaseLetters(std::string_view text);

// The words the service draws from, grouped by initial letter and part of speech, each group in
// the list's order (the most familiar first). Built once from the word list compiled into the
// program; the words are views into that list.
class WordStore {
public:
    // Reads "<part> <word> [field ...]" lines (see data/mnemonic-words.txt), skipping blank
    // lines, lines starting with "#", unknown parts, words that are not letters a to z (3 to 12
    // of them for nouns, verbs, adjectives and adverbs, at least 2 for the words of grammar), a
    // second listing of a word as the same part, and forms that are not letters a to z.
    explicit WordStore(std::string_view text);
    WordStore(const WordStore&) = delete;
    WordStore& operator=(const WordStore&) = delete;

    // The store over the built-in word list.
    static const WordStore& builtIn();

    // Words starting with the lower-case letter ('a' to 'z') of one part of speech, those
    // drawn for sentences; and those with the wide tier.
    WordGroup words(char letter, PartOfSpeech part) const { return group(0, letter, part); }
    WordGroup allWords(char letter, PartOfSpeech part) const { return group(1, letter, part); }
    // All words starting with the letter, whatever their part of speech, in the list's order.
    WordGroup words(char letter) const { return group(0, letter, std::nullopt); }
    WordGroup allWords(char letter) const { return group(1, letter, std::nullopt); }

    // Every entry that has the text as one of its forms ("kings": the noun king).
    WordGroup entriesWithForm(std::string_view text) const;

    // The number of different texts of listed words: every id is below it.
    std::size_t wordCount() const { return m_wordCount; }

private:
    WordGroup group(int tier, char letter, std::optional<PartOfSpeech> part) const;

    std::vector<WordEntry> m_entries;
    std::size_t m_wordCount = 0;
    // [tier][letter][part, then kPartCount for all parts]; tier 0 is the words drawn for
    // sentences, tier 1 those and the wide tier.
    std::vector<const WordEntry*> m_groups[2][26][kPartCount + 1];
    std::unordered_map<std::string_view, std::vector<const WordEntry*>> m_byForm;
};

// The words a request has given, and those it may never give, by their ids: a word listed as
// two parts of speech counts once. The marks live in a table the thread keeps from one request
// to the next, cleared as the request ends, so that a request pays for the words it marks, not
// for every word of the store; a second set alive at once on the thread has a table of its own.
class UsedWords {
public:
    explicit UsedWords(const WordStore& store);
    ~UsedWords();
    UsedWords(const UsedWords&) = delete;
    UsedWords& operator=(const UsedWords&) = delete;

    bool contains(const WordEntry& entry) const { return m_table->marks[entry.id] != 0; }
    bool forbidden(const WordEntry& entry) const { return m_table->marks[entry.id] == kForbidden; }
    void insert(const WordEntry& entry)
    {
        if (m_table->marks[entry.id] == 0) mark(entry.id, kGiven);
    }
    // Never given, not even once a long phrase has used the rest of its letter.
    void forbid(const WordEntry& entry) { mark(entry.id, kForbidden); }
    // Gives the group's words again, those forbidden apart.
    void release(WordGroup group)
    {
        for (const WordEntry* entry : group) {
            if (m_table->marks[entry->id] == kGiven) mark(entry->id, 0);
        }
    }
    // The first word of the group from `from` on, going round, that is not used; nothing when
    // all are.
    const WordEntry* firstUnused(WordGroup group, std::size_t from) const
    {
        for (std::size_t i = 0; i < group.size(); ++i) {
            const WordEntry* entry = group[(from + i) % group.size()];
            if (!contains(*entry)) return entry;
        }
        return nullptr;
    }
    // The marks made so far, and a way back to them: a plan made again starts from the words
    // it was asked to leave out.
    std::size_t marksMade() const { return m_table->changes.size(); }
    void undoMarksAfter(std::size_t made);

private:
    struct Table {
        std::vector<std::uint8_t> marks;  // by id
        struct Change {
            std::uint32_t id;
            std::uint8_t before;
        };
        std::vector<Change> changes;  // every mark set, in order
        bool taken = false;
    };

    void mark(std::uint32_t id, std::uint8_t value)
    {
        m_table->changes.push_back({id, m_table->marks[id]});
        m_table->marks[id] = value;
    }

    static constexpr std::uint8_t kGiven = 1;
    static constexpr std::uint8_t kForbidden = 2;
    static constexpr std::size_t kMostChangesKept = 4096;
    Table* m_table;
    std::unique_ptr<Table> m_own;
};

}  // namespace lexiquill::service
