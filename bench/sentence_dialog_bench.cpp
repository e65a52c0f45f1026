// Times "Sentence for the List…" on a word list of 100 (by default) items, through the
// real window, the real HTTP client and the mnemonic service running in this process:
// from the Return that chooses the item to the painted sentence, without the time the
// window waited for the service's answer.
//
//   sentence_dialog_bench [items [tries]]      defaults 100 items, 7 tries
//
// Exits with 1 when a dialog did not open or shows another number of words: a fast
// dialog with the wrong sentence measures nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
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
#include "window/sentence_dialog.h"

using namespace lexiquill;
using namespace lexiquill::bench;

namespace {

QElapsedTimer clock_;

// The real client, adding up the time the window waits for its answers.
class TimedClient final : public platform::HttpClient {
public:
    QString get(const QString& address) override
    {
        const qint64 start = clock_.nsecsElapsed();
        const auto count = qScopeGuard([&] { waited += clock_.nsecsElapsed() - start; });
        return m_real.get(address);
    }
    qint64 waited = 0;

private:
    adapters::CurlHttpClient m_real;
};

// Notes when the first widget named name is painted, wherever it is.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(QString name) : m_name(std::move(name)) { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    // Waits until it has been painted, for at most five seconds; the time it was.
    qint64 paintedAt()
    {
        QTimer::singleShot(5000, &m_loop, &QEventLoop::quit);
        if (m_at < 0) m_loop.exec();
        return m_at;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_at < 0 && watched->objectName() == m_name) {
            m_at = clock_.nsecsElapsed();
            QTimer::singleShot(0, &m_loop, &QEventLoop::quit);
        }
        return false;
    }

private:
    QString m_name;
    QEventLoop m_loop;
    qint64 m_at = -1;
};

}  // namespace

int main(int argc, char* argv[])
{
    useOffscreenUnlessSet();
    QApplication app(argc, argv);
    int items = 100;
    int tries = 7;
    bool ok = true;
    if (argc > 1) items = QString::fromLocal8Bit(argv[1]).toInt(&ok);
    if (ok && argc > 2) tries = QString::fromLocal8Bit(argv[2]).toInt(&ok);
    if (!ok || items < 1 || tries < 1) {
        std::fprintf(stderr, "usage: sentence_dialog_bench [items [tries]]\n");
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
    // Two of the drivers' words each, so that many items share an initial and get cues;
    // none begins with X, which the word data has hardly a word for.
    const auto wordOf = [](int i) {
        const int at = i % 25;
        return QString::fromLatin1(kPhraseWords[at < 23 ? at : at + 1]);
    };
    for (int i = 0; i < items; ++i) {
        window.context().wordList().append(wordOf(i) + QLatin1Char(' ') + wordOf(i / 25 + 2 * i));
    }
    auto* list = window.findChild<widgets::ListControl*>(QStringLiteral("ListView1"));
    list->rows().publishRows();
    list->setFocus();
    settle(200);

    std::vector<double> times;
    for (int t = 1; t <= tries; ++t) {
        QTest::keyClick(list, Qt::Key_Menu);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            fail(QStringLiteral("the word list's menu did not open"));
            return 1;
        }
        settle(50);
        QTest::keyClick(menu, Qt::Key_Down);
        PaintWatch sentence(QStringLiteral("lblSentence"));
        timed.waited = 0;
        const qint64 chosenAt = clock_.nsecsElapsed();
        QTest::keyClick(menu, Qt::Key_Return);
        const qint64 painted = sentence.paintedAt();
        auto* dialog = window.findChild<window::SentenceDialog*>();
        const auto* text =
            dialog ? dialog->findChild<QLabel*>(QStringLiteral("lblSentence")) : nullptr;
        if (painted < 0 || text == nullptr || text->text().count(QLatin1String("<b>")) != items ||
            !boxes->errorReports.isEmpty()) {
            fail(QStringLiteral("no sentence of %1 words was painted: %2")
                     .arg(items)
                     .arg(boxes->errorReports.join(QLatin1Char('\n'))));
            return 1;
        }
        const double answer = milliseconds(timed.waited);
        times.push_back(milliseconds(painted - chosenAt) - answer);
        std::printf(
            "try %d: choice to painted sentence %.1f ms, of which the service's answer "
            "%.1f ms: %.1f ms without it\n",
            t, milliseconds(painted - chosenAt), answer, times.back());
        std::fflush(stdout);
        dialog->close();
        settle(50);
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "choice to painted sentence without the answer, %d items: median %.1f ms, "
        "longest %.1f ms\n",
        items, times[times.size() / 2], times.back());
    return 0;
}
