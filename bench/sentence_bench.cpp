// The sentences the mnemonic service plans, judged as a reader would:
//
//   sentence_bench [FAMILIAR_WORDS]
//
// FAMILIAR_WORDS is the list `tools/make_mnemonic_words.py --familiar-words` prints (the 10,000
// most spoken word forms); without it that figure is left out. Over 1,000 seeded plans of random
// letter strings of 1 to 24 letters and over the real study lists of bench/data (their initials,
// and their cues, with the items avoided): the share of sentences of an English shape, of "An"
// before a vowel sound, of familiar words, of plans without a word twice, of sentences of 4 to 8
// words, and of words of grammar. Over 10,000 plans: words a classroom excludes, and items of
// the list used. Then the time of a 24-letter page and its growth to 10,000 letters. One figure
// a line.

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <unordered_set>

#include "generation/acrostic_cues.h"
#include "service/draw.h"
#include "service/mnemonic_page.h"
#include "service/sentence_planner.h"
#include "support/sentence_shapes.h"

using namespace lexiquill::service;

namespace {

std::unordered_set<std::string> readWords(const QString& path, bool withForms)
{
    std::unordered_set<std::string> words;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return words;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const std::string word = line.split('#').first().trimmed().toLower().toStdString();
        if (word.empty()) continue;
        words.insert(word);
        if (withForms) words.insert({word + "s", word + "es"});
    }
    return words;
}

struct List {
    QString title;
    QStringList items;
};

QList<List> readLists(const QString& path)
{
    QFile file(path);
    QList<List> lists;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return lists;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(QLatin1String("# "))) {
            lists.append({line.mid(2), {}});
        } else if (!line.isEmpty() && !line.startsWith(u'#') && !lists.isEmpty()) {
            lists.last().items.append(line);
        }
    }
    return lists;
}

// The entries a planned word is, by its form and part.
std::vector<const WordEntry*> entriesOf(const PlannedWord& word)
{
    std::vector<const WordEntry*> found;
    for (const WordEntry* e : WordStore::builtIn().entriesWithForm(word.word)) {
        if (e->part == word.part) found.push_back(e);
    }
    return found;
}

struct Tally {
    long sentences = 0, shaped = 0, fourToEight = 0;
    long ans = 0, ansRight = 0;
    long words = 0, familiar = 0, familiarBase = 0, grammarWords = 0;
    long plans = 0, plansWithoutRepeats = 0, wordByWord = 0;

    void add(const std::vector<PlannedWord>& plan, const std::unordered_set<std::string>& known);
    void print(const char* what, bool withFamiliar) const;
};

void Tally::add(const std::vector<PlannedWord>& plan, const std::unordered_set<std::string>& known)
{
    static const WordTraits vowel = *traitNamed("an");
    ++plans;
    std::unordered_set<std::uint32_t> ids;
    bool repeated = false;
    std::string letters;
    int length = 0;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const PlannedWord& word = plan[i];
        letters += partLetter(partName(word.part));
        ++length;
        ++words;
        familiar += known.count(word.word) > 0;
        const std::vector<const WordEntry*> entries = entriesOf(word);
        familiarBase +=
            known.count(entries.empty() ? word.word : std::string(entries[0]->word)) > 0;
        grammarWords += word.part > PartOfSpeech::Adverb;
        for (const WordEntry* e : entriesOf(word)) repeated |= !ids.insert(e->id).second;
        if (word.word == "an") {
            ++ans;
            bool right = false;
            for (const WordEntry* e :
                 i + 1 < plan.size() ? entriesOf(plan[i + 1]) : entriesOf(word)) {
                right |= i + 1 < plan.size() && e->has(vowel);
            }
            ansRight += right;
        }
        if (word.after == ',') letters += ',';
        if (word.after == '.') {
            ++sentences;
            shaped += readsAsSentence(letters);
            fourToEight += length >= 4 && length <= 8;
            letters.clear();
            length = 0;
        }
    }
    plansWithoutRepeats += !repeated;
    // A plan where no shape fits has its words one by one, outside any slot.
    wordByWord +=
        std::any_of(plan.begin(), plan.end(), [](const PlannedWord& w) { return w.slot < 0; });
}

void Tally::print(const char* what, bool withFamiliar) const
{
    const auto share = [](long part, long whole) { return whole ? 100.0 * part / whole : 100.0; };
    std::printf("%s: sentences of an English shape: %.1f%% of %ld\n", what,
                share(shaped, sentences), sentences);
    std::printf("%s: \"An\" before a vowel sound: %.1f%% of %ld\n", what, share(ansRight, ans),
                ans);
    if (withFamiliar) {
        std::printf(
            "%s: words among the 10,000 most spoken: %.1f%% of %ld, %.1f%% by their "
            "listed form (\"king\" for \"kings\")\n",
            what, share(familiar, words), words, share(familiarBase, words));
    }
    std::printf("%s: plans without a word twice: %.1f%% of %ld\n", what,
                share(plansWithoutRepeats, plans), plans);
    std::printf("%s: sentences of 4 to 8 words: %.1f%%, %.1f words a sentence\n", what,
                share(fourToEight, sentences), sentences ? double(words) / sentences : 0.0);
    std::printf("%s: words of grammar: %.1f%%\n", what, share(grammarWords, words));
    std::printf("%s: plans no shape fits, planned word by word: %ld of %ld\n", what, wordByWord,
                plans);
}

