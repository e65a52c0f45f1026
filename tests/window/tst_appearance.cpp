#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/appearance.h"
#include "window/main_window.h"

using namespace lexiquill;
using command::Pointer;
using test::TestWindow;

Q_DECLARE_METATYPE(command::Pointer)

namespace {

// A 16 x 16, 32-bit Windows cursor file with the given hot spot.
QByteArray cursorFile(quint16 hotX, quint16 hotY)
{
    QByteArray bytes;
    const auto put16 = [&](quint16 v) { bytes.append(char(v & 0xff)).append(char(v >> 8)); };
    const auto put32 = [&](quint32 v) {
        put16(quint16(v & 0xffff));
        put16(quint16(v >> 16));
    };
    const quint32 imageSize = 40 + 16 * 16 * 4 + 16 * 4;
    put16(0);
    put16(2);
    put16(1);  // cursor directory, one entry
    bytes.append(char(16)).append(char(16)).append(char(0)).append(char(0));
    put16(hotX);
    put16(hotY);
    put32(imageSize);
    put32(22);
    put32(40);
    put32(16);
    put32(32);
    put16(1);
    put16(32);  // bitmap header, XOR + AND height
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    for (int i = 0; i < 16 * 16; ++i) put32(0xff2050c0);
    bytes.append(QByteArray(16 * 4, '\0'));
    return bytes;
}

QColor background(TestWindow& t, const char* name)
{
    auto* widget =
        qstrcmp(name, "Form1") == 0 ? t.window.get() : t.window->findChild<QWidget*>(name);
    return widget->palette().color(widget->backgroundRole());
}

}  // namespace

class TestAppearance : public QObject {
    Q_OBJECT

private slots:
    void skinFileDecidesTheLook_data()
    {
        QTest::addColumn<QString>("skinEntry");  // what stands at x/o.cjs
        QTest::addColumn<bool>("skinned");
        QTest::newRow("no skin file") << "" << false;
        QTest::newRow("skin file") << "file" << true;
        QTest::newRow("a folder of that name is no skin") << "folder" << false;
    }

    void skinFileDecidesTheLook()
    {
        QFETCH(QString, skinEntry);
        QFETCH(bool, skinned);
        QTemporaryDir dir;
        const QString skin = window::skinFilePath(dir.path());
        if (skinEntry == "file") test::writeFile(skin, "skin data");
        if (skinEntry == "folder") QDir().mkpath(skin);
        TestWindow t(dir.path());

        const QColor face = QApplication::palette().color(QPalette::Button);
        const QColor expected = skinned ? face : QColor(Qt::white);
        for (const char* name : {"Form1", "Frame1", "Option1", "Option2"}) {
            QVERIFY2(background(t, name) == expected, name);
        }
        const auto* button = t.button("PushButton2");
        QCOMPARE(button->palette().color(QPalette::Button), QColor(Qt::white));
        const auto* list = t.window->findChild<QWidget*>("ListView2");
        QCOMPARE(list->palette().color(QPalette::Base),
                 QApplication::palette().color(QPalette::Base));

        const QStringList calls{QStringLiteral("load %1 \"\"").arg(skin),
                                "read options",
                                "write options 7",
                                "set option 5 true",
                                "set option 10 true",
                                "apply to window"};
        QCOMPARE(t.skinEngine->calls, skinned ? calls : QStringList{});
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }

    void failingSkinIsStep100AndStartUpGoesOn()
    {
        QTemporaryDir dir;
        test::writeFile(window::skinFilePath(dir.path()), "skin data");
        TestWindow t(dir.path(), true);
        QCOMPARE(t.dialogs->errorReports,
                 QStringList{test::reportFor("Skin file is damaged", "Form_Load", 100)});
        // Colours set before the failing call stay; the rest of start-up ran.
        QCOMPARE(background(t, "Frame1"), QApplication::palette().color(QPalette::Button));
        QCOMPARE(t.skinEngine->calls.size(), 1);
        QCOMPARE(t.context().resultTable().columnCount(), 2);
        QCOMPARE(t.window->windowTitle(), QStringLiteral("Lexiquill"));
    }

    void handCursorFile_data()
    {
        QTest::addColumn<QByteArray>("contents");  // empty: no file
        QTest::addColumn<int>("shape");
        QTest::addColumn<QPoint>("hotSpot");
        QTest::addColumn<QString>("report");
        QTest::newRow("no file: the platform's pointing hand")
            << QByteArray() << int(Qt::PointingHandCursor) << QPoint() << "";
        QTest::newRow("cursor file with its hot spot")
            << cursorFile(3, 5) << int(Qt::BitmapCursor) << QPoint(3, 5) << "";
        QTest::newRow("file that is no picture is step 106")
            << QByteArray("not a cursor") << int(Qt::PointingHandCursor) << QPoint() << "106";
    }

