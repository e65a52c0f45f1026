// Times "Load Word(s) From File" on a large list file through the real window (the
// real file reader and event pump; only the dialog's answer is scripted), and in the
// same invocation awk '{print}' reading the same file into /dev/null.
//
//   list_file_bench [lines [rounds]]      defaults: 1000000 lines, 3 rounds
//
// Prints one figure a line, each round's ratio, and the peak memory of the process
// with the list loaded. Exits with 1 when a load did not give exactly the file's
// phrases or showed any message: a fast load of the wrong list measures nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <random>

#include "bench_support.h"
#include "platform/event_pump.h"
#include "platform/file_reader.h"
#include "platform/platform.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

using namespace lexiquill::bench;

namespace {

using lexiquill::test::FakeDialogs;
using lexiquill::window::MainWindow;

constexpr const char* kWords[] = {
    "apple",  "bridge", "candle", "dolphin", "engine", "forest", "garden",  "harbor",
    "island", "jacket", "kettle", "lantern", "meadow", "needle", "orchard", "pepper",
    "quartz", "river",  "saddle", "thunder", "velvet", "walnut", "yellow",  "zephyr",
};

// Three words a line, CR LF line ends, about 23 bytes a line. Returns the first and
// the last phrase for the check.
std::optional<std::pair<QString, QString>> writeList(const QString& path, int lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    std::mt19937 random(20261207u);
    QByteArray chunk;
    QByteArray first;
    QByteArray last;
    for (int i = 0; i < lines; ++i) {
        QByteArray line;
        for (int w = 0; w < 3; ++w) {
            if (w > 0) line += ' ';
            line += kWords[random() % std::size(kWords)];
        }
        if (i == 0) first = line;
        last = line;
        chunk += line;
        chunk += "\r\n";
        if (chunk.size() >= (1 << 20)) {
            if (file.write(chunk) != chunk.size()) break;
            chunk.clear();
        }
    }
    if (file.write(chunk) != chunk.size() || !file.flush()) {
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return std::make_pair(QString::fromUtf8(first), QString::fromUtf8(last));
}

std::optional<qint64> runAwk(const QString& path)
{
    QProcess awk;
    awk.setStandardOutputFile(QProcess::nullDevice());
    awk.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    awk.start(QStringLiteral("awk"), {QStringLiteral("{print}"), path});
    const bool finished = awk.waitForStarted(-1) && awk.waitForFinished(-1);
    const qint64 elapsed = timer.nsecsElapsed();
    if (!finished || awk.exitStatus() != QProcess::NormalExit || awk.exitCode() != 0) {
        fail(QStringLiteral("awk failed: %1").arg(awk.errorString()));
        return std::nullopt;
    }
    return elapsed;
}

struct Round {
    qint64 commandNs = 0;  // the click until the command returned
    qint64 shownNs = 0;    // the click until the list showed its new rows
    qint64 awkNs = 0;
};

std::optional<Round> runRound(const QString& path, int lines,
                              const std::pair<QString, QString>& expected,
                              std::unique_ptr<MainWindow>& window)
{
    FakeDialogs* recorded = nullptr;
    lexiquill::platform::Platform platform = windowPlatform(recorded);
    FakeDialogs& boxes = *recorded;
    boxes.openAnswers = QStringList{path};
    platform.fileReader = std::make_unique<lexiquill::adapters::LocalFileReader>();
    window = std::make_unique<MainWindow>(std::move(platform));
    window->show();
    settle(100);

    auto* load = window->findChild<QPushButton*>(QStringLiteral("PushButton3"));
    auto* list = window->findChild<lexiquill::widgets::ListControl*>(QStringLiteral("ListView1"));
    if (load == nullptr || list == nullptr) {
        fail(QStringLiteral("no PushButton3 or ListView1 in the window"));
        return std::nullopt;
    }

    Round round;
    QElapsedTimer timer;
    timer.start();
    load->click();
    round.commandNs = timer.nsecsElapsed();
    // The rows reach the view at the next display refresh; then it paints them.
    while (list->model()->rowCount() != lines)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    list->repaint();
    round.shownNs = timer.nsecsElapsed();

    const auto& words = window->context().wordList();
    if (words.rowCount() != lines || words.text(1) != expected.first ||
        words.text(lines) != expected.second || !boxes.messages.isEmpty() ||
        !boxes.errorReports.isEmpty()) {
        fail(QStringLiteral("the load gave %1 phrases for %2 lines (messages: %3; reports: %4)")
                 .arg(words.rowCount())
                 .arg(lines)
                 .arg(boxes.messages.join(QStringLiteral(", ")),
                      boxes.errorReports.join(QStringLiteral(", "))));
        return std::nullopt;
    }

    const std::optional<qint64> awkNs = runAwk(path);
    if (!awkNs) return std::nullopt;
    round.awkNs = *awkNs;
    return round;
}

}  // namespace

int main(int argc, char* argv[])
{
    useOffscreenUnlessSet();
    QApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments().mid(1);
    bool ok = true;
    const int lines = args.size() > 0 ? args[0].toInt(&ok) : 1000000;
    bool roundsOk = true;
    const int rounds = args.size() > 1 ? args[1].toInt(&roundsOk) : 3;
    if (!ok || !roundsOk || lines < 1 || rounds < 1) {
        std::fprintf(stderr, "usage: list_file_bench [lines [rounds]]\n");
        return 2;
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        fail(QStringLiteral("cannot create a temporary folder: %1").arg(dir.errorString()));
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    const auto expected = writeList(path, lines);
    if (!expected) return 1;
    std::printf("file: %d lines, %.1f MB\n", lines,
                static_cast<double>(QFileInfo(path).size()) / 1e6);
    // Both sides read the file from the page cache.
    if (!runAwk(path)) return 1;

    std::unique_ptr<MainWindow> window;
    double best = 0;
    double worst = 0;
    for (int r = 1; r <= rounds; ++r) {
        window.reset();
        const std::optional<Round> round = runRound(path, lines, *expected, window);
        if (!round) return 1;
        const double ratio =
            static_cast<double>(round->shownNs) / static_cast<double>(round->awkNs);
        best = r == 1 ? ratio : std::min(best, ratio);
        worst = r == 1 ? ratio : std::max(worst, ratio);
        std::printf("round %d: command %.0f ms, list shown %.0f ms, awk %.0f ms, ratio %.2f\n", r,
                    milliseconds(round->commandNs), milliseconds(round->shownNs),
                    milliseconds(round->awkNs), ratio);
        if (r == 1) std::printf("peak memory after round 1: %ld MB\n", peakMemoryMiB());
        std::fflush(stdout);
    }
    std::printf("ratio (list shown / awk): %.2f to %.2f\n", best, worst);
    std::printf("peak memory (%d phrases loaded): %ld MB\n",
                window->context().wordList().rowCount(), peakMemoryMiB());
    return 0;
}
