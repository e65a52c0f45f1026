#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "generation/generation_run.h"
#include "support/test_platform.h"
#include "widgets/caption_progress_bar.h"
#include "widgets/display_refresh.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

using namespace lexiquill;
using test::TestWindow;

namespace {

widgets::CaptionProgressBar* progressBar(TestWindow& t)
{
    return t.window->findChild<widgets::CaptionProgressBar*>("ProgressBar1");
}

void addPhrases(TestWindow& t, const QStringList& phrases)
{
    for (const QString& phrase : phrases) t.context().wordList().append(phrase);
}

// The value and text the progress bar had each time it was painted: what the user saw.
class PaintedProgress : public QObject {
public:
    explicit PaintedProgress(QProgressBar* bar) : m_bar(bar) { bar->installEventFilter(this); }
    QList<int> values;
    QStringList texts;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            values.append(m_bar->value());
            texts.append(m_bar->text());
        }
        return false;
    }

private:
    QProgressBar* m_bar;
};

// Long enough for the display to catch up several times, short enough for a test.
constexpr int kDrawTimeoutMs = 5 * widgets::kDisplayRefreshMs;

}  // namespace

class TestGenerationRun : public QObject {
    Q_OBJECT

private slots:
    void threePhrasesGiveThreeRowsWithProgress()
    {
        TestWindow t;
        addPhrases(t, {"portable network graphics", "  as soon as possible  ", "C:\\lists\\radar"});
        QList<int> values;
        QStringList captions;
        QList<command::Pointer> pointers;
        t.pump->onYield = [&](int) {
            values.append(progressBar(t)->position());
            captions.append(progressBar(t)->caption());
            pointers.append(t.context().pointer());
            QVERIFY(t.context().isGenerating());
        };
        t.click("PushButton2");
        QCOMPARE(values, (QList<int>{33, 66, 100}));
        QCOMPARE(captions,
                 (QStringList{"Processing: portable network graphics",
                              "Processing:   as soon as possible  ", "Processing: radar"}));
        QCOMPARE(pointers, QList<command::Pointer>(3, command::Pointer::Busy));
        QCOMPARE(t.rows(t.context().resultTable()),
                 (QStringList{"portable network graphics|P.N.G.",
                              "  as soon as possible  |A.S.A.P.", "C:\\lists\\radar|C."}));
        QCOMPARE(t.dialogs->messages, QStringList{"Done."});
        QCOMPARE(progressBar(t)->position(), 0);
        QCOMPARE(progressBar(t)->caption(), QStringLiteral("Progress Bar"));
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QVERIFY(!t.context().isGenerating());
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }

    void progressDividesFirstAndRoundsDown()
    {
        TestWindow t;
        for (int i = 1; i <= 100; ++i) t.context().wordList().append(QString::number(i));
        QList<int> values;
        t.pump->onYield = [&](int) { values.append(progressBar(t)->position()); };
        t.click("PushButton2");
        QCOMPARE(values.size(), 100);
        QCOMPARE(values[28], 28);  // phrase 29
        QCOMPARE(values[56], 56);  // phrase 57
        QCOMPARE(values[99], 100);
    }

    void emptyWordListChangesNothing()
    {
        TestWindow t;
        t.context().resultTable().append("kept");
        t.context().setProgressValue(40);
        t.context().setProgressText("earlier");
        t.click("PushButton2");
        QCOMPARE(t.dialogs->messages, QStringList{"You forgot to add word(s)."});
        QCOMPARE(t.rows(t.context().resultTable()), QStringList{"kept|"});
        QCOMPARE(progressBar(t)->position(), 40);
        QCOMPARE(progressBar(t)->caption(), QStringLiteral("earlier"));
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QVERIFY(!t.context().isGenerating());
        addPhrases(t, {"radar"});
        t.click("PushButton2");
        QCOMPARE(t.dialogs->messages.last(), QStringLiteral("Done."));
        QCOMPARE(t.rows(t.context().resultTable()), QStringList{"radar|R."});
    }