    void handCursorFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, shape);
        QFETCH(QPoint, hotSpot);
        QFETCH(QString, report);
        QTemporaryDir dir;
        if (!contents.isEmpty()) test::writeFile(window::handCursorPath(dir.path()), contents);
        TestWindow t(dir.path());
        if (report.isEmpty()) {
            QVERIFY(t.dialogs->errorReports.isEmpty());
        } else {
            QCOMPARE(t.dialogs->errorReports.size(), 1);
            QVERIFY(t.dialogs->errorReports[0].contains("Form_Load at line " + report + "\r\r"));
            QVERIFY(t.dialogs->errorReports[0].startsWith("Invalid picture"));
        }
        QCOMPARE(t.context().resultTable().columnCount(), 2);
        t.context().setPointer(Pointer::Hand);
        QCOMPARE(int(t.window->cursor().shape()), shape);
        if (shape == Qt::BitmapCursor) QCOMPARE(t.window->cursor().hotSpot(), hotSpot);
    }

    void pointerFollowsTheMouse_data()
    {
        QTest::addColumn<QStringList>("path");  // controls the mouse moves over, in order
        QTest::addColumn<Pointer>("start");
        QTest::addColumn<Pointer>("end");
        QTest::newRow("over a push button")
            << QStringList{"PushButton6"} << Pointer::Default << Pointer::Hand;
        QTest::newRow("button to button keeps Hand")
            << QStringList{"PushButton6", "PushButton12"} << Pointer::Default << Pointer::Hand;
        QTest::newRow("button, then the frame")
            << QStringList{"PushButton2", "Frame1"} << Pointer::Hand << Pointer::Default;
        QTest::newRow("button, then the word list")
            << QStringList{"PushButton2", "ListView1"} << Pointer::Default << Pointer::Default;
        QTest::newRow("button, then the results list")
            << QStringList{"PushButton2", "ListView2"} << Pointer::Default << Pointer::Default;
        QTest::newRow("button, then the free area")
            << QStringList{"PushButton2", "Form1"} << Pointer::Default << Pointer::Default;
        QTest::newRow("frame, then an option keeps Default")
            << QStringList{"Frame1", "Option1"} << Pointer::Hand << Pointer::Default;
        QTest::newRow("an option or the progress bar sets nothing")
            << QStringList{"PushButton4", "Option2", "ProgressBar1"} << Pointer::Default
            << Pointer::Hand;
        QTest::newRow("Busy stays over buttons and lists")
            << QStringList{"PushButton2", "ListView1", "Form1", "Frame1", "PushButton5"}
            << Pointer::Busy << Pointer::Busy;
    }

    void pointerFollowsTheMouse()
    {
        QFETCH(QStringList, path);
        QFETCH(Pointer, start);
        QFETCH(Pointer, end);
        TestWindow t;
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
        t.context().setPointer(start);
        for (const QString& name : path) moveOnto(t, name);
        QCOMPARE(t.context().pointer(), end);
    }

    void pointerAfterARunStaysDefaultUntilTheNextMove()
    {
        TestWindow t;
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
        t.context().wordList().append("radar");
        QList<Pointer> duringRun;
        t.pump->onYield = [&](int) {
            moveOnto(t, "PushButton2");
            duringRun.append(t.context().pointer());
        };
        t.click("PushButton2");
        QCOMPARE(duringRun, QList<Pointer>{Pointer::Busy});
        QCOMPARE(t.context().pointer(), Pointer::Default);
        QCOMPARE(t.window->cursor().shape(), Qt::ArrowCursor);
        QTest::mouseMove(t.button("PushButton2"), QPoint(12, 12));
        QCOMPARE(t.context().pointer(), Pointer::Hand);
    }

private:
    static void moveOnto(TestWindow& t, const QString& name)
    {
        QWidget* target = name == "Form1" ? t.window.get() : t.window->findChild<QWidget*>(name);
        QPoint at = target->rect().center();
        if (name == "Form1") at = QPoint(3, 3);
        if (name == "Frame1") at = QPoint(target->width() - 10, target->height() - 8);
        if (auto* list = qobject_cast<widgets::ListControl*>(target)) {
            target = list->viewport();
            at = target->rect().center();
        }
        QTest::mouseMove(target, at);
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
