// Start Generating in Mnemonic mode: first through the real window over a scripted
// HTTP client, then end to end with the real client against real servers on
// 127.0.0.1, the program's own in-process service among them.

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "platform/platform.h"
#include "support/loopback_server.h"
#include "support/test_platform.h"
#include "widgets/caption_progress_bar.h"
#include "window/main_window.h"

using namespace lexiquill;
using namespace std::chrono_literals;
using test::FakeHttpClient;
using test::TestWindow;

namespace {

const QString kBase = QStringLiteral("http://mnemonics.test:8080");

QString url(const QString& query) { return kBase + QStringLiteral("/mnemonics/?w=") + query; }

FakeHttpClient::Answer page(const QString& text) { return {text, {}}; }
FakeHttpClient::Answer failure(const QString& description) { return {{}, description}; }

widgets::CaptionProgressBar* progressBar(TestWindow& t)
{
    return t.window->findChild<widgets::CaptionProgressBar*>("ProgressBar1");
}

void addPhrases(TestWindow& t, const QStringList& phrases)
{
    for (const QString& phrase : phrases) t.context().wordList().append(phrase);
}

void startMnemonic(TestWindow& t)
{
    QTest::mouseClick(t.window->findChild<QRadioButton*>("Option2"), Qt::LeftButton);
    t.click("PushButton2");
}

QString report134(const QString& description)
{
    return test::reportFor(description, "PushButton2_Click", 134);
}

// Whether something accepts connections at the port.
bool listening(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    return socket.waitForConnected(2000);
}

}  // namespace

class TestMnemonicRun : public QObject {
    Q_OBJECT

private slots:
    void oneRowPerWordWithProgress()
    {
        TestWindow t;
        addPhrases(t, {"ox", "C:\\pets\\cat", "zz top"});
        t.http->answers = {page("<big>O</big>wl<br><big>X</big>ray<br>"),
                           page("<big>C</big>ow<br><big>A</big>nt<br><big>T</big>oad<br>"),
                           page("<big>Z</big>ebra<br>")};
        QList<int> valuesDuringRequests;
        t.http->onGet = [&](const QString&) {
            valuesDuringRequests.append(progressBar(t)->position());
        };
        QList<int> values;
        QStringList captions;
        t.pump->onYield = [&](int) {
            values.append(progressBar(t)->position());
            captions.append(progressBar(t)->caption());
            QCOMPARE(t.context().pointer(), command::Pointer::Busy);
            t.context().setPointer(command::Pointer::Default);  // as another command may
        };
        startMnemonic(t);

        QCOMPARE(t.http->requests, (QStringList{url("ox"), url("C:\\pets\\cat"), url("zz+top")}));
        // A request still shows the phrase before it; the value follows its answer.
        QCOMPARE(valuesDuringRequests, (QList<int>{0, 33, 66}));
        QCOMPARE(values, (QList<int>{33, 66, 100}));
        QCOMPARE(captions,
                 (QStringList{"Processing: ox", "Processing: cat", "Processing: zz top"}));
        // The colon has no marker and ends its phrase; "zz top" repeats the Z word,
        // then the missing T marker ends the phrase.
        QCOMPARE(t.rows(t.context().resultTable()),
                 (QStringList{"ox|Owl", "ox|Xray", "C:\\pets\\cat|Cow", "zz top|Zebra",
                              "zz top|Zebra"}));
        QCOMPARE(t.dialogs->messages, QStringList{"Done."});
        QVERIFY(t.dialogs->errorReports.isEmpty());
        QVERIFY(t.serviceHost->starts.isEmpty());
        QCOMPARE(progressBar(t)->position(), 0);
        QCOMPARE(progressBar(t)->caption(), QStringLiteral("Progress Bar"));
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QVERIFY(!t.context().isGenerating());
    }