    void aRunReplacesEarlierResultsWithUntickedRows()
    {
        TestWindow t;
        auto& results = t.context().resultTable();
        results.append("old");
        auto* list2 = t.window->findChild<widgets::ListControl*>("ListView2");
        list2->rows().publishRows();
        list2->model()->setData(list2->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        addPhrases(t, {"x-ray vision"});
        t.click("PushButton2");
        QCOMPARE(t.rows(results), QStringList{"x-ray vision|X.V."});
    }

    void withNeitherModeTheResultsAreOnlyCleared()
    {
        TestWindow t;
        addPhrases(t, {"radar"});
        t.context().resultTable().append("old");
        auto* option1 = t.window->findChild<QRadioButton*>("Option1");
        option1->setAutoExclusive(false);
        option1->setChecked(false);
        t.click("PushButton2");
        QCOMPARE(t.context().resultTable().rowCount(), 0);
        QCOMPARE(t.dialogs->messages, QStringList{"Done."});
        QVERIFY(!t.context().isGenerating());
    }

    void commandsDuringAYield_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<int>("words");
        QTest::addColumn<int>("messages");
        // Rows of the run: "a|A.", "b|B.", "c|C.". The command runs in the second yield.
        QTest::newRow("second Start is ignored")
            << "PushButton2" << QStringList{"a|A.", "b|B.", "c|C."} << 3 << 1;
        QTest::newRow("results Clear List takes effect")
            << "PushButton5" << QStringList{"b|B.", "c|C."} << 3 << 1;
        QTest::newRow("added phrase is not processed")
            << "PushButton6" << QStringList{"a|A.", "b|B.", "c|C."} << 4 << 1;
        QTest::newRow("word list Clear List is refused")
            << "PushButton1" << QStringList{"a|A.", "b|B.", "c|C."} << 3 << 1;
        QTest::newRow("samples are appended, mode kept for this run")
            << "PushButton7" << QStringList{"a|A.", "b|B.", "c|C."} << 5 << 1;
    }

