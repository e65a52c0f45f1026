// Times choosing another word in the results list's context menu on a list of 100,000
// (by default) Mnemonic rows, through the real window, the real HTTP client and the
// mnemonic service running in this process: from the service's answer to the painted
// menu, and from the Return that chooses a word to the repainted row.
//
//   word_menu_bench [rows [tries]]      defaults 100000 rows, 7 tries
//
// Exits with 1 when the run or a choice went wrong: a fast menu that changes the wrong
// row measures nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "bench_support.h"
#include "platform/list_view.h"
#include "service/mnemonic_server.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

using namespace lexiquill;
using namespace lexiquill::bench;

namespace {

QElapsedTimer clock_;

// The real client, noting when its last answer arrived.
class TimedClient final : public platform::HttpClient {
public:
    QString get(const QString& address) override
    {
        QString body = m_real.get(address);
        answeredAt = clock_.nsecsElapsed();
        return body;
    }
    qint64 answeredAt = 0;

private:
    adapters::CurlHttpClient m_real;
};

// Waits until widget has been painted, for at most five seconds; the time it was.
qint64 paintedAt(QWidget* widget)
{
    struct Watch : QObject {
        QEventLoop loop;
        qint64 at = -1;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint && at < 0) {
                at = clock_.nsecsElapsed();
                QTimer::singleShot(0, &loop, &QEventLoop::quit);
            }
            return false;
        }
    } watch;
    widget->installEventFilter(&watch);
    QTimer::singleShot(5000, &watch.loop, &QEventLoop::quit);
    watch.loop.exec();
    widget->removeEventFilter(&watch);
    return watch.at;
}

}  // namespace

int main(int argc, char* argv[])
{
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    int rows = 100000;
    int tries = 7;
    bool ok = true;
    if (argc > 1) rows = QString::fromLocal8Bit(argv[1]).toInt(&ok);
    if (ok && argc > 2) tries = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    if (!ok || rows < 1 || tries < 1) {
        std::fprintf(stderr, "usage: word_menu_bench [rows [tries]]\n");
        return 2;
    }
    clock_.start();
    service::MnemonicServer service;
    std::string error;
    if (!service.start(service::kDefaultHost, 0, &error)) {
        fail(QStringLiteral("the service did not start: %1").arg(QString::fromStdString(error)));
        return 1;
    }

    test::FakeDialogs* boxes = nullptr;
    platform::Platform p = windowPlatform(boxes);
    auto client = std::make_unique<TimedClient>();
    TimedClient& timed = *client;
    p.http = std::move(client);
    p.serviceHost = std::make_unique<adapters::InProcessServiceHost>();
    p.mnemonicBaseUrl = QStringLiteral("http://127.0.0.1:%1").arg(service.port());
    window::MainWindow window(std::move(p));
    window.show();
    // Phrases of the drivers' words, one after another, until they make enough letters.
    int letters = 0;
    for (int i = 0; letters < rows; ++i) {
        const QString phrase = QString::fromLatin1(kPhraseWords[i % std::size(kPhraseWords)]);
        window.context().wordList().append(phrase);
        letters += static_cast<int>(phrase.size());
    }
    window.findChild<QRadioButton*>(QStringLiteral("Option2"))->setChecked(true);
    window.findChild<QPushButton*>(QStringLiteral("PushButton2"))->click();
    platform::ListView& results = window.context().resultTable();
    if (boxes->messages != QStringList{QStringLiteral("Done.")} || results.rowCount() != letters) {
        fail(QStringLiteral("the run gave %1 rows for %2 letters")
                 .arg(results.rowCount())
                 .arg(letters));
        return 1;
    }
    auto* list = window.findChild<widgets::ListControl*>(QStringLiteral("ListView2"));
    list->setFocus();
    settle(200);

    std::printf("result rows: %d\n", results.rowCount());
    std::vector<double> totals;
    for (int t = 1; t <= tries; ++t) {
        const int row = 1 + static_cast<int>(qint64(letters) * t / (tries + 1));
        list->setCurrentIndex(list->model()->index(row - 1, 1));
        settle(50);
        QTest::keyClick(list, Qt::Key_Menu);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        const qint64 menuPainted = menu ? paintedAt(menu) : -1;
        if (menuPainted < 0 || menu->actions().isEmpty()) {
            fail(QStringLiteral("no menu was painted on row %1").arg(row));
            return 1;
        }
        const QString word = menu->actions().constFirst()->text();
        const qint64 answeredAt = timed.answeredAt;
        settle(50);
        QTest::keyClick(menu, Qt::Key_Down);
        const qint64 chosenAt = clock_.nsecsElapsed();
        QTest::keyClick(menu, Qt::Key_Return);
        const qint64 rowPainted = paintedAt(list->viewport());
        if (rowPainted < 0 || results.subText(row, 2) != word || !boxes->errorReports.isEmpty()) {
            fail(QStringLiteral("row %1 holds %2, not the chosen %3")
                     .arg(row)
                     .arg(results.subText(row, 2), word));
            return 1;
        }
        const double toMenu = milliseconds(menuPainted - answeredAt);
        const double toRow = milliseconds(rowPainted - chosenAt);
        totals.push_back(toMenu + toRow);
        std::printf(
            "row %d: answer to painted menu %.1f ms, choice to repainted row %.1f ms, "
            "together %.1f ms\n",
            row, toMenu, toRow, totals.back());
        std::fflush(stdout);
        settle(50);
    }
    std::sort(totals.begin(), totals.end());
    std::printf("answer to repainted row, median %.1f ms, longest %.1f ms\n",
                totals[totals.size() / 2], totals.back());
    std::printf("peak memory: %ld MiB\n", peakMemoryMiB());
    return 0;
}
