#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "command/step_trap.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"
#include "wordlist/word_list_commands.h"

using namespace lexiquill;
using test::TestWindow;

namespace {

widgets::ListControl* listView1(TestWindow& t)
{
    return t.window->findChild<widgets::ListControl*>("ListView1");
}

void fill(TestWindow& t, const QStringList& phrases, int selectedRow)
{
    for (const QString& phrase : phrases) t.context().wordList().append(phrase);
    t.context().resultTable().append("result row");
    listView1(t)->rows().publishRows();
    if (selectedRow > 0) listView1(t)->selectRow(selectedRow - 1);
}

enum class Removal {
    DoubleClick,
    DoubleClickBelowRows,
    RightDoubleClick,
    MiddleDoubleClick,
    DeleteKey
};

void remove(TestWindow& t, Removal how, Qt::KeyboardModifiers modifiers = {})
{
    auto* list = listView1(t);
    if (how == Removal::DeleteKey) {
        QTest::keyClick(list, Qt::Key_Delete, modifiers);
        return;
    }
    QPoint at(200, list->viewport()->height() - 5);
    if (how != Removal::DoubleClickBelowRows) {
        // On the selected row, as a user double-clicks the item to remove.
        const int row = std::max(list->selectedRow(), 1) - 1;
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        at = rect.isValid() ? rect.center() : QPoint(20, 20);
    }
    const Qt::MouseButton button = how == Removal::RightDoubleClick    ? Qt::RightButton
                                   : how == Removal::MiddleDoubleClick ? Qt::MiddleButton
                                                                       : Qt::LeftButton;
    test::doubleClick(list->viewport(), button, at);
}

}  // namespace

Q_DECLARE_METATYPE(Removal)
Q_DECLARE_METATYPE(QList<Removal>)