    void commandsDuringAYield()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, results);
        QFETCH(int, words);
        QFETCH(int, messages);
        TestWindow t;
        addPhrases(t, {"a", "b", "c"});
        t.dialogs->inputAnswers = QStringList{"added"};
        t.pump->onYield = [&](int yield) {
            if (yield == 2) t.click(command.toLatin1());
        };
        t.click("PushButton2");
        QCOMPARE(t.rows(t.context().resultTable()), results);
        QCOMPARE(t.context().wordList().rowCount(), words);
        QCOMPARE(t.dialogs->messages.size(), messages);
        QCOMPARE(t.pump->yields, 3);
    }

    void addingDuringARunMakesProgressSmaller()
    {
        TestWindow t;
        addPhrases(t, {"a", "b"});
        QList<int> values;
        t.pump->onYield = [&](int yield) {
            values.append(progressBar(t)->position());
            if (yield == 1) addPhrases(t, {"c", "d"});
        };
        t.click("PushButton2");
        QCOMPARE(values, (QList<int>{50, 50}));
    }

    void busyPointerComesBackAfterEachYield()
    {
        TestWindow t;
        addPhrases(t, {"a", "b"});
        QList<command::Pointer> pointers;
        t.pump->onYield = [&](int) {
            pointers.append(t.context().pointer());
            // Another long command ends during the yield and leaves Default behind.
            t.context().setPointer(command::Pointer::Default);
        };
        t.click("PushButton2");
        QCOMPARE(pointers, QList<command::Pointer>(2, command::Pointer::Busy));
    }

    void wordListLosingRowsDuringARunIsReported()
    {
        TestWindow t;
        addPhrases(t, {"a", "b", "c"});
        auto* list1 = t.window->findChild<widgets::ListControl*>("ListView1");
        t.pump->onYield = [&](int yield) {
            if (yield != 1) return;
            t.context().setPointer(command::Pointer::Default);
            list1->rows().publishRows();
            list1->selectRow(2);
            QTest::keyClick(list1, Qt::Key_Delete);
        };
        t.click("PushButton2");
        QCOMPARE(t.context().wordList().rowCount(), 2);
        QCOMPARE(
            t.dialogs->errorReports,
            (QStringList{
                test::reportFor("Invalid property value: the progress bar takes 0 to 100, not 150.",
                                "PushButton2_Click", 114),
                test::reportFor("Row 3 does not exist: the list has 2 row(s).", "PushButton2_Click",
                                116)}));
        // The phrase that could not be read does not repeat the one before it.
        QCOMPARE(t.rows(t.context().resultTable()), (QStringList{"a|A.", "b|B.", "|"}));
        QCOMPARE(t.dialogs->messages, QStringList{"Done."});
        QVERIFY(!t.context().isGenerating());
    }

    void progressBarDrawsEachChange_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("caption");
        QTest::newRow("value alone") << 37 << "Progress Bar";
        QTest::newRow("caption alone") << 0 << "Processing: radar";
        QTest::newRow("both") << 100 << "Done";
    }

    void progressBarDrawsEachChange()
    {
        QFETCH(int, value);
        QFETCH(QString, caption);
        TestWindow t;
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
        // A first change, so that the one under test falls into a refresh interval.
        t.context().setProgressValue(1);
        t.context().setProgressValue(0);
        PaintedProgress painted(progressBar(t));
        if (value != 0) t.context().setProgressValue(value);
        if (caption != QStringLiteral("Progress Bar")) t.context().setProgressText(caption);
        QTRY_VERIFY_WITH_TIMEOUT(!painted.values.isEmpty() && painted.values.last() == value &&
                                     painted.texts.last() == caption,
                                 kDrawTimeoutMs);
    }

    void progressBarMovesDuringARun()
    {
        TestWindow t;
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
        for (int i = 0; i < 400; ++i)
            t.context().wordList().append(QStringLiteral("phrase %1").arg(i));
        PaintedProgress painted(progressBar(t));
        t.pump->onYield = [&](int) { QTest::qSleep(1); };
        t.click("PushButton2");
        QList<int> during;
        for (qsizetype i = 0; i < painted.values.size(); ++i) {
            if (painted.texts[i].startsWith(QStringLiteral("Processing: phrase ")))
                during.append(painted.values[i]);
        }
        QVERIFY2(during.size() >= 3, qPrintable(QString::number(during.size())));
        QVERIFY(std::is_sorted(during.begin(), during.end()));
        QVERIFY(during.first() < during.last());
        QTRY_VERIFY_WITH_TIMEOUT(
            painted.values.last() == 0 && painted.texts.last() == QStringLiteral("Progress Bar"),
            kDrawTimeoutMs);
    }

    void failingStepCostsOnlyItself_data()
    {
        QTest::addColumn<QStringList>("operations");
        QTest::addColumn<int>("nth");
        QTest::addColumn<QList<int>>("lines");
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QString>("message");
        const QStringList all{"a|A.", "b b|B.B.", "c|C."};
        QTest::newRow("progress value, 114")
            << QStringList{"setProgressValue"} << 2 << QList<int>{114} << all << "Done.";
        QTest::newRow("reading the phrase, 116")
            << QStringList{"wordList.text"} << 2 << QList<int>{116}
            << QStringList{"a|A.", "|", "c|C."} << "Done.";
        QTest::newRow("progress caption, 118")
            << QStringList{"setProgressText"} << 1 << QList<int>{118} << all << "Done.";
        QTest::newRow("yield, 120")
            << QStringList{"yield"} << 3 << QList<int>{120} << all << "Done.";
        QTest::newRow("appending the row, 124 then 126")
            << QStringList{"resultTable.append"} << 2 << QList<int>{124, 126}
            << QStringList{"a|A.", "c|C."} << "Done.";
        QTest::newRow("setting the result, 126")
            << QStringList{"resultTable.setSubText"} << 3 << QList<int>{126}
            << QStringList{"a|A.", "b b|B.B.", "c|"} << "Done.";
        QTest::newRow("clearing the results, 108")
            << QStringList{"resultTable.clear"} << 1 << QList<int>{108}
            << (QStringList{"old|"} + all) << "Done.";
        QTest::newRow("failing mode test enters the loop, 110")
            << QStringList{"isAcronymMode"} << 1 << QList<int>{110} << all << "Done.";
        QTest::newRow("failing empty test goes to its branch, 104")
            << QStringList{"wordList.rowCount"} << 1 << QList<int>{104} << QStringList{"old|"}
            << "You forgot to add word(s).";
        QTest::newRow("failing busy test returns, 100")
            << QStringList{"isGenerating"} << 1 << QList<int>{100} << QStringList{"old|"} << "";
        QTest::newRow("the Done message, 178")
            << QStringList{"dialogs.showMessage"} << 1 << QList<int>{178} << all << "";
        QTest::newRow("the forgotten-words message, 180")
            << QStringList{"wordList.rowCount", "dialogs.showMessage"} << 1 << QList<int>{104, 180}
            << QStringList{"old|"} << "";
    }

    void failingStepCostsOnlyItself()
    {
        QFETCH(QStringList, operations);
        QFETCH(int, nth);
        QFETCH(QList<int>, lines);
        QFETCH(QStringList, results);
        QFETCH(QString, message);
        TestWindow t;
        addPhrases(t, {"a", "b b", "c"});
        t.context().resultTable().append("old");
        test::FaultyContext faulty(t.context());
        for (const QString& operation : operations) {
            faulty.faults.failAt(operation, nth);
            t.dialogs->faults.failAt(operation, nth);
        }
        generation::startGenerating(faulty);

        QStringList expected;
        for (int line : lines)
            expected.append(QStringLiteral("Form1.PushButton2_Click %1").arg(line));
        QCOMPARE(test::reportedLocations(t.dialogs->errorReports), expected);
        QCOMPARE(t.rows(t.context().resultTable()), results);
        QCOMPARE(t.dialogs->messages, message.isEmpty() ? QStringList{} : QStringList{message});
        QVERIFY(!t.context().isGenerating());
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QCOMPARE(progressBar(t)->caption(), QStringLiteral("Progress Bar"));
    }

    void runsPastSixteenBitLimits()
    {
        TestWindow t;
        const int count = 40000;
        for (int i = 0; i < count; ++i) t.context().wordList().append(QStringLiteral("w x"));
        t.click("PushButton2");
        QCOMPARE(t.pump->yields, count);
        QCOMPARE(t.context().resultTable().rowCount(), count);
        QCOMPARE(t.context().resultTable().subText(count, 2), QStringLiteral("W.X."));
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }
};

QTEST_MAIN(TestGenerationRun)
#include "tst_generation_run.moc"
