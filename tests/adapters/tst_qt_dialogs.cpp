// The boxes of the running program as the window system shows them, under a real X
// server: their titles are read back from the windows' _NET_WM_NAME.

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "adapters/qt_dialogs.h"
#include "support/test_platform.h"

using lexiquill::adapters::QtDialogs;

namespace {

// Waits for the box that the call opens, reads its title as X has it, and closes it.
QString titleOfBoxOpenedBy(const std::function<void()>& open)
{
    QString title;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        poll.stop();
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(box->winId()),
                                              QStringLiteral("_NET_WM_NAME")});
        xprop.waitForFinished(10000);
        title = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
        box->reject();
    });
    poll.start(20);
    open();
    return title;
}

}  // namespace

class TestQtDialogs : public QObject {
    Q_OBJECT

private slots:
    void titlesAreExact_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("title");
        QTest::newRow("error report") << 0 << "Application Error";
        QTest::newRow("message") << 1 << "Lexiquill";
        QTest::newRow("input prompt") << 2 << "Lexiquill";
    }

    void titlesAreExact()
    {
        QFETCH(int, box);
        QFETCH(QString, title);
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QtDialogs dialogs;
        dialogs.setApplicationTitle(QStringLiteral("Lexiquill"));
        const QString seen = titleOfBoxOpenedBy([&] {
            if (box == 0)
                dialogs.showErrorReport(
                    QStringLiteral("Something failed\r\nin Form1 at line 100\r\r"));
            if (box == 1) dialogs.showMessage(QStringLiteral("Done."));
            if (box == 2) dialogs.inputText(QStringLiteral("Enter word to add: "));
        });
        QCOMPARE(seen, QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"%1\"").arg(title));
    }

    // The window manager's messages to the window while a box blocks it: a close is
    // carried out once the box has closed; a ping, which asks whether the program still
    // answers, closes nothing.
    void onlyACloseAskedDuringABoxClosesTheWindow_data()
    {
        QTest::addColumn<QByteArray>("protocol");
        QTest::newRow("a close closes the window after the box") << QByteArray("WM_DELETE_WINDOW");
        QTest::newRow("a ping closes nothing") << QByteArray("_NET_WM_PING");
    }

    void onlyACloseAskedDuringABoxClosesTheWindow()
    {
        QFETCH(QByteArray, protocol);
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QtDialogs dialogs;
        titleOfBoxOpenedBy([&] {
            QTimer::singleShot(0, [&] {
                lexiquill::test::sendWindowManagerMessage(window, protocol.constData());
            });
            dialogs.showMessage(QStringLiteral("Done."));
        });
        QTest::qWait(200);
        QCOMPARE(window.isVisible(), protocol == "_NET_WM_PING");
    }
};

QTEST_MAIN(TestQtDialogs)
#include "tst_qt_dialogs.moc"
