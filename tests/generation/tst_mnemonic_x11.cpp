// Input during a mnemonic request, under a real X server: a click that a person
// makes while the request is under way must wait for the answer, then take effect;
// a close from the window system ends the program at once, or once a box is closed.

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <thread>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "adapters/qt_dialogs.h"
#include "support/loopback_server.h"
#include "support/test_platform.h"
#include "window/main_window.h"

using namespace lexiquill;
using namespace std::chrono_literals;
using test::TestWindow;

class TestMnemonicX11 : public QObject {
    Q_OBJECT

private slots:
    void aClickDuringARequestWaitsForTheAnswer_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("the answer is a page") << 200;
        QTest::newRow("the answer is a failure") << 503;
    }

    void aClickDuringARequestWaitsForTheAnswer()
    {
        QFETCH(int, status);
        test::LoopbackServer slow;
        slow.server().Get(".*", [status](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(1500ms);
            res.status = status;
            res.set_content("<big>O</big>wl<br><big>X</big>ray<br>", "text/html");
        });
        slow.start();
        TestWindow t({std::make_unique<adapters::CurlHttpClient>(),
                      std::make_unique<adapters::InProcessServiceHost>(), slow.baseUrl()});
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
        t.context().wordList().append(QStringLiteral("ox"));
        t.window->findChild<QRadioButton*>("Option2")->setChecked(true);
        t.dialogs->inputAnswers = QStringList{"added"};

        // A real click on Add Word(s), through the X server, while the request waits.
        QPushButton* add = t.button("PushButton6");
        const QPoint at = add->mapToGlobal(add->rect().center());
        int promptsDuringRequest = -1;
        QTimer::singleShot(300, t.window.get(), [&] {
            QProcess::execute("xdotool", {"mousemove", QString::number(at.x()),
                                          QString::number(at.y()), "click", "1"});
        });
        QTimer::singleShot(1000, t.window.get(),
                           [&] { promptsDuringRequest = int(t.dialogs->prompts.size()); });
        t.click("PushButton2");

        QCOMPARE(promptsDuringRequest, 0);
        QCOMPARE(t.dialogs->prompts.size(), 1);
        QCOMPARE(t.rows(t.context().wordList()), (QStringList{"ox", "added"}));
        const bool page = status == 200;
        QCOMPARE(t.rows(t.context().resultTable()),
                 page ? (QStringList{"ox|Owl", "ox|Xray"}) : QStringList{});
        QCOMPARE(t.dialogs->errorReports.size(), page ? 0 : 1);
    }

    void closingEndsTheProgram_data()
    {
        QTest::addColumn<bool>("boxes");  // false: the service accepts and never answers
        QTest::newRow("during a request the service never answers: at once") << false;
        QTest::newRow("while an error box is open: once it is closed") << true;
    }

    void closingEndsTheProgram()
    {
        QFETCH(bool, boxes);
        QTcpServer silent;  // never accepts: connections wait in its backlog
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        test::FakeDialogs* unused = nullptr;
        platform::Platform p = test::realLoopPlatform(unused);
        p.dialogs = std::make_unique<adapters::QtDialogs>();
        p.http = std::make_unique<adapters::CurlHttpClient>();
        p.serviceHost = std::make_unique<test::FakeServiceHost>();
        // Refused there: an error box per phrase.
        p.mnemonicBaseUrl =
            QStringLiteral("http://127.0.0.1:%1").arg(boxes ? 1 : silent.serverPort());
        window::MainWindow window(std::move(p));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.context().wordList().append("ox");
        window.context().wordList().append("ab");
        window.context().selectMnemonicMode();

        // The close comes while the request waits, or while the first box is open,
        // which is closed 300 ms later.
        int shown = 0;
        QElapsedTimer sinceLastStep;
        QTimer::singleShot(300, &window, [&] {
            test::sendWindowManagerMessage(window, "WM_DELETE_WINDOW");
            sinceLastStep.start();
            QWidget* box = QApplication::activeModalWidget();
            if (box == nullptr) return;
            ++shown;
            QTimer::singleShot(300, box, [&, box] {
                sinceLastStep.start();
                box->close();
            });
        });
        QTimer::singleShot(0, &window,
                           [&] { window.findChild<QPushButton*>("PushButton2")->click(); });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });  // a close lost
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY2(sinceLastStep.elapsed() < 500,
                 qPrintable(QString::number(sinceLastStep.elapsed())));
        QCOMPARE(shown, boxes ? 1 : 0);
        QCOMPARE(window.context().resultTable().rowCount(), 0);
    }
};

QTEST_MAIN(TestMnemonicX11)
#include "tst_mnemonic_x11.moc"
