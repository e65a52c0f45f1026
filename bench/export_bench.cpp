// Times the exports of the ticked results through the real window and the real event
// pump, writer and clipboard: "Save Results To Text File" against `column -t -s $'\t'`
// aligning the same rows from a file, "Save Ticked Rows as Flashcards…" beside it, and
// "Copy Results To Clipboard". Also measures how far the export raises the program's
// peak memory.
//
//   export_bench [rows]      rows default to 100000, all ticked
//
// Prints one figure a line. Exits with 1 when an export reported an error or its
// output differs from what column made of the same rows.

#include <malloc.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "adapters/qt_clipboard.h"
#include "bench_support.h"
#include "menu/flashcards.h"
#include "menu/result_menu.h"
#include "support/flashcard_reader.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

using namespace lexiquill::bench;

namespace {

using lexiquill::test::FakeDialogs;
using lexiquill::window::MainWindow;

constexpr const char* kWords[] = {"apple",  "bridge", "candle",  "dolphin", "engine", "forest",
                                  "garden", "harbor", "island",  "jacket",  "kettle", "lantern",
                                  "meadow", "needle", "orchard", "pepper",  "quartz", "river"};

// Resident and peak resident memory in kB, from /proc/self/status.
long statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(qstrlen(field)))
                .trimmed()
                .split(' ')
                .first()
                .toLong();
    }
    return -1;
}

// Lets the peak resident memory start again from the current one. Memory freed
// earlier goes back to the system first, so that what a command allocates shows in
// the peak instead of hiding in the heap's free space.
bool resetPeakMemory()
{
    malloc_trim(0);
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

// Fills the results with n ticked rows of one to four words, numbered, and their acronyms, and
// writes the same rows, with the header line, tab-separated to path.
bool fillResults(MainWindow& window, int n, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    auto& results = window.context().resultTable();
    QByteArray chunk = " Word(s)\tResult\n";
    unsigned seed = 12345;
    for (int i = 0; i < n; ++i) {
        QString phrase;
        QString acronym;
        const int words = 1 + static_cast<int>((seed >> 16) % 4);
        for (int w = 0; w < words; ++w) {
            seed = seed * 1103515245u + 12345u;
            const QString word = QLatin1String(kWords[(seed >> 16) % std::size(kWords)]);
            if (w > 0) phrase += QLatin1Char(' ');
            phrase += word;
            acronym += word[0].toUpper() + QLatin1Char('.');
        }
        // Each phrase its own, so that the flashcards have a note for every row.
        phrase += QString::number(i);
        const int row = results.append(phrase);
        results.setSubText(row, 2, acronym);
        chunk += (phrase + QLatin1Char('\t') + acronym + QLatin1Char('\n')).toUtf8();
    }
    auto& list = *window.findChild<lexiquill::widgets::ListControl*>(QStringLiteral("ListView2"));
    list.rows().publishRows();
    for (int r = 0; r < n; ++r) {
        list.model()->setData(list.model()->index(r, 0), Qt::Checked, Qt::CheckStateRole);
    }
    return file.write(chunk) == chunk.size();
}

std::optional<qint64> runColumn(const QString& input, const QString& output)
{
    QProcess column;
    column.setStandardInputFile(QProcess::nullDevice());
    column.setStandardOutputFile(output);
    QElapsedTimer timer;
    timer.start();
    column.start(QStringLiteral("column"), {"-t", "-s", "\t", input});
    const bool finished = column.waitForStarted(-1) && column.waitForFinished(-1);
    const qint64 ns = timer.nsecsElapsed();
    if (!finished || column.exitStatus() != QProcess::NormalExit || column.exitCode() != 0) {
        fail(QStringLiteral("column failed: %1").arg(column.errorString()));
        return std::nullopt;
    }
    return ns;
}

// Our file in column's layout: two blanks between columns where we put a tab, and
// no padding after the last column.
QByteArray asColumnWouldAlign(const QByteArray& ours)
{
    QByteArray out;
    out.reserve(ours.size());
    for (QByteArray line : ours.split('\n')) {
        if (line.isEmpty()) continue;
        if (line.endsWith("\t\r")) line.chop(2);
        line.replace('\t', "  ");
        while (line.endsWith(' ')) line.chop(1);
        out += line + '\n';
    }
    return out;
}

}  // namespace