    void failedRequestsAreReportedAndGiveNoRows_data()
    {
        QTest::addColumn<QList<FakeHttpClient::Answer>>("answers");
        QTest::addColumn<bool>("serviceStarts");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QStringList>("starts");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QStringList>("rows");
        const QString cab = "<big>C</big>ow<br><big>A</big>pe<br><big>B</big>ee<br>";
        const QString refused = "Connection refused";
        const QString error500 = "Server replied 500 Internal Server Error";
        QTest::newRow("a failure after a success uses no earlier page")
            << QList{page(cab), failure(error500), page(cab)} << true
            << QStringList{url("cab"), url("cab"), url("ab")} << QStringList{}
            << QStringList{report134(error500)}
            << QStringList{"cab|Cow", "cab|Ape", "cab|Bee", "ab|Ape", "ab|Bee"};
        QTest::newRow("first refusal starts the service and asks again")
            << QList{failure(refused), page(cab), page(cab), page(cab)} << true
            << QStringList{url("cab"), url("cab"), url("cab"), url("ab")} << QStringList{kBase}
            << QStringList{} << QStringList{"cab|Cow", "cab|Ape", "cab|Bee", "cab|Cow",
                                            "cab|Ape", "cab|Bee", "ab|Ape",  "ab|Bee"};
        QTest::newRow("a service that stops during the run is started here and asked again")
            << QList{page(cab), failure(refused), page(cab), page(cab)} << true
            << QStringList{url("cab"), url("cab"), url("cab"), url("ab")} << QStringList{kBase}
            << QStringList{} << QStringList{"cab|Cow", "cab|Ape", "cab|Bee", "cab|Cow",
                                            "cab|Ape", "cab|Bee", "ab|Ape",  "ab|Bee"};
        QTest::newRow("a service that cannot start leaves every refusal reported")
            << QList<FakeHttpClient::Answer>{} << false
            << QStringList{url("cab"), url("cab"), url("ab")} << QStringList{kBase, kBase, kBase}
            << QStringList{report134(refused), report134(refused), report134(refused)}
            << QStringList{};
        const QString lost = "The server closed the connection before the whole page arrived";
        QTest::newRow("a page cut off where no service can start is reported")
            << QList{failure(lost), page(cab), page(cab)} << false
            << QStringList{url("cab"), url("cab"), url("ab")} << QStringList{kBase}
            << QStringList{report134(lost)}
            << QStringList{"cab|Cow", "cab|Ape", "cab|Bee", "ab|Ape", "ab|Bee"};
        QTest::newRow("a refusal of the second try is reported once")
            << QList{failure(refused), failure(refused), page(cab), page(cab)} << true
            << QStringList{url("cab"), url("cab"), url("cab"), url("ab")} << QStringList{kBase}
            << QStringList{report134(refused)}
            << QStringList{"cab|Cow", "cab|Ape", "cab|Bee", "ab|Ape", "ab|Bee"};
    }

    void failedRequestsAreReportedAndGiveNoRows()
    {
        QFETCH(QList<FakeHttpClient::Answer>, answers);
        QFETCH(bool, serviceStarts);
        QFETCH(QStringList, requests);
        QFETCH(QStringList, starts);
        QFETCH(QStringList, reports);
        QFETCH(QStringList, rows);
        TestWindow t;
        addPhrases(t, {"cab", "cab", "ab"});
        t.http->answers = answers;
        t.serviceHost->fail = !serviceStarts;
        startMnemonic(t);
        QCOMPARE(t.http->requests, requests);
        QCOMPARE(t.serviceHost->starts, starts);
        QCOMPARE(t.dialogs->errorReports, reports);
        QCOMPARE(t.rows(t.context().resultTable()), rows);
        QCOMPARE(t.dialogs->messages, QStringList{"Done."});
        QCOMPARE(t.pump->yields, 3);
    }

    void everyRunMayStartTheService()
    {
        TestWindow t;
        addPhrases(t, {"a"});
        t.http->answers = {failure("Connection refused"), page("<big>A</big>pe<br>"),
                           failure("Connection refused"), page("<big>A</big>nt<br>")};
        startMnemonic(t);
        startMnemonic(t);
        QCOMPARE(t.serviceHost->starts, (QStringList{kBase, kBase}));
        QCOMPARE(t.rows(t.context().resultTable()), QStringList{"a|Ant"});
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }

    void aMalformedAddressIsReportedOncePerRunAndNeverAsked()
    {
        auto http = std::make_unique<FakeHttpClient>();
        const FakeHttpClient& client = *http;
        const QString problem =
            "The mnemonic service address 'x' (from --service) is not a "
            "valid URL.";
        TestWindow t({std::move(http), std::make_unique<test::FakeServiceHost>(), "x", problem});
        addPhrases(t, {"cab", "ab"});
        startMnemonic(t);
        startMnemonic(t);
        QVERIFY(client.requests.isEmpty());
        QCOMPARE(t.dialogs->errorReports, QStringList(2, report134(problem)));
        QCOMPARE(t.dialogs->messages, (QStringList{"Done.", "Done."}));
        QVERIFY(t.rows(t.context().resultTable()).isEmpty());
    }

    // End to end: the real client against the program's own service, started by the
    // run because nothing listened at the address.
    void samplesAgainstTheInProcessService()
    {
        const int port = test::freeLoopbackPort();
        TestWindow t({std::make_unique<adapters::CurlHttpClient>(),
                      std::make_unique<adapters::InProcessServiceHost>(),
                      QStringLiteral("http://127.0.0.1:%1").arg(port)});
        t.click("PushButton7");  // samples, Mnemonic
        t.click("PushButton2");
        QVERIFY(t.dialogs->errorReports.isEmpty());
        QCOMPARE(t.dialogs->messages, QStringList{"Done."});
        const QStringList rows = t.rows(t.context().resultTable());
        const QString letters = "JOHNSMITHELLAMARSH";
        QCOMPARE(rows.size(), letters.size());
        for (int i = 0; i < rows.size(); ++i) {
            const QStringList columns = rows[i].split('|');
            QCOMPARE(columns[0],
                     i < 9 ? QStringLiteral("john smith") : QStringLiteral("ella marsh"));
            QVERIFY2(columns[1].size() >= 2 && columns[1][0] == letters[i], qPrintable(rows[i]));
        }
        // The second run finds the service already there and starts nothing.
        t.click("PushButton2");
        QCOMPARE(t.context().resultTable().rowCount(), letters.size());
        QVERIFY(t.dialogs->errorReports.isEmpty());
        QVERIFY(listening(port));
        t.window.reset();
        QVERIFY(!listening(port));
    }

