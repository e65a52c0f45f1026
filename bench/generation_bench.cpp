// Times "Start Generating" over large word lists in the real window, with the real
// event pump, against awk doing the same acronyms as one whole process.
//
//   generation_bench [size...]      sizes default to 100000 1000000;
//                                   generation_bench 10000000 for the largest lists
//
// Each figure is printed on a line of its own: each size's run against awk, the peak
// memory with the last size's lists full, then on those lists Delete on the middle
// phrase, rows appended while the results list is scrolled, and Clear List. Exits with 1 when a run
// did not end with "Done." and a full results list, or when awk's results differ from ours: a fast
// run that gives wrong results measures nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "bench_support.h"
#include "platform/event_pump.h"
#include "platform/list_view.h"
#include "platform/platform.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

using namespace lexiquill::bench;

namespace {

using lexiquill::platform::ListView;
using lexiquill::test::FakeDialogs;
using lexiquill::window::MainWindow;

// ASCII only: mawk upper-cases bytes, so only here do both sides agree on case.
// Lower-case, capitalised and upper-case starts, a digit and a hyphen.
constexpr const char* kWords[] = {
    "apple",  "bridge",  "candle",   "Dolphin", "engine", "forest",    "garden", "harbor", "island",
    "jacket", "kettle",  "Lantern",  "meadow",  "needle", "orchard",   "pepper", "quartz", "river",
    "saddle", "Thunder", "umbrella", "valley",  "window", "xylophone", "yellow", "zephyr", "anchor",
    "BASKET", "copper",  "desert",   "ember",   "falcon", "glacier",   "hammer", "ivory",  "jungle",
    "kernel", "ladder",  "marble",   "nectar",  "oyster", "pillow",    "quiver", "rocket", "silver",
    "timber", "3d",      "x-ray",    "velvet",  "walnut",
};

// The same phrases on every run: mostly three words, some two or four, and a few
// with a doubled blank inside or a blank at either end.
class PhraseSource {
public:
    QString next()
    {
        const std::uint32_t shape = m_random() % 1000;
        int words = 3;
        if (shape < 100) {
            words = 2;
        } else if (shape < 200) {
            words = 4;
        }
        const bool leadingBlank = shape >= 980 && shape < 985;
        const bool trailingBlank = shape >= 985 && shape < 990;
        const bool doubledBlank = shape >= 990;

        QString phrase;
        if (leadingBlank) phrase += QLatin1Char(' ');
        for (int w = 0; w < words; ++w) {
            if (w > 0) phrase += QLatin1String(doubledBlank && w == 1 ? "  " : " ");
            phrase += QLatin1String(kWords[m_random() % std::size(kWords)]);
        }
        if (trailingBlank) phrase += QLatin1Char(' ');
        return phrase;
    }

private:
    // The standard fixes mt19937's sequence, so the phrases do not depend on the
    // library; the modulo bias does not matter here.
    std::mt19937 m_random{20240611u};
};

// The acronym as the program builds it: the blanks at both ends dropped, then the
// first character of every word between single blanks, empty words included.
const QString kAwkProgram = QStringLiteral(R"awk({
    t = $0
    sub(/^ +/, "", t)
    sub(/ +$/, "", t)
    n = (t == "") ? 0 : split(t, w, / /)
    a = ""
    for (i = 1; i <= n; i++) a = a toupper(substr(w[i], 1, 1)) "."
    print $0 "\t" a
})awk");

// Appends n phrases to the word list and writes the same phrases, one a line, to
// phrasePath. The bench keeps no copy of its own, so that the peak memory is the
// window's.
bool fillWordList(ListView& wordList, int n, const QString& phrasePath)
{
    QFile file(phrasePath);
    if (!file.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("cannot write %1: %2").arg(phrasePath, file.errorString()));
        return false;
    }
    PhraseSource source;
    QByteArray chunk;
    for (int i = 0; i < n; ++i) {
        const QString phrase = source.next();
        wordList.append(phrase);
        chunk += phrase.toUtf8();
        chunk += '\n';
        if (chunk.size() >= (1 << 20)) {
            if (file.write(chunk) != chunk.size()) break;
            chunk.clear();
        }
    }
    if (file.write(chunk) != chunk.size() || !file.flush()) {
        fail(QStringLiteral("cannot write %1: %2").arg(phrasePath, file.errorString()));
        return false;
    }
    return true;
}