std::string randomLetters(Draw& draw, std::size_t length)
{
    std::string letters;
    for (std::size_t i = 0; i < length; ++i) letters += static_cast<char>('A' + draw.below(26));
    return letters;
}

double cpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

// The plan requests of a study list: its initials, then its cues, with its items avoided.
std::vector<PlanRequest> listRequests(const List& list, std::uint64_t seed)
{
    PlanRequest initials;
    initials.seed = seed;
    for (const QString& item : list.items) {
        const QString letter = lexiquill::generation::acrosticLetters(item, 1).toLower();
        if (!letter.isEmpty()) initials.starts.push_back(letter.toStdString());
        for (const QString& word :
             item.toLower().split(QRegularExpression("[^a-z]+"), Qt::SkipEmptyParts)) {
            initials.avoid.push_back(word.toStdString());
        }
    }
    PlanRequest cues = initials;
    cues.starts.clear();
    for (const QString& cue : lexiquill::generation::acrosticCues(list.items)) {
        if (!cue.isEmpty()) cues.starts.push_back(cue.toLower().toStdString());
    }
    return {initials, cues};
}

void judgeStudyLists(const std::unordered_set<std::string>& known)
{
    Tally lists;
    long items = 0, itemsUsed = 0;
    QList<List> all = readLists(QStringLiteral(LEXIQUILL_BENCH_DATA "/shared-initials.txt"));
    all += readLists(QStringLiteral(LEXIQUILL_BENCH_DATA "/study-lists.txt"));
    for (const List& list : all) {
        for (std::uint64_t seed = 0; seed < 4; ++seed) {
            for (const PlanRequest& request : listRequests(list, seed)) {
                const std::vector<PlannedWord> plan = SentencePlanner::builtIn().plan(request);
                lists.add(plan, known);
                for (const PlannedWord& word : plan) {
                    ++items;
                    for (const WordEntry* e : entriesOf(word)) {
                        itemsUsed += std::find(request.avoid.begin(), request.avoid.end(),
                                               std::string(e->word)) != request.avoid.end();
                    }
                }
            }
        }
    }
    std::printf("study lists: %lld lists, initials and cues, 4 seeds each\n",
                static_cast<long long>(all.size()));
    lists.print("study lists", !known.empty());
    std::printf("study lists: words that are an item of their list: %ld of %ld\n", itemsUsed,
                items);
}

// Words of the block list (with -s and -es) and those the learners named.
void countExcluded(Draw& draw)
{
    const std::unordered_set<std::string> excluded =
        readWords(QStringLiteral(LEXIQUILL_BLOCKLIST), true);
    long excludedWords = 0, checked = 0;
    const char* named[] = {"alcohol", "vodka",     "tequila", "cocktail", "nightclub",
                           "inmate",  "cigarette", "toilet",  "grub",     "notch",
                           "overlay", "tramp",     "fell",    "avail",    "understudy"};
    for (std::uint64_t seed = 0; seed < 10000; ++seed) {
        for (const PlannedWord& word : SentencePlanner::builtIn().plan(
                 letterRequest(randomLetters(draw, 1 + draw.below(24)), seed))) {
            ++checked;
            for (const WordEntry* e : entriesOf(word)) {
                const std::string base(e->word);
                excludedWords +=
                    excluded.count(base) > 0 ||
                    std::find(std::begin(named), std::end(named), base) != std::end(named);
            }
        }
    }
    std::printf("10,000 plans: words a classroom excludes or learners call obscure: %ld of %ld\n",
                excludedWords, checked);
}

std::size_t timePages(Draw& draw)
{
    std::size_t bytes = 0;
    std::vector<std::string> pages(1000);
    for (std::string& letters : pages) letters = randomLetters(draw, 24);
    double begin = cpuMicroseconds();
    for (int n = 0; n < 20000; ++n) bytes += mnemonicPage(pages[n % 1000], n).size();
    std::printf("24-letter page: %.2f us of CPU\n", (cpuMicroseconds() - begin) / 20000);
    for (const std::size_t length : {10, 100, 1000, 10000}) {
        const std::string letters = randomLetters(draw, length);
        const int rounds = static_cast<int>(100000 / length);
        begin = cpuMicroseconds();
        for (int n = 0; n < rounds; ++n) bytes += mnemonicPage(letters, n).size();
        std::printf("%zu-letter page: %.3f us of CPU a letter\n", length,
                    (cpuMicroseconds() - begin) / rounds / length);
    }
    return bytes;
}

}  // namespace

int main(int argc, char* argv[])
{
    const std::unordered_set<std::string> known =
        argc > 1 ? readWords(QString::fromLocal8Bit(argv[1]), false)
                 : std::unordered_set<std::string>();
    Tally random;
    Draw draw(20261208);
    for (std::uint64_t seed = 0; seed < 1000; ++seed) {
        random.add(SentencePlanner::builtIn().plan(
                       letterRequest(randomLetters(draw, 1 + draw.below(24)), seed)),
                   known);
    }
    random.print("random letters", !known.empty());
    judgeStudyLists(known);
    countExcluded(draw);
    return timePages(draw) == 0;
}