    void aSecondWindowUsesTheFirstOnesServiceUntilItStops()
    {
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(test::freeLoopbackPort());
        const auto makeWindow = [&] {
            return std::make_unique<TestWindow>(
                TestWindow::Networking{std::make_unique<adapters::CurlHttpClient>(),
                                       std::make_unique<adapters::InProcessServiceHost>(), base});
        };
        auto first = makeWindow();
        auto second = makeWindow();
        addPhrases(*first, {"ox"});
        addPhrases(*second, QStringList(20, "ox"));
        startMnemonic(*first);
        // The first window, and its service with it, goes in the middle of the second's
        // run: the second starts a service of its own and goes on without a report.
        second->pump->onYield = [&](int yield) {
            if (yield == 5) first.reset();
        };
        startMnemonic(*second);
        QVERIFY(!first);
        QCOMPARE(second->context().resultTable().rowCount(), 40);
        QCOMPARE(second->dialogs->errorReports, QStringList{});
    }

    // The service on this machine goes away half-way through a page, and the phrase is
    // asked again of the program's own; then the longest phrase that service takes, and
    // one character more.
    void aCutOffPageIsAskedAgainHereAndALongPhraseRefusedInWords()
    {
        QTcpServer dying;
        QVERIFY(dying.listen(QHostAddress::LocalHost));
        QObject::connect(&dying, &QTcpServer::newConnection, [&] {
            QTcpSocket* socket = dying.nextPendingConnection();
            dying.close();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\n<big>C</big>o");
                socket->abort();
            });
        });
        TestWindow t({std::make_unique<adapters::CurlHttpClient>(),
                      std::make_unique<adapters::InProcessServiceHost>(),
                      QStringLiteral("http://127.0.0.1:%1").arg(dying.serverPort())});
        addPhrases(t, {"cab", QString(8163, 'a'), QString(8164, 'a')});
        startMnemonic(t);
        QCOMPARE(t.context().resultTable().rowCount(), 3 + 8163);
        QCOMPARE(t.dialogs->errorReports,
                 QStringList{report134("The phrase is too long for the mnemonic service: a phrase "
                                       "may have at most 8163 characters, fewer with letters "
                                       "outside A to Z")});
    }

    // Something else holds the address and answers with errors.
    void aFailingServiceGivesOneReportPerPhrase()
    {
        test::LoopbackServer other;
        other.server().Get(
            ".*", [](const httplib::Request&, httplib::Response& res) { res.status = 503; });
        other.start();
        TestWindow t({std::make_unique<adapters::CurlHttpClient>(),
                      std::make_unique<adapters::InProcessServiceHost>(), other.baseUrl()});
        addPhrases(t, {"john smith", "ella marsh", "cat"});
        startMnemonic(t);
        const QString report = report134("Server replied 503 Service Unavailable");
        QCOMPARE(t.dialogs->errorReports, QStringList(3, report));
        QCOMPARE(t.context().resultTable().rowCount(), 0);
        QCOMPARE(t.dialogs->messages, QStringList{"Done."});
    }

    void closingInTheMiddleOfARunStopsTheService()
    {
        const int port = test::freeLoopbackPort();
        test::FakeDialogs* fake = nullptr;
        platform::Platform p = test::realLoopPlatform(fake);
        p.http = std::make_unique<adapters::CurlHttpClient>();
        p.serviceHost = std::make_unique<adapters::InProcessServiceHost>();
        p.mnemonicBaseUrl = QStringLiteral("http://127.0.0.1:%1").arg(port);
        auto window = std::make_unique<window::MainWindow>(std::move(p));
        window->show();
        for (int i = 0; i < 5000; ++i) window->context().wordList().append(QStringLiteral("cat"));
        window->context().selectMnemonicMode();

        QTimer::singleShot(0, window.get(),
                           [&] { window->findChild<QPushButton*>("PushButton2")->click(); });
        // Closes once the run is well under way, whenever a yield lets the timer in (or
        // once it has ended, so that a run without rows fails instead of waiting).
        int rowsAtClose = 0;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, window.get(), [&] {
            rowsAtClose = window->context().resultTable().rowCount();
            if (rowsAtClose < 30 && fake->messages.isEmpty()) return;
            watch.stop();
            window->close();
        });
        watch.start();
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY2(rowsAtClose > 0 && rowsAtClose < 5000 * 3,
                 qPrintable(QString::number(rowsAtClose)));
        QVERIFY(fake->messages.isEmpty());
        QVERIFY(fake->errorReports.isEmpty());
        QVERIFY(listening(port));
        QElapsedTimer ending;
        ending.start();
        window.reset();
        QVERIFY2(ending.elapsed() < 500, qPrintable(QString::number(ending.elapsed())));
        QVERIFY(!listening(port));
    }
};

QTEST_MAIN(TestMnemonicRun)
#include "tst_mnemonic_run.moc"
