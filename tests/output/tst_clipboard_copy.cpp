#include <QPushButton>
#include <QTest>

#include "export_helpers.h"
#include "output/clipboard_copy.h"

using namespace lexiquill;
using test::addResults;
using test::reportedLocations;
using test::TestWindow;

namespace {

const QString kCopied = QStringLiteral(
    "Results have been copied to the clipboard.\r\rClick a text area where you normally type and "
    "press Ctrl+V to paste the clipboard.");

}  // namespace

class TestClipboardCopy : public QObject {
    Q_OBJECT

private slots:
    void clipboardText_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<bool>>("ticked");
        QTest::addColumn<QString>("text");
        QTest::newRow("phrases of 10 and 5, results of 4 and 2")
            << QStringList{"abcdefghij|A.B.", "klmno|K."} << QList<bool>{true, true}
            << "abcdefghij\tA.B.\r\nklmno     \tK.\r\n";
        QTest::newRow("no ticked row: the empty text")
            << QStringList{"a|A."} << QList<bool>{false} << "";
        QTest::newRow("headers neither appear nor widen")
            << QStringList{"ab|A.", "c|C."} << QList<bool>{true, true} << "ab\tA.\r\nc \tC.\r\n";
        QTest::newRow("unticked rows widen, ticked rows only")
            << QStringList{"a|A.", "a long phrase|A.L.P."} << QList<bool>{true, false}
            << "a            \tA.\r\n";
        QTest::newRow("single row: single tab, no trailing spaces")
            << QStringList{"abc|A."} << QList<bool>{true} << "abc\tA.\r\n";
        QTest::newRow("empty last cell: the earlier tab stays")
            << QStringList{"ab|", "abcd|A."} << QList<bool>{true, true} << "ab  \t\r\nabcd\tA.\r\n";
        QTest::newRow("a last cell's own trailing spaces go")
            << QStringList{"a|B.  "} << QList<bool>{true} << "a\tB.\r\n";
        QTest::newRow("non-ASCII, widths in UTF-16 units")
            << QStringList{QString::fromUtf8("😀|x"), "abc|y"} << QList<bool>{true, true}
            << QString::fromUtf8("😀 \tx\r\nabc\ty\r\n");
    }

    void clipboardText()
    {
        QFETCH(QStringList, rows);
        QFETCH(QList<bool>, ticked);
        QFETCH(QString, text);
        TestWindow t;
        t.clipboard->holdsText = true;
        t.clipboard->text = "earlier";
        addResults(t, rows, ticked);
        t.click("PushButton4");
        QVERIFY(t.clipboard->holdsText);
        QCOMPARE(t.clipboard->text, text);
        QCOMPARE(t.clipboard->format, 0);
        QCOMPARE(t.clipboard->clearAttempts, 1);
        QCOMPARE(t.dialogs->messages, QStringList{kCopied});
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }

    void anEmptyListLeavesTheClipboardAlone()
    {
        TestWindow t;
        t.clipboard->holdsText = true;
        t.clipboard->text = "earlier";
        t.click("PushButton4");
        QCOMPARE(t.clipboard->text, QStringLiteral("earlier"));
        QCOMPARE(t.clipboard->clearAttempts + t.clipboard->setAttempts, 0);
        QCOMPARE(t.pump->yields, 0);
        QCOMPARE(t.dialogs->messages, QStringList{kCopied});
    }

    void yieldsOncePerCellAndRow()
    {
        TestWindow t;
        addResults(t, {"a|A.", "b|B.", "c|C."}, {true, false, true});
        t.click("PushButton4");
        // Widths 3x2, rows 3, cells of the two ticked rows 2x2.
        QCOMPARE(t.pump->yields, 6 + 3 + 4);
    }

    void failedAttemptsAreRetried_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("clearAttempts");
        QTest::addColumn<int>("setAttempts");
        QTest::addColumn<bool>("placed");
        QTest::newRow("clearing fails 999 times, then works") << 999 << 1000 << 1 << true;
        QTest::newRow("clearing gives up, setting works at once") << 1000 << 1000 << 1 << true;
        QTest::newRow("setting works at its 1000th attempt") << 1999 << 1000 << 1000 << true;
        QTest::newRow("setting gives up after 1000 attempts") << 2000 << 1000 << 1000 << false;
    }

    void failedAttemptsAreRetried()
    {
        QFETCH(int, failures);
        QFETCH(int, clearAttempts);
        QFETCH(int, setAttempts);
        QFETCH(bool, placed);
        TestWindow t;
        addResults(t, {"a|A."}, {true});
        t.clipboard->failAttempts = failures;
        t.click("PushButton4");
        QCOMPARE(t.clipboard->clearAttempts, clearAttempts);
        QCOMPARE(t.clipboard->setAttempts, setAttempts);
        QCOMPARE(t.clipboard->text, placed ? QStringLiteral("a\tA.\r\n") : QString());
        // The user is never told that results were copied when they were not.
        QCOMPARE(t.dialogs->messages, placed ? QStringList{kCopied} : QStringList{});
        QCOMPARE(reportedLocations(t.dialogs->errorReports),
                 placed ? QStringList{} : QStringList{"Form1.PushButton4_Click 106"});
    }

    void setClipboardTextTellsWhetherItWorked()
    {
        test::FakeClipboard clipboard;
        clipboard.failAttempts = 5;
        QVERIFY(output::setClipboardText(clipboard, "x", 7));
        QCOMPARE(clipboard.setAttempts, 6);
        QCOMPARE(clipboard.format, 7);
        clipboard.failAttempts = 1000;
        QVERIFY(!output::setClipboardText(clipboard, "y", 0));
        QCOMPARE(clipboard.text, QStringLiteral("x"));
    }

    void resultsClearedDuringTheCopyLeaveTheClipboard()
    {
        TestWindow t;
        addResults(t, {"a|A.", "b|B."}, {true, true});
        t.clipboard->holdsText = true;
        t.clipboard->text = "earlier";
        t.pump->onYield = [&](int yield) {
            if (yield == 5) t.click("PushButton5");
        };
        t.click("PushButton4");
        QCOMPARE(t.dialogs->errorReports, QStringList{});
        QCOMPARE(t.dialogs->messages,
                 QStringList{"The results changed while they were being copied; the clipboard was "
                             "left as it was."});
        QCOMPARE(t.clipboard->text, QStringLiteral("earlier"));
    }

    void otherCommandsRunDuringTheCopy()
    {
        TestWindow t;
        addResults(t, {"a|A."}, {true});
        t.dialogs->inputAnswers = QStringList{"typed meanwhile"};
        t.pump->onYield = [&](int yield) {
            if (yield == 1) t.click("PushButton6");
        };
        t.click("PushButton4");
        QCOMPARE(t.context().wordList().rowCount(), 1);
        QCOMPARE(t.clipboard->text, QStringLiteral("a\tA.\r\n"));
    }
};

QTEST_MAIN(TestClipboardCopy)
#include "tst_clipboard_copy.moc"
