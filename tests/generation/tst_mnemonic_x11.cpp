// Input during a mnemonic request, under a real X server: a click that a person
// makes while the request is under way must wait for the answer, then take effect.

#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <thread>

#include "platform/in_process_service_host.h"
#include "platform/qt_http_client.h"
#include "shell/main_window.h"
#include "support/loopback_server.h"
#include "support/test_platform.h"

using namespace lexiquill;
using namespace std::chrono_literals;
using test::TestWindow;

class TestMnemonicX11 : public QObject {
    Q_OBJECT

private slots:
    void aClickDuringARequestWaitsForTheAnswer()
    {
        test::LoopbackServer slow;
        slow.server().Get(".*", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(1500ms);
            res.set_content("<big>O</big>wl<br><big>X</big>ray<br>", "text/html");
        });
        slow.start();
        TestWindow t({std::make_unique<platform::QtHttpClient>(),
                      std::make_unique<platform::InProcessServiceHost>(), slow.baseUrl()});
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
        QTest::mouseClick(t.button("PushButton2"), Qt::LeftButton);

        QCOMPARE(promptsDuringRequest, 0);
        QCOMPARE(t.dialogs->prompts.size(), 1);
        QCOMPARE(t.rows(t.context().wordList()), (QStringList{"ox", "added"}));
        QCOMPARE(t.rows(t.context().resultTable()), (QStringList{"ox|Owl", "ox|Xray"}));
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }
};

QTEST_MAIN(TestMnemonicX11)
#include "tst_mnemonic_x11.moc"
