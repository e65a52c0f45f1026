// Orders that spell a word, over real sets whose order does not matter (bench/data):
//
//   any_order_bench [sets]      sets default to bench/data/unordered-sets.txt
//
// - every answer is an order of all the items, and its key their initials in that order;
// - of the sets of up to 12 items: the share whose key is a word or a string of words,
//   and each set's key;
// - the time for the sets of 12 items (every order weighed) and of more (the search),
//   the word list already read, and the first call's reading of the word list.
// Each figure is a line. Exits with 1 when a check fails.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

#include "bench_support.h"
#include "generation/acrostic_cues.h"
#include "generation/any_order.h"

using namespace lexiquill::bench;
using lexiquill::generation::acrosticLetters;
using lexiquill::generation::KeySpelling;
using lexiquill::generation::orderThatSpells;
using lexiquill::generation::SpellingOrder;

namespace {

// True when order holds every item once and the key spells their initials in it.
bool spellsItsOrder(const QStringList& items, const SpellingOrder& answer)
{
    QList<qsizetype> sorted = answer.order;
    std::sort(sorted.begin(), sorted.end());
    QString initials;
    for (const qsizetype i : answer.order) initials += acrosticLetters(items.value(i), 1);
    bool permutation = sorted.size() == items.size();
    for (qsizetype i = 0; permutation && i < sorted.size(); ++i) permutation = sorted[i] == i;
    return permutation && QString(answer.key).remove(u' ') == initials;
}

const char* spellingName(KeySpelling spelling)
{
    switch (spelling) {
        case KeySpelling::Word:
            return "word";
        case KeySpelling::Words:
            return "words";
        case KeySpelling::Letters:
            break;
    }
    return "letters";
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QList<List> lists = readLists(argc > 1 ? QString::fromLocal8Bit(argv[1])
                                                 : QStringLiteral(LEXIQUILL_BENCH_SETS));
    QElapsedTimer timer;
    timer.start();
    orderThatSpells({QStringLiteral("a")});
    std::printf("reading the word list (first call): %.1f ms\n",
                milliseconds(timer.nsecsElapsed()));
    int sets = 0, spelt = 0;
    double slowest12 = 0, slowestLonger = 0;
    bool ok = true;
    for (const List& list : lists) {
        timer.restart();
        const SpellingOrder answer = orderThatSpells(list.items);
        const double ms = milliseconds(timer.nsecsElapsed());
        if (!spellsItsOrder(list.items, answer)) {
            fail(QStringLiteral("%1: %2 is not an order of its items").arg(list.title, answer.key));
            ok = false;
        }
        std::printf("  %-50s %2lld items  %-8s %s  %.1f ms\n", qPrintable(list.title),
                    static_cast<long long>(list.items.size()), spellingName(answer.spelling),
                    qPrintable(answer.key), ms);
        if (list.items.size() == lexiquill::generation::kExhaustiveItems)
            slowest12 = std::max(slowest12, ms);
        if (list.items.size() > lexiquill::generation::kExhaustiveItems) {
            slowestLonger = std::max(slowestLonger, ms);
            continue;
        }
        ++sets;
        spelt += answer.spelling != KeySpelling::Letters;
    }
    std::printf("sets of 3 to 12 items: %d; a word or a string of words: %d (%.0f%%)\n", sets,
                spelt, sets > 0 ? 100.0 * spelt / sets : 0.0);
    std::printf("slowest set of 12 items: %.1f ms\n", slowest12);
    std::printf("slowest set of more than 12 items: %.1f ms\n", slowestLonger);
    return ok && sets > 0 ? 0 : 1;
}