class TestWordListCommands : public QObject {
    Q_OBJECT

private slots:
    void addWord_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("cancel or empty OK leaves the list")
            << QStringList{""} << QStringList{"one"};
        QTest::newRow("blanks only are a phrase")
            << QStringList{"   "} << QStringList{"one", "   "};
        QTest::newRow("kept exactly as typed")
            << QStringList{" Mixed  Case, Comma "} << QStringList{"one", " Mixed  Case, Comma "};
        QTest::newRow("duplicate gives a second copy")
            << QStringList{"one"} << QStringList{"one", "one"};
    }

    void addWord()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, words);
        TestWindow t;
        t.context().wordList().append("one");
        t.dialogs->inputAnswers = answers;
        t.click("PushButton6");
        QCOMPARE(t.dialogs->prompts, QStringList{"Enter word to add: "});
        QCOMPARE(t.rows(t.context().wordList()), words);
        QVERIFY(t.dialogs->messages.isEmpty());
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }

    void sampleWordsAppendAndSelectMnemonic()
    {
        TestWindow t;
        t.context().wordList().append("mine");
        t.click("PushButton7");
        QCOMPARE(t.rows(t.context().wordList()), (QStringList{"mine", "john smith", "ella marsh"}));
        QVERIFY(t.window->findChild<QRadioButton*>("Option2")->isChecked());
        QVERIFY(!t.window->findChild<QRadioButton*>("Option1")->isChecked());
        t.click("PushButton7");
        QCOMPARE(t.context().wordList().rowCount(), 5);
    }

    void failingSampleStepCostsOnlyItself()
    {
        TestWindow t;
        test::FaultyContext faulty(t.context());
        faulty.faults.failAt("wordList.append", 1);
        wordlist::loadSampleWords(faulty);
        QCOMPARE(t.dialogs->errorReports,
                 QStringList{test::reportFor("Injected failure of wordList.append",
                                             "PushButton7_Click", 100)});
        QCOMPARE(t.rows(t.context().wordList()), QStringList{"ella marsh"});
        QVERIFY(t.context().isMnemonicMode());
    }

    void failingPromptIsReportedAndAddsNothing()
    {
        TestWindow t;
        t.dialogs->faults.failAt("dialogs.inputText", 1);
        t.dialogs->inputAnswers = QStringList{"word"};
        t.click("PushButton6");
        QCOMPARE(t.dialogs->errorReports,
                 QStringList{test::reportFor("Injected failure of dialogs.inputText",
                                             "PushButton6_Click", 100)});
        QCOMPARE(t.context().wordList().rowCount(), 0);
    }

    void removalTakesTheSelectedPhrase_data()
    {
        QTest::addColumn<Removal>("how");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("words");
        const QStringList all{"a", "b", "c"};
        QTest::newRow("double-click") << Removal::DoubleClick << 0 << 2 << QStringList{"a", "c"};
        QTest::newRow("double-click below the rows")
            << Removal::DoubleClickBelowRows << 0 << 1 << QStringList{"b", "c"};
        QTest::newRow("Delete") << Removal::DeleteKey << 0 << 3 << QStringList{"a", "b"};
        QTest::newRow("Shift+Delete")
            << Removal::DeleteKey << int(Qt::ShiftModifier) << 1 << QStringList{"b", "c"};
        QTest::newRow("Ctrl+Delete")
            << Removal::DeleteKey << int(Qt::ControlModifier) << 2 << QStringList{"a", "c"};
        QTest::newRow("nothing selected removes nothing") << Removal::DeleteKey << 0 << 0 << all;
    }

    void removalTakesTheSelectedPhrase()
    {
        QFETCH(Removal, how);
        QFETCH(int, modifiers);
        QFETCH(int, selected);
        QFETCH(QStringList, words);
        TestWindow t;
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
        fill(t, {"a", "b", "c"}, selected);
        remove(t, how, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(t.rows(t.context().wordList()), words);
        QCOMPARE(t.context().resultTable().rowCount(), 1);
        QVERIFY(t.dialogs->messages.isEmpty() && t.dialogs->errorReports.isEmpty());
    }

    void eachSelectionRemovesOnePhraseAtMost_data()
    {
        QTest::addColumn<QList<Removal>>("gestures");
        QTest::addColumn<QStringList>("words");
        const QStringList all{"a", "b", "c", "d"};
        QTest::newRow("Delete twice")
            << QList<Removal>{Removal::DeleteKey, Removal::DeleteKey} << QStringList{"a", "c", "d"};
        QTest::newRow("double-click, then Delete")
            << QList<Removal>{Removal::DoubleClick, Removal::DeleteKey}
            << QStringList{"a", "c", "d"};
        QTest::newRow("double-click below the rows twice")
            << QList<Removal>{Removal::DoubleClickBelowRows, Removal::DoubleClickBelowRows}
            << QStringList{"a", "c", "d"};
        QTest::newRow("right double-click removes nothing")
            << QList<Removal>{Removal::RightDoubleClick} << all;
        QTest::newRow("middle double-click removes nothing")
            << QList<Removal>{Removal::MiddleDoubleClick} << all;
    }

    void eachSelectionRemovesOnePhraseAtMost()
    {
        QFETCH(QList<Removal>, gestures);
        QFETCH(QStringList, words);
        TestWindow t;
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
        fill(t, {"a", "b", "c", "d"}, 2);
        for (Removal how : gestures) remove(t, how);
        QCOMPARE(t.rows(t.context().wordList()), words);
        if (words.size() < 4) {
            QVERIFY(!listView1(t)->selectionModel()->hasSelection());
            QVERIFY(!listView1(t)->currentIndex().isValid());
        }
    }

    void otherKeysRemoveNothing_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Backspace") << int(Qt::Key_Backspace);
        QTest::newRow("letter") << int(Qt::Key_D);
        QTest::newRow("Insert") << int(Qt::Key_Insert);
    }

    void otherKeysRemoveNothing()
    {
        QFETCH(int, key);
        TestWindow t;
        fill(t, {"a", "b"}, 1);
        QTest::keyClick(listView1(t), Qt::Key(key));
        QCOMPARE(t.context().wordList().rowCount(), 2);
    }

    void removalOnAnEmptyListDoesNothing_data()
    {
        QTest::addColumn<Removal>("how");
        QTest::newRow("double-click") << Removal::DoubleClick;
        QTest::newRow("Delete") << Removal::DeleteKey;
    }

    void removalOnAnEmptyListDoesNothing()
    {
        QFETCH(Removal, how);
        TestWindow t;
        t.window->show();
        remove(t, how);
        QCOMPARE(t.context().wordList().rowCount(), 0);
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }

    void busyPointerHoldsBackOnlyTheWordListRemovals_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("words");
        QTest::addColumn<int>("results");
        QTest::newRow("word list Clear List refused") << "PushButton1" << 2 << 1;
        QTest::newRow("double-click refused") << "dblclick" << 2 << 1;
        QTest::newRow("Delete refused") << "delete" << 2 << 1;
        QTest::newRow("results Clear List still works") << "PushButton5" << 2 << 0;
        QTest::newRow("Add Word(s) still works") << "PushButton6" << 3 << 1;
    }

    void busyPointerHoldsBackOnlyTheWordListRemovals()
    {
        QFETCH(QString, command);
        QFETCH(int, words);
        QFETCH(int, results);
        TestWindow t;
        t.window->show();
        fill(t, {"a", "b"}, 1);
        t.dialogs->inputAnswers = QStringList{"added"};
        t.context().setPointer(command::Pointer::Busy);
        if (command == "dblclick") {
            remove(t, Removal::DoubleClick);
        } else if (command == "delete") {
            remove(t, Removal::DeleteKey);
        } else {
            t.click(command.toLatin1());
        }
        QCOMPARE(t.context().wordList().rowCount(), words);
        QCOMPARE(t.context().resultTable().rowCount(), results);
        QCOMPARE(t.context().pointer(), command::Pointer::Busy);
    }

    void eachClearListEmptiesOnlyItsOwnList()
    {
        TestWindow t;
        fill(t, {"a", "b"}, 0);
        t.click("PushButton1");
        QCOMPARE(t.context().wordList().rowCount(), 0);
        QCOMPARE(t.context().resultTable().rowCount(), 1);
        fill(t, {"a"}, 0);
        t.click("PushButton5");
        QCOMPARE(t.context().wordList().rowCount(), 1);
        QCOMPARE(t.context().resultTable().rowCount(), 0);
    }

    void failingRemovalIsReportedNotFatal()
    {
        // The handlers without a trap of their own still never let a failure out.
        TestWindow t;
        test::FaultyContext faulty(t.context());
        faulty.faults.failAt("wordList.remove", 1);
        fill(t, {"a"}, 1);
        command::runHandler(faulty, "ListView1_DblClick",
                            [&] { wordlist::removeSelectedPhrase(faulty); });
        QCOMPARE(t.dialogs->errorReports,
                 QStringList{test::reportFor("Injected failure of wordList.remove",
                                             "ListView1_DblClick", 0)});
        QCOMPARE(t.context().wordList().rowCount(), 1);
    }
};

QTEST_MAIN(TestWordListCommands)
#include "tst_word_list_commands.moc"
