#include "generation/any_order.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "generation/acrostic_cues.h"

namespace lexiquill::generation {

extern const char kSpellingWords[];
extern const std::size_t kSpellingWordsSize;

namespace {

constexpr int kLetters = 26;
// A short word of a key must be among this many most familiar words: further down
// the list two- to four-letter words are abbreviations and oddities ("nu", "ecu").
constexpr int kFamiliarShortWords = 12000;
constexpr qsizetype kShortestWord = 2;
constexpr qsizetype kLongestShortWord = 4;
// Past kExhaustiveItems the search for short words ends after kWordsSearchMs, the
// whole search after kSearchMs.
constexpr int kWordsSearchMs = 450;
constexpr int kSearchMs = 850;
// Past kExhaustiveItems the letters' search keeps this many best beginnings a length.
constexpr std::size_t kLettersBeam = 1000;
// A key of short words is looked for up to the longest sentence the service makes; its
// search goes a word deeper for every word.
constexpr std::size_t kLongestWordsSearch = 50;
constexpr double kNever = std::numeric_limits<double>::infinity();

// How many of each letter a to z; a string, to be a key of the search's tables.
using Counts = std::u16string;

Counts countsOf(std::string_view letters)
{
    Counts counts(kLetters, u'\0');
    for (const char c : letters) ++counts[static_cast<std::size_t>(c - 'a')];
    return counts;
}

bool holds(const Counts& counts, std::string_view letters)
{
    Counts left = counts;
    for (const char c : letters) {
        if (left[static_cast<std::size_t>(c - 'a')]-- == 0) return false;
    }
    return true;
}

qsizetype letterCount(const Counts& counts)
{
    qsizetype n = 0;
    for (const char16_t c : counts) n += c;
    return n;
}

qsizetype vowels(const Counts& counts)
{
    qsizetype n = 0;
    for (const char vowel : std::string_view("aeiouy")) n += counts[std::size_t(vowel - 'a')];
    return n;
}

void take(Counts& counts, std::string_view letters)
{
    for (const char c : letters) --counts[static_cast<std::size_t>(c - 'a')];
}

// The words a key may spell, as the word list has them (the most familiar first), and
// what the searches need of them.
struct Lexicon {
    std::vector<std::string_view> words;  // by familiarity
    // The most familiar word of each set of letters, by its letters in order.
    std::unordered_map<std::string, int> wordOfLetters;
    // Familiar words of two to four letters holding each letter, the most familiar first.
    std::array<std::vector<int>, kLetters> shortWordsWith;
    // How likely a letter follows another in English words, as a logarithm; index 26
    // stands for the word's start or end.
    std::array<std::array<double, kLetters + 1>, kLetters + 1> follows{};
};

void countLetterPairs(Lexicon& lexicon)
{
    std::array<std::array<double, kLetters + 1>, kLetters + 1> pairs{};
    for (const std::string_view word : lexicon.words) {
        int before = kLetters;
        for (const char c : word) {
            pairs[before][c - 'a'] += 1;
            before = c - 'a';
        }
        pairs[before][kLetters] += 1;
    }
    for (int a = 0; a <= kLetters; ++a) {
        double total = 0;
        for (const double n : pairs[a]) total += n + 1;
        for (int b = 0; b <= kLetters; ++b)
            lexicon.follows[a][b] = std::log((pairs[a][b] + 1) / total);
    }
}

Lexicon readLexicon()
{
    Lexicon lexicon;
    std::string_view text(kSpellingWords, kSpellingWordsSize);
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == '#') continue;
        const int rank = static_cast<int>(lexicon.words.size());
        lexicon.words.push_back(line);
        std::string sorted(line);
        std::sort(sorted.begin(), sorted.end());
        lexicon.wordOfLetters.try_emplace(sorted, rank);
        if (rank < kFamiliarShortWords && qsizetype(line.size()) >= kShortestWord &&
            qsizetype(line.size()) <= kLongestShortWord) {
            for (int letter = 0; letter < kLetters; ++letter) {
                if (line.find(char('a' + letter)) != std::string_view::npos) {
                    lexicon.shortWordsWith[letter].push_back(rank);
                }
            }
        }
    }
    countLetterPairs(lexicon);
    return lexicon;
}

