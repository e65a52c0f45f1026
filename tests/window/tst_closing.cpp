// Closing the window in the middle of a run, with the real event pump and the
// application's real event loop: the run is abandoned where it stands and the loop
// ends with status 0.

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/platform.h"
#include "platform/platform_error.h"
#include "support/test_platform.h"
#include "window/main_window.h"

using namespace lexiquill;

class TestClosing : public QObject {
    Q_OBJECT

private slots:
    void closingDuringARunEndsTheEventLoopAtOnce()
    {
        test::FakeDialogs* fake = nullptr;
        platform::Platform p = test::realLoopPlatform(fake);
        window::MainWindow window(std::move(p));
        window.show();
        const int count = 2'000'000;
        for (int i = 0; i < count; ++i) window.context().wordList().append(QStringLiteral("a b"));

        QTimer::singleShot(0, &window,
                           [&] { window.findChild<QPushButton*>("PushButton2")->click(); });
        // Runs inside one of the run's yields.
        QTimer::singleShot(20, &window, [&] { window.close(); });
        const int status = QApplication::exec();

        QCOMPARE(status, 0);
        QVERIFY(!window.isVisible());
        const int rows = window.context().resultTable().rowCount();
        QVERIFY2(rows > 0 && rows < count, qPrintable(QString::number(rows)));
        QVERIFY(fake->messages.isEmpty());
        QVERIFY(fake->errorReports.isEmpty());
    }

    void onceEndingAYieldRunsNoHandler()
    {
        test::TestWindow t;
        t.window->show();
        t.window->close();
        QVERIFY(t.pump->isEnding());
        const int yields = t.pump->yields;
        // A click that reached the queue after the window had closed.
        QMetaObject::invokeMethod(t.button("PushButton6"), &QPushButton::click,
                                  Qt::QueuedConnection);
        QVERIFY_THROWS_EXCEPTION(platform::ProgramEnding, t.pump->yield());
        QCOMPARE(t.pump->yields, yields);
        QVERIFY(t.dialogs->prompts.isEmpty());
    }
};

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