int main(int argc, char* argv[])
{
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    int n = 100000;
    if (argc > 1 && (n = QString::fromLocal8Bit(argv[1]).toInt()) < 1) {
        std::fprintf(stderr, "usage: export_bench [rows]\n");
        return 2;
    }
    QTemporaryDir dir;

    FakeDialogs* recorded = nullptr;
    lexiquill::platform::Platform platform = windowPlatform(recorded);
    FakeDialogs& boxes = *recorded;
    platform.textFiles = std::make_unique<lexiquill::adapters::SaveFileWriter>(*platform.pump);
    platform.clipboard = std::make_unique<lexiquill::adapters::QtClipboard>();
    MainWindow window(std::move(platform));
    window.show();

    const QString tsv = dir.filePath(QStringLiteral("rows.tsv"));
    if (!fillResults(window, n, tsv)) {
        fail(QStringLiteral("cannot fill the results"));
        return 1;
    }
    settle(300);

    // The text export, then column over the same rows (its first run only warms the
    // page cache and gives the output to compare).
    const QString ours = dir.filePath(QStringLiteral("results.txt"));
    const QString theirs = dir.filePath(QStringLiteral("column.txt"));
    if (!runColumn(tsv, theirs)) return 1;
    const bool peakReset = resetPeakMemory();
    const long rssBefore = statusKb("VmRSS:");
    boxes.saveAnswers = QStringList{ours};
    QElapsedTimer timer;
    timer.start();
    window.findChild<QPushButton*>(QStringLiteral("PushButton8"))->click();
    const qint64 exportNs = timer.nsecsElapsed();
    const long peakAfter = statusKb("VmHWM:");
    const std::optional<qint64> columnNs = runColumn(tsv, QProcess::nullDevice());
    if (!columnNs) return 1;

    QFile ourFile(ours);
    QFile theirFile(theirs);
    if (!boxes.errorReports.isEmpty() || !ourFile.open(QIODevice::ReadOnly) ||
        !theirFile.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("the text export failed: %1").arg(boxes.errorReports.join("; ")));
        return 1;
    }
    const QByteArray ourBytes = ourFile.readAll();
    if (ourBytes.count("\r\n") != n + 1 || asColumnWouldAlign(ourBytes) != theirFile.readAll()) {
        fail(QStringLiteral("the text file is not aligned as column aligns the same rows"));
        return 1;
    }
    std::printf("rows %d: text export %.0f ms, column %.0f ms, ratio %.1f\n", n,
                milliseconds(exportNs), milliseconds(*columnNs),
                static_cast<double>(exportNs) / static_cast<double>(*columnNs));
    std::printf("text file: %.1f MB\n", static_cast<double>(ourBytes.size()) / 1e6);
    if (peakReset) {
        std::printf("export peak memory: %.1f MB above the %.1f MB before it\n",
                    static_cast<double>(peakAfter - rssBefore) / 1024.0,
                    static_cast<double>(rssBefore) / 1024.0);
    } else {
        std::printf("export peak memory: unknown (/proc/self/clear_refs not writable)\n");
    }
    std::fflush(stdout);

    // Save Ticked Rows as Flashcards over the same rows, as its menu item runs it.
    const QString cards = dir.filePath(QStringLiteral("cards.txt"));
    boxes.saveAnswers = QStringList{cards};
    timer.restart();
    lexiquill::menu::saveTickedRowsAsFlashcards(window.context());
    const qint64 cardsNs = timer.nsecsElapsed();
    const lexiquill::test::FlashcardFile read = lexiquill::test::readFlashcards([&] {
        QFile file(cards);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }());
    if (!boxes.errorReports.isEmpty() || !read.ok || read.notes.isEmpty()) {
        fail(QStringLiteral("the cards were not written: %1").arg(boxes.errorReports.join("; ")));
        return 1;
    }
    std::printf(
        "flashcards of %d ticked rows: %.0f ms (%lld notes, one per phrase), %.1f times "
        "the text export\n",
        n, milliseconds(cardsNs), static_cast<long long>(read.notes.size()),
        static_cast<double>(cardsNs) / static_cast<double>(exportNs));
    std::fflush(stdout);

    // The clipboard copy. Its peak shows that the measure sees what a command holds:
    // the copy holds the whole text, the export one line.
    resetPeakMemory();
    const long rssBeforeCopy = statusKb("VmRSS:");
    timer.restart();
    window.findChild<QPushButton*>(QStringLiteral("PushButton4"))->click();
    const qint64 copyNs = timer.nsecsElapsed();
    const long peakAfterCopy = statusKb("VmHWM:");
    const QString onClipboard = QGuiApplication::clipboard()->text();
    if (!boxes.errorReports.isEmpty() || boxes.messages.size() != 1 ||
        onClipboard.count(QStringLiteral("\r\n")) != n) {
        fail(QStringLiteral("the clipboard copy failed"));
        return 1;
    }
    std::printf("clipboard copy %d rows: %.0f ms (%.1f MB of text)\n", n, milliseconds(copyNs),
                static_cast<double>(onClipboard.toUtf8().size()) / 1e6);
    if (peakReset) {
        std::printf("clipboard copy peak memory: %.1f MB above the %.1f MB before it\n",
                    static_cast<double>(peakAfterCopy - rssBeforeCopy) / 1024.0,
                    static_cast<double>(rssBeforeCopy) / 1024.0);
    }
    return 0;
}