const Lexicon& lexicon()
{
    static const Lexicon words = readLexicon();
    return words;
}

// Familiar words cost less; every word costs at least one, so that fewer, longer
// words win.
double wordCost(int rank) { return 1.0 + std::log10(rank + 10.0) / 5.0; }

// The cheapest way to spell all of a set of letters as short words, each word taken
// for the first letter left (so that each way is tried once), the solved sets
// remembered. Past the deadline it ends with the cheapest way found, if any.
class ShortWords {
public:
    ShortWords(const Lexicon& lexicon, QDeadlineTimer deadline)
        : m_lexicon(lexicon), m_deadline(deadline)
    {
    }

    std::vector<int> spell(const std::string& letters)
    {
        Counts left = countsOf(letters);
        solve(left);
        std::vector<int> words;
        while (left.find_first_not_of(u'\0') != Counts::npos) {
            const auto found = m_best.find(left);
            if (found == m_best.end() || found->second.word < 0) return {};
            words.push_back(found->second.word);
            take(left, m_lexicon.words[static_cast<std::size_t>(found->second.word)]);
        }
        return words;
    }

private:
    struct Best {
        double cost = kNever;
        int word = -1;
        bool settled = false;  // every way was tried
    };

    double solve(const Counts& left)
    {
        const std::size_t first = left.find_first_not_of(u'\0');
        if (first == Counts::npos) return 0;
        Best& known = m_best[left];
        if (known.settled || m_deadline.hasExpired()) return known.cost;
        // Every short word has a vowel (or "y") and at most four letters: too few
        // vowels cannot be spelt, however long the search.
        if (vowels(left) * kLongestShortWord < letterCount(left)) {
            known.settled = true;
            return kNever;
        }
        Best best;
        for (const int rank : m_lexicon.shortWordsWith[first]) {
            const std::string_view word = m_lexicon.words[static_cast<std::size_t>(rank)];
            if (!holds(left, word)) continue;
            Counts rest = left;
            take(rest, word);
            const double cost = wordCost(rank) + solve(rest);
            if (cost < best.cost) best = {cost, rank, false};
        }
        best.settled = !m_deadline.hasExpired();
        m_best[left] = best;  // solve() may have grown the table: no reference held
        return best.cost;
    }

    const Lexicon& m_lexicon;
    QDeadlineTimer m_deadline;
    std::unordered_map<Counts, Best> m_best;
};

