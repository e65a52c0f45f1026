// Times "Start Generating" in Mnemonic mode through the real window against the
// mnemonic service running in this process, and curl making the same requests in
// one process over one kept-alive connection.
//
//   mnemonic_bench [phrase count [runs]]      defaults 10000 phrases, 5 runs
//
// The runs alternate between curl and the window; each figure is printed on a line of
// its own, then the medians. Exits with 1 when the run did not end
// with "Done." alone, reported an error, or gave other rows than one per letter, or
// when curl's pages hold another number of words: a fast run that gives wrong results
// measures nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "bench_support.h"
#include "generation/mnemonic.h"
#include "platform/event_pump.h"
#include "platform/list_view.h"
#include "platform/platform.h"
#include "service/mnemonic_server.h"
#include "support/test_platform.h"
#include "window/main_window.h"

using namespace lexiquill::bench;

namespace {

using lexiquill::platform::ListView;
using lexiquill::test::FakeDialogs;
using lexiquill::window::MainWindow;

// Two or three words; the same phrases on every run.
QStringList phrases(int n)
{
    std::mt19937 random{20261207u};
    QStringList out;
    out.reserve(n);
    for (int i = 0; i < n; ++i) {
        QString phrase;
        const int words = random() % 4 == 0 ? 3 : 2;
        for (int w = 0; w < words; ++w) {
            if (w > 0) phrase += QLatin1Char(' ');
            phrase += QLatin1String(kPhraseWords[random() % std::size(kPhraseWords)]);
        }
        out.append(phrase);
    }
    return out;
}

// curl over all the addresses in one process; the number of words in its pages, and
// its wall time in nanoseconds.
struct CurlRun {
    qint64 words = 0;
    qint64 ns = 0;
};

std::optional<CurlRun> runCurl(const QString& configPath, const QString& outputPath)
{
    QProcess curl;
    curl.setStandardOutputFile(outputPath);
    curl.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    curl.start(QStringLiteral("curl"),
               {"--silent", "--show-error", "--fail", "--globoff", "--config", configPath});
    const bool finished = curl.waitForStarted(-1) && curl.waitForFinished(-1);
    const qint64 ns = timer.nsecsElapsed();
    if (!finished || curl.exitStatus() != QProcess::NormalExit || curl.exitCode() != 0) {
        fail(QStringLiteral("curl failed (%1, exit code %2): %3")
                 .arg(curl.errorString())
                 .arg(curl.exitCode())
                 .arg(QString::fromLocal8Bit(curl.readAllStandardError()).trimmed()));
        return std::nullopt;
    }
    QFile output(outputPath);
    if (!output.open(QIODevice::ReadOnly)) return CurlRun{0, ns};
    return CurlRun{output.readAll().count("<big>"), ns};
}

std::unique_ptr<lexiquill::platform::HttpClient> makeClient()
{
    return std::make_unique<lexiquill::adapters::CurlHttpClient>();
}

}  // namespace

