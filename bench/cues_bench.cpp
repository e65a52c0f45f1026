// Cues for items that share initials, over real lists people learn (bench/data):
//
//   cues_bench LEXIQUILL [lists]      lists default to bench/data/shared-initials.txt
//
// - every cue stands for exactly one item of its list: a cue of two or three letters
//   begins that item's own start alone (items sharing leading words are known by the
//   first word where they differ); a single letter is the only item with that initial, or an
//   item with no start of its own (two "Adams"), which is counted apart;
// - `LEXIQUILL --mnemonics --acrostic --cues` against the mnemonic service in this
//   process: the share of cues of two or three letters that got a word beginning with
//   them, the key printed as the cues, no sentence with a word twice.
// Each figure is a line. Exits with 1 when a check fails.

#include <QCoreApplication>
#include <QProcess>
#include <QSet>
#include <cstdio>

#include "bench_support.h"
#include "generation/acrostic_cues.h"
#include "service/mnemonic_server.h"

using namespace lexiquill::bench;
using lexiquill::generation::acrosticCues;
using lexiquill::generation::acrosticLetters;
using lexiquill::generation::ownStarts;

namespace {

// How many of the items' own starts begin with the letters of cue.
qsizetype itemsBeginningWith(const QStringList& items, const QString& cue)
{
    const QStringList starts = ownStarts(items);
    return std::count_if(starts.cbegin(), starts.cend(), [&](const QString& item) {
        return acrosticLetters(item, cue.size()) == cue.toUpper();
    });
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: cues_bench LEXIQUILL [lists]\n");
        return 2;
    }
    const QList<List> lists = readLists(argc > 2 ? QString::fromLocal8Bit(argv[2])
                                                 : QStringLiteral(LEXIQUILL_BENCH_LISTS));
    if (lists.isEmpty()) {
        fail(QStringLiteral("no lists read"));
        return 1;
    }
    lexiquill::service::MnemonicServer service;
    if (!service.start("127.0.0.1", 0)) {
        fail(QStringLiteral("the service did not start"));
        return 1;
    }
    int items = 0, cueCount = 0, standing = 0, ownless = 0, longer = 0, fitted = 0, repeats = 0;
    bool ok = true;
    for (const List& list : lists) {
        const QStringList cues = acrosticCues(list.items);
        items += list.items.size();
        for (qsizetype i = 0; i < cues.size(); ++i) {
            ++cueCount;
            const qsizetype sharing = itemsBeginningWith(list.items, cues[i]);
            if (sharing == 1) {
                ++standing;
            } else if (cues[i].size() == 1) {
                ++ownless;
            } else {
                ok = false;
                fail(QStringLiteral("%1 stands for %2 items of %3")
                         .arg(cues[i])
                         .arg(sharing)
                         .arg(list.title));
            }
        }
        QProcess program;
        program.start(QString::fromLocal8Bit(argv[1]),
                      {"--mnemonics", "--acrostic", "--cues", "--quiet", "--service",
                       QStringLiteral("http://127.0.0.1:%1").arg(service.port())});
        program.write(list.items.join(u'\n').toUtf8());
        program.closeWriteChannel();
        program.waitForFinished(60000);
        const QStringList line =
            QString::fromUtf8(program.readAllStandardOutput()).trimmed().split(u'\t');
        const QStringList key = line.value(0).split(u' ');
        const QStringList words = line.value(1).split(u' ');
        if (program.exitCode() != 0 || key.size() != cues.size() || words.size() != cues.size()) {
            fail(QStringLiteral("%1: %2").arg(list.title,
                                              QString::fromUtf8(program.readAllStandardError())));
            return 1;
        }
        for (qsizetype i = 0; i < cues.size(); ++i) {
            if (!words[i].startsWith(key[i], Qt::CaseInsensitive) || !cues[i].startsWith(key[i])) {
                ok = false;
                fail(QStringLiteral("%1: %2 under the cue %3").arg(list.title, words[i], key[i]));
            }
            if (cues[i].size() < 2) continue;
            ++longer;
            if (key[i] == cues[i]) {
                ++fitted;
            } else {
                std::printf("  no word for %s (%s)\n", qPrintable(cues[i]),
                            qPrintable(list.items[i]));
            }
        }
        QSet<QString> distinct;
        for (const QString& word : words) distinct.insert(word.toLower());
        if (distinct.size() != words.size()) ++repeats;
    }
    std::printf("lists %lld, items %d\n", static_cast<long long>(lists.size()), items);
    std::printf(
        "cues standing for exactly one item: %d of %d; %d more keep one letter, having no "
        "start of their own\n",
        standing, cueCount, ownless);
    std::printf("cues of two or three letters: %d, with a word beginning with them: %d (%.1f%%)\n",
                longer, fitted, longer > 0 ? 100.0 * fitted / longer : 0.0);
    std::printf("sentences with a word twice: %d\n", repeats);
    return ok && repeats == 0 ? 0 : 1;
}