// The order of the letters that reads most like an English word, by how often each
// letter follows the one before in the word list, built a letter at a time: every
// beginning is kept up to kExhaustiveItems letters (which makes it exact); beyond, the
// likeliest kLettersBeam, and only the likeliest once the deadline has passed.
std::string likeliestString(const Lexicon& lexicon, const std::string& letters,
                            QDeadlineTimer deadline)
{
    struct Beginning {
        double score = 0;
        std::string text;
        Counts left;
    };
    const bool exact = qsizetype(letters.size()) <= kExhaustiveItems;
    const auto likelier = [](const Beginning& a, const Beginning& b) {
        return a.score > b.score || (a.score == b.score && a.text < b.text);
    };
    std::vector<Beginning> layer{{0, {}, countsOf(letters)}};
    while (layer.front().text.size() < letters.size() && (exact || !deadline.hasExpired())) {
        // Beginnings with the same letters left and the same last letter go on alike:
        // keep the likeliest of each.
        std::unordered_map<Counts, Beginning> next;
        for (const Beginning& b : layer) {
            const int before = b.text.empty() ? kLetters : b.text.back() - 'a';
            for (int c = 0; c < kLetters; ++c) {
                if (b.left[std::size_t(c)] == 0) continue;
                Beginning longer{b.score + lexicon.follows[before][c], b.text + char('a' + c),
                                 b.left};
                --longer.left[std::size_t(c)];
                if (longer.text.size() == letters.size())
                    longer.score += lexicon.follows[c][kLetters];
                auto [at, added] = next.try_emplace(longer.left + char16_t(c), longer);
                if (!added && likelier(longer, at->second)) at->second = std::move(longer);
            }
        }
        layer.clear();
        for (auto& [key, b] : next) layer.push_back(std::move(b));
        const std::size_t keep = exact ? layer.size() : kLettersBeam;
        if (layer.size() > keep) {
            std::nth_element(layer.begin(), layer.begin() + std::ptrdiff_t(keep) - 1, layer.end(),
                             likelier);
            layer.resize(keep);
        }
    }
    Beginning best = *std::min_element(layer.begin(), layer.end(), likelier);
    // Out of time: the rest a letter at a time, each the likeliest after the one before.
    while (best.text.size() < letters.size()) {
        const int before = best.text.empty() ? kLetters : best.text.back() - 'a';
        int chosen = -1;
        for (int c = 0; c < kLetters; ++c) {
            if (best.left[std::size_t(c)] > 0 &&
                (chosen < 0 || lexicon.follows[before][c] > lexicon.follows[before][chosen])) {
                chosen = c;
            }
        }
        --best.left[std::size_t(chosen)];
        best.text += char('a' + chosen);
    }
    return best.text;
}

// How the letters are best spelt, and the key that shows it.
std::pair<QString, KeySpelling> bestKey(const std::string& letters)
{
    const Lexicon& words = lexicon();
    std::string sorted = letters;
    std::sort(sorted.begin(), sorted.end());
    if (const auto word = words.wordOfLetters.find(sorted);
        letters.size() >= std::size_t(kShortestWord) && word != words.wordOfLetters.end()) {
        const std::string_view text = words.words[std::size_t(word->second)];
        return {QString::fromLatin1(text.data(), qsizetype(text.size())).toUpper(),
                KeySpelling::Word};
    }
    const bool exact = qsizetype(letters.size()) <= kExhaustiveItems;
    const QDeadlineTimer deadline(exact ? QDeadlineTimer(QDeadlineTimer::Forever)
                                        : QDeadlineTimer(kSearchMs));
    ShortWords shortWords(words, exact ? deadline : QDeadlineTimer(kWordsSearchMs));
    const std::vector<int> found =
        letters.size() <= kLongestWordsSearch ? shortWords.spell(letters) : std::vector<int>();
    if (!found.empty()) {
        QStringList key;
        for (const int rank : found) {
            const std::string_view text = words.words[std::size_t(rank)];
            key.append(QString::fromLatin1(text.data(), qsizetype(text.size())).toUpper());
        }
        return {key.join(u' '), KeySpelling::Words};
    }
    return {QString::fromLatin1(likeliestString(words, letters, deadline)).toUpper(),
            KeySpelling::Letters};
}

}  // namespace

SpellingOrder orderThatSpells(const QStringList& starts)
{
    std::string letters;
    // The items of each initial, in their order, and those without one.
    std::array<std::vector<qsizetype>, kLetters> withInitial;
    QList<qsizetype> withoutLetter;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const QString initial = acrosticLetters(starts[i], 1);
        if (initial.isEmpty()) {
            withoutLetter.append(i);
        } else {
            letters += char(initial.front().toLower().toLatin1());
            withInitial[std::size_t(letters.back() - 'a')].push_back(i);
        }
    }
    SpellingOrder result;
    if (!letters.empty()) std::tie(result.key, result.spelling) = bestKey(letters);
    std::array<std::size_t, kLetters> taken{};
    for (const QChar c : result.key) {
        if (c == u' ') continue;
        const auto letter = std::size_t(c.unicode() - u'A');
        result.order.append(withInitial[letter][taken[letter]++]);
    }
    result.order.append(withoutLetter);
    return result;
}

}  // namespace lexiquill::generation
