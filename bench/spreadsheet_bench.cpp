// Times "Save Results As Excel File" over a large, fully ticked results list in the
// real window, with the real event pump and the real workbook writer, against
// /usr/bin/python3 with openpyxl writing the same rows as a workbook.
//
//   spreadsheet_bench [rows]        rows default to 100000
//
// The spreadsheet application is a stand-in that only notes the file it was given,
// so no window opens. Each figure is printed on a line of its own. Exits with 1
// when the export reported anything, or when its workbook, read back with openpyxl,
// does not hold the rows: a fast export of the wrong cells measures nothing.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <iterator>
#include <memory>
#include <random>

#include "bench_support.h"
#include "platform/event_pump.h"
#include "platform/platform.h"
#include "spreadsheet/xlsx_spreadsheet.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

using namespace lexiquill::bench;

namespace {

using lexiquill::test::FakeDialogs;
using lexiquill::window::MainWindow;

constexpr const char* kWords[] = {
    "apple",    "bridge", "candle", "Dolphin", "engine",  "forest", "garden", "harbor",  "island",
    "jacket",   "kettle", "meadow", "needle",  "orchard", "pepper", "quartz", "river",   "saddle",
    "umbrella", "valley", "window", "yellow",  "zephyr",  "ember",  "falcon", "glacier", "x-ray",
};

// openpyxl's side: reads the rows (not timed), writes them as a workbook (timed),
// then reads Lexiquill's workbook back and compares every cell with the rows.
const char* kPython = R"py(
import sys, time, openpyxl
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1], encoding="utf-8")]
start = time.monotonic()
book = openpyxl.Workbook()
sheet = book.active
sheet.append([" Word(s)", "Result"])
for row in rows:
    sheet.append(row)
book.save(sys.argv[2])
print(int((time.monotonic() - start) * 1e9))
ours = openpyxl.load_workbook(sys.argv[3], read_only=True).active
got = [[c if c is not None else "" for c in r] for r in ours.iter_rows(values_only=True)]
want = [[" Word(s)", "Result"]] + [[p, a.replace("=", "")] for p, a in rows]
if got != want:
    bad = next(i for i in range(min(len(got), len(want))) if got[i] != want[i]) if len(got) == len(want) else -1
    sys.exit("the workbooks differ (%d rows against %d, first difference at %d)" % (len(got), len(want), bad))
)py";

}  // namespace

int main(int argc, char* argv[])
{
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    int n = 100000;
    if (argc > 1) {
        bool ok = false;
        n = QString::fromLocal8Bit(argv[1]).toInt(&ok);
        if (!ok || n < 1) {
            std::fprintf(stderr, "usage: spreadsheet_bench [rows]\n");
            return 2;
        }
    }
    QTemporaryDir dir;
    const QString bin = dir.filePath(QStringLiteral("bin"));
    const QString launched = dir.filePath(QStringLiteral("launched"));
    QFile localc(bin + QStringLiteral("/localc"));
    if (!dir.isValid() || !QDir().mkpath(bin) || !QDir().mkpath(dir.filePath("temp")) ||
        !localc.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("cannot prepare %1").arg(dir.path()));
        return 1;
    }
    localc.write("#!/bin/sh\nshift 2\nprintf '%s' \"$1\" > '" + QFile::encodeName(launched) +
                 "'\n");
    localc.close();
    localc.setPermissions(localc.permissions() | QFileDevice::ExeOwner);
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), bin);

    FakeDialogs* recorded = nullptr;
    lexiquill::platform::Platform platform = windowPlatform(recorded);
    FakeDialogs& messages = *recorded;
    platform.spreadsheet = std::make_unique<lexiquill::spreadsheet::XlsxSpreadsheet>(
        *platform.pump, env, dir.filePath(QStringLiteral("temp")),
        dir.filePath(QStringLiteral("kept")));
    MainWindow window(std::move(platform));
    window.show();

    // Three-word phrases with their acronyms, every row ticked; the same rows go to
    // a file for openpyxl.
    auto* list = window.findChild<lexiquill::widgets::ListControl*>(QStringLiteral("ListView2"));
    auto& results = window.context().resultTable();
    QFile rowsFile(dir.filePath(QStringLiteral("rows.tsv")));
    if (!rowsFile.open(QIODevice::WriteOnly)) return 1;
    std::mt19937 random(20261207u);
    for (int r = 1; r <= n; ++r) {
        QString phrase, acronym;
        for (int w = 0; w < 3; ++w) {
            const QString word = QString::fromLatin1(kWords[random() % std::size(kWords)]);
            phrase += (w ? QStringLiteral(" ") : QString()) + word;
            acronym += word[0].toUpper() + QStringLiteral(".");
        }
        results.setSubText(results.append(phrase), 2, acronym);
        rowsFile.write((phrase + '\t' + acronym + '\n').toUtf8());
    }
    rowsFile.close();
    list->rows().publishRows();
    for (int r = 0; r < n; ++r) {
        list->model()->setData(list->model()->index(r, 0), Qt::Checked, Qt::CheckStateRole);
    }
    settle(200);

    // The longest time the window went without handling its events.
    QElapsedTimer sinceTick;
    qint64 longestGapNs = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
        sinceTick.restart();
    });
    QElapsedTimer timer;
    ticker.start();
    sinceTick.start();
    timer.start();
    window.findChild<QPushButton*>(QStringLiteral("PushButton12"))->click();
    const qint64 oursNs = timer.nsecsElapsed();
    longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
    ticker.stop();

    if (!messages.messages.isEmpty() || !messages.errorReports.isEmpty()) {
        fail(QStringLiteral("the export said: %1")
                 .arg((messages.messages + messages.errorReports).join(QStringLiteral(" / "))));
        return 1;
    }
    QString workbook;
    for (int i = 0; i < 500 && workbook.isEmpty(); ++i) {
        QFile file(launched);
        if (file.open(QIODevice::ReadOnly)) workbook = QString::fromUtf8(file.readAll());
        if (workbook.isEmpty()) settle(10);
    }
    if (workbook.isEmpty()) {
        fail(QStringLiteral("the spreadsheet application was not started"));
        return 1;
    }

    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(kPython), rowsFile.fileName(),
                  dir.filePath(QStringLiteral("openpyxl.xlsx")), workbook});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        fail(QStringLiteral("openpyxl: %1")
                 .arg(QString::fromLocal8Bit(python.readAllStandardError())));
        return 1;
    }
    const qint64 openpyxlNs = python.readAllStandardOutput().trimmed().toLongLong();
    std::printf("rows %d, all ticked: lexiquill %.0f ms, openpyxl %.0f ms, ratio %.2f\n", n,
                milliseconds(oursNs), milliseconds(openpyxlNs),
                static_cast<double>(oursNs) / static_cast<double>(openpyxlNs));
    std::printf("longest time the window did not handle events: %.1f ms\n",
                milliseconds(longestGapNs));
    std::printf("workbook size: %lld bytes\n", static_cast<long long>(QFileInfo(workbook).size()));
    return 0;
}