// Runs awk over the phrases, its output going to outputPath; returns the wall time
// of the whole process in nanoseconds.
std::optional<qint64> runAwk(const QString& phrasePath, const QString& outputPath)
{
    QProcess awk;
    // mawk cases bytes whatever the locale; this keeps another awk on PATH to bytes too.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    awk.setProcessEnvironment(env);
    awk.setStandardOutputFile(outputPath);
    awk.setStandardInputFile(QProcess::nullDevice());

    QElapsedTimer timer;
    timer.start();
    awk.start(QStringLiteral("awk"), {kAwkProgram, phrasePath});
    const bool finished = awk.waitForStarted(-1) && awk.waitForFinished(-1);
    const qint64 elapsed = timer.nsecsElapsed();

    if (!finished || awk.exitStatus() != QProcess::NormalExit || awk.exitCode() != 0) {
        fail(QStringLiteral("awk failed (%1, exit code %2): %3")
                 .arg(awk.errorString())
                 .arg(awk.exitCode())
                 .arg(QString::fromLocal8Bit(awk.readAllStandardError()).trimmed()));
        return std::nullopt;
    }
    return elapsed;
}

// Every row of the results list against awk's line for the same phrase.
bool sameAsAwk(const QString& awkOutputPath, const ListView& results, int n)
{
    QFile file(awkOutputPath);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1: %2").arg(awkOutputPath, file.errorString()));
        return false;
    }
    int row = 0;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.endsWith('\n')) line.chop(1);
        ++row;
        if (row > n) {
            fail(QStringLiteral("awk gave more than %1 lines").arg(n));
            return false;
        }
        const QString ours = results.text(row) + QLatin1Char('\t') + results.subText(row, 2);
        const QString theirs = QString::fromUtf8(line);
        if (ours != theirs) {
            fail(QStringLiteral("row %1 differs from awk: ours \"%2\", awk \"%3\"")
                     .arg(row)
                     .arg(ours, theirs));
            return false;
        }
    }
    if (row != n) {
        fail(QStringLiteral("awk gave %1 lines for %2 phrases").arg(row).arg(n));
        return false;
    }
    return true;
}

struct Timings {
    qint64 lexiquillNs = 0;
    qint64 awkNs = 0;
};

// One size: fills a fresh window's word list, generates, and runs awk over the
// same phrases. The window is handed back so that the caller can measure it full.
std::optional<Timings> runSize(int n, const QTemporaryDir& dir, std::unique_ptr<MainWindow>& window)
{
    FakeDialogs* recorded = nullptr;
    lexiquill::platform::Platform platform = windowPlatform(recorded);
    FakeDialogs& messages = *recorded;
    platform.fileReader = std::make_unique<lexiquill::adapters::LocalFileReader>();
    window = std::make_unique<MainWindow>(std::move(platform));
    window->show();
    settle(100);

    ListView& wordList = window->context().wordList();
    ListView& results = window->context().resultTable();
    auto* startGenerating = window->findChild<QPushButton*>(QStringLiteral("PushButton2"));
    if (startGenerating == nullptr) {
        fail(QStringLiteral("no PushButton2 in the window"));
        return std::nullopt;
    }

    const QString phrasePath = dir.filePath(QStringLiteral("phrases-%1.txt").arg(n));
    if (!fillWordList(wordList, n, phrasePath)) return std::nullopt;
    // Long enough for the list to show its rows before the click.
    settle(200);

    QElapsedTimer timer;
    std::optional<qint64> doneAfter;
    messages.onMessage = [&](const QString& text) {
        if (text == QLatin1String("Done.") && !doneAfter) doneAfter = timer.nsecsElapsed();
    };
    timer.start();
    startGenerating->click();
    messages.onMessage = nullptr;

    if (!doneAfter || messages.messages != QStringList{QStringLiteral("Done.")}) {
        fail(QStringLiteral("the run did not end with \"Done.\" alone; messages: [%1]")
                 .arg(messages.messages.join(QStringLiteral("], ["))));
        return std::nullopt;
    }
    if (!messages.errorReports.isEmpty()) {
        fail(QStringLiteral("the run reported errors: %1").arg(messages.errorReports.first()));
        return std::nullopt;
    }
    if (results.rowCount() != n || wordList.rowCount() != n) {
        fail(QStringLiteral("%1 phrases gave %2 result rows (word list now %3 rows)")
                 .arg(n)
                 .arg(results.rowCount())
                 .arg(wordList.rowCount()));
        return std::nullopt;
    }

    // The checked run also brings the phrases and awk itself into the page cache, so
    // that the timed run pays for neither.
    const QString awkOutputPath = dir.filePath(QStringLiteral("awk-%1.txt").arg(n));
    if (!runAwk(phrasePath, awkOutputPath)) return std::nullopt;
    if (!sameAsAwk(awkOutputPath, results, n)) return std::nullopt;
    QFile::remove(awkOutputPath);
    const std::optional<qint64> awkNs = runAwk(phrasePath, QProcess::nullDevice());
    if (!awkNs) return std::nullopt;
    QFile::remove(phrasePath);

    return Timings{*doneAfter, *awkNs};
}