int main(int argc, char* argv[])
{
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    int n = 10000;
    int runs = 5;
    bool ok = true;
    if (argc > 1) n = QString::fromLocal8Bit(argv[1]).toInt(&ok);
    if (ok && argc > 2) runs = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    if (!ok || n < 1 || runs < 1) {
        std::fprintf(stderr, "usage: mnemonic_bench [phrase count [runs]]\n");
        return 2;
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
        fail(QStringLiteral("cannot create a temporary folder"));
        return 1;
    }

    lexiquill::service::MnemonicServer service;
    std::string error;
    if (!service.start(lexiquill::service::kDefaultHost, 0, &error)) {
        fail(QStringLiteral("the service did not start: %1").arg(QString::fromStdString(error)));
        return 1;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(service.port());

    const QStringList list = phrases(n);
    qint64 letters = 0;
    QString expectedInitials;
    QByteArray config;
    for (const QString& phrase : list) {
        for (const QChar c : phrase) {
            if (c == QLatin1Char(' ')) continue;
            ++letters;
            expectedInitials += c.toUpper();
        }
        config +=
            "url = \"" + lexiquill::generation::mnemonicQueryUrl(base, phrase).toUtf8() + "\"\n";
    }
    const QString configPath = dir.filePath(QStringLiteral("curl.conf"));
    QFile configFile(configPath);
    if (!configFile.open(QIODevice::WriteOnly) || configFile.write(config) != config.size()) {
        fail(QStringLiteral("cannot write %1").arg(configPath));
        return 1;
    }
    configFile.close();

    // The checked curl run also warms the service and brings curl into the page cache.
    const std::optional<CurlRun> checked =
        runCurl(configPath, dir.filePath(QStringLiteral("pages.html")));
    if (!checked) return 1;
    if (checked->words != letters) {
        fail(QStringLiteral("curl's pages hold %1 words for %2 letters")
                 .arg(checked->words)
                 .arg(letters));
        return 1;
    }

    FakeDialogs* recorded = nullptr;
    lexiquill::platform::Platform platform = windowPlatform(recorded);
    FakeDialogs& messages = *recorded;
    platform.http = makeClient();
    platform.serviceHost = std::make_unique<lexiquill::adapters::InProcessServiceHost>();
    platform.mnemonicBaseUrl = base;
    MainWindow window(std::move(platform));
    window.show();
    ListView& wordList = window.context().wordList();
    for (const QString& phrase : list) wordList.append(phrase);
    window.findChild<QRadioButton*>(QStringLiteral("Option2"))->setChecked(true);
    settle(200);

    // One run through the window: the click until "Done.", checked row by row.
    const auto runWindow = [&]() -> std::optional<qint64> {
        messages.messages.clear();
        QElapsedTimer timer;
        std::optional<qint64> doneAfter;
        messages.onMessage = [&](const QString& text) {
            if (text == QLatin1String("Done.") && !doneAfter) doneAfter = timer.nsecsElapsed();
        };
        timer.start();
        window.findChild<QPushButton*>(QStringLiteral("PushButton2"))->click();
        messages.onMessage = nullptr;
        if (!doneAfter || messages.messages != QStringList{QStringLiteral("Done.")} ||
            !messages.errorReports.isEmpty()) {
            fail(QStringLiteral(
                     "the run did not end with \"Done.\" alone; messages [%1], reports [%2]")
                     .arg(messages.messages.join(QStringLiteral("], [")),
                          messages.errorReports.join(QStringLiteral("], ["))));
            return std::nullopt;
        }
        const ListView& results = window.context().resultTable();
        if (results.rowCount() != letters) {
            fail(QStringLiteral("%1 letters gave %2 rows").arg(letters).arg(results.rowCount()));
            return std::nullopt;
        }
        for (int row = 1; row <= results.rowCount(); ++row) {
            if (!results.subText(row, 2).startsWith(expectedInitials[row - 1])) {
                fail(QStringLiteral("row %1 (%2) does not start with %3")
                         .arg(row)
                         .arg(results.subText(row, 2))
                         .arg(expectedInitials[row - 1]));
                return std::nullopt;
            }
        }
        return doneAfter;
    };

    // The program's HTTP client alone, for the share of the run that is not the window.
    const auto runClient = [&]() -> std::optional<qint64> {
        const std::unique_ptr<lexiquill::platform::HttpClient> client = makeClient();
        QElapsedTimer timer;
        timer.start();
        qint64 words = 0;
        for (const QString& phrase : list) {
            words += client->get(lexiquill::generation::mnemonicQueryUrl(base, phrase))
                         .count(QLatin1String("<big>"));
        }
        if (words != letters) {
            fail(QStringLiteral("the client alone got %1 words for %2 letters")
                     .arg(words)
                     .arg(letters));
            return std::nullopt;
        }
        return timer.nsecsElapsed();
    };

    std::printf("phrases: %d\n", n);
    std::printf("result rows: %lld\n", static_cast<long long>(letters));
    std::vector<double> windowMs;
    std::vector<double> curlMs;
    std::vector<double> clientMs;
    std::vector<double> ratios;
    for (int run = 1; run <= runs; ++run) {
        const std::optional<CurlRun> timed = runCurl(configPath, QProcess::nullDevice());
        if (!timed) return 1;
        const std::optional<qint64> windowNs = runWindow();
        if (!windowNs) return 1;
        const std::optional<qint64> clientNs = runClient();
        if (!clientNs) return 1;
        windowMs.push_back(milliseconds(*windowNs));
        curlMs.push_back(milliseconds(timed->ns));
        clientMs.push_back(milliseconds(*clientNs));
        ratios.push_back(windowMs.back() / curlMs.back());
        std::printf(
            "run %d: lexiquill %.0f ms, curl %.0f ms, HTTP client alone %.0f ms, ratio %.2f\n", run,
            windowMs.back(), curlMs.back(), clientMs.back(), ratios.back());
        std::fflush(stdout);
    }
    std::printf("median lexiquill run: %.0f ms\n", median(windowMs));
    std::printf("median curl, one connection: %.0f ms\n", median(curlMs));
    std::printf("median HTTP client alone: %.0f ms\n", median(clientMs));
    std::printf("median ratio: %.2f (%.2f to %.2f)\n", median(ratios),
                *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    return 0;
}