// What a user does with the lists once they are long. Every figure includes the
// repaint of the list it changed.
bool timeListOperations(MainWindow& window)
{
    using lexiquill::widgets::ListControl;
    auto* words = window.findChild<ListControl*>(QStringLiteral("ListView1"));
    auto* results = window.findChild<ListControl*>(QStringLiteral("ListView2"));
    auto* clearResults = window.findChild<QPushButton*>(QStringLiteral("PushButton5"));
    if (words == nullptr || results == nullptr || clearResults == nullptr) {
        fail(QStringLiteral("no ListView1, ListView2 or PushButton5 in the window"));
        return false;
    }
    QElapsedTimer timer;

    const int phrases = words->rowCount();
    const int middle = phrases / 2 + 1;
    const QString next = middle < phrases ? words->text(middle + 1) : QString();
    words->setFocus();
    words->scrollTo(words->model()->index(middle - 1, 0), QAbstractItemView::PositionAtCenter);
    words->selectRow(middle - 1);
    settle(50);
    timer.start();
    QTest::keyClick(words, Qt::Key_Delete);
    words->repaint();
    const qint64 removeNs = timer.nsecsElapsed();
    if (words->rowCount() != phrases - 1 || (middle < phrases && words->text(middle) != next)) {
        fail(QStringLiteral("Delete did not remove phrase %1 alone").arg(middle));
        return false;
    }
    std::printf("Delete on phrase %d of %d: %.1f ms\n", middle, phrases, milliseconds(removeNs));

    constexpr int kAppended = 100000;
    const QString phrase = QStringLiteral("scrolled along");
    const QString acronym = QStringLiteral("S.A.");
    results->scrollTo(results->model()->index(results->model()->rowCount() / 2, 0),
                      QAbstractItemView::PositionAtCenter);
    settle(50);
    timer.restart();
    for (int i = 0; i < kAppended; ++i) {
        results->setSubText(results->append(phrase), 2, acronym);
        window.context().pump().yield();
    }
    const qint64 appendNs = timer.nsecsElapsed();
    std::printf("%d rows appended with a yield each, results list scrolled: %.0f ms\n", kAppended,
                milliseconds(appendNs));

    const int rows = results->rowCount();
    timer.restart();
    clearResults->click();
    results->repaint();
    const qint64 clearNs = timer.nsecsElapsed();
    if (results->rowCount() != 0) {
        fail(QStringLiteral("Clear List left %1 rows").arg(results->rowCount()));
        return false;
    }
    std::printf("Clear List on %d result rows: %.1f ms\n", rows, milliseconds(clearNs));
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    useOffscreenUnlessSet();
    QApplication app(argc, argv);

    std::vector<int> sizes;
    for (const QString& arg : QCoreApplication::arguments().mid(1)) {
        bool ok = false;
        const int n = arg.toInt(&ok);
        if (!ok || n < 1) {
            std::fprintf(stderr, "usage: generation_bench [phrase count...]\n");
            return 2;
        }
        sizes.push_back(n);
    }
    if (sizes.empty()) sizes = {100000, 1000000};

    QTemporaryDir dir;
    if (!dir.isValid()) {
        fail(QStringLiteral("cannot create a temporary folder: %1").arg(dir.errorString()));
        return 1;
    }

    std::unique_ptr<MainWindow> window;
    std::vector<qint64> lexiquillNs;
    for (const int n : sizes) {
        // The previous size's lists go before this size's are built.
        window.reset();
        const std::optional<Timings> t = runSize(n, dir, window);
        if (!t) return 1;
        lexiquillNs.push_back(t->lexiquillNs);
        std::printf("phrases %d: lexiquill %.0f ms, awk %.0f ms, ratio %.1f\n", n,
                    milliseconds(t->lexiquillNs), milliseconds(t->awkNs),
                    static_cast<double>(t->lexiquillNs) / static_cast<double>(t->awkNs));
        std::fflush(stdout);
    }

    if (sizes.size() > 1) {
        std::printf(
            "ratio %d/%d: %.1f\n", sizes.back(), sizes.front(),
            static_cast<double>(lexiquillNs.back()) / static_cast<double>(lexiquillNs.front()));
    }
    // The last window still holds its word list and its results.
    std::printf("peak memory (%d phrases, %d result rows): %ld MB\n", sizes.back(),
                window->context().resultTable().rowCount(), peakMemoryMiB());
    std::fflush(stdout);
    return timeListOperations(*window) ? 0 : 1;
}
