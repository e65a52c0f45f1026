// The word list's sentence dialog in the real window, opened and used with real keys; the
// plan comes through the real HTTP client from the program's own service on 127.0.0.1, or
// from a loopback server that fails where told.

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "support/loopback_server.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"
#include "window/sentence_dialog.h"

using namespace lexiquill;

namespace {

std::unique_ptr<test::TestWindow> windowWith(const QStringList& items, QString base = {})
{
    if (base.isEmpty()) base = "http://127.0.0.1:" + QString::number(test::freeLoopbackPort());
    auto t = std::make_unique<test::TestWindow>(
        test::TestWindow::Networking{std::make_unique<adapters::CurlHttpClient>(),
                                     std::make_unique<adapters::InProcessServiceHost>(), base});
    for (const QString& item : items) t->context().wordList().append(item);
    t->window->show();
    return t;
}

// Sends a key to whatever has the focus in window, as the keyboard does.
void press(QWidget* window, Qt::Key key) { QTest::keyClick(window->focusWidget(), key); }

// Opens the word list's menu with the Menu key, Shift+F10 or the right button and
// chooses its item; the dialog that opened, if any.
window::SentenceDialog* openDialog(test::TestWindow& t, const QString& how, QString* item = nullptr)
{
    auto* list = t.window->findChild<widgets::ListControl*>("ListView1");
    list->rows().publishRows();
    list->setFocus();
    if (how == "right click") {
        const QPoint at(5, 5);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &click);
    } else {
        QTest::keyClick(list, how == "menu key" ? Qt::Key_Menu : Qt::Key_F10,
                        how == "menu key" ? Qt::NoModifier : Qt::ShiftModifier);
    }
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (item) *item = menu->actions()[0]->isEnabled() ? menu->actions()[0]->text() : "[disabled]";
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    auto* dialog = t.window->findChild<window::SentenceDialog*>();
    return dialog;
}

QString sentenceHtml(window::SentenceDialog* dialog)
{
    return dialog->findChild<QLabel*>("lblSentence")->text();
}

// The sentence as it reads, without the bold marks.
QString plain(const QString& html) { return QString(html).remove(QRegularExpression("</?b>")); }

QStringList words(window::SentenceDialog* dialog)
{
    return plain(sentenceHtml(dialog)).remove(QRegularExpression("[.,]")).split(' ');
}

}  // namespace

class TestSentenceDialog : public QObject {
    Q_OBJECT

private slots:
    void theSentenceStandsForTheItemsInOrder_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("key");  // empty: no dialog opens
        QTest::addColumn<bool>("running");
        QTest::newRow("planets by the Menu key: cues for the shared M")
            << "menu key" << QStringList{"Mercury", "Venus", "Earth", "Mars"} << "Me V E Ma"
            << false;
        QTest::newRow("lakes by Shift+F10: initials run together; no item as a word")
            << "shift+f10" << QStringList{"Huron", "Ontario", "Michigan", "Erie", "Superior"}
            << "HOMES" << false;
        QTest::newRow("right click; an item without a letter is left out")
            << "right click" << QStringList{"Oxygen", "42", "Neon"} << "ON" << false;
        QTest::newRow("an empty list: the item is disabled")
            << "menu key" << QStringList{} << "" << false;
        QTest::newRow("a run going: the item is disabled")
            << "menu key" << QStringList{"Mars"} << "" << true;
    }

    void theSentenceStandsForTheItemsInOrder()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, items);
        QFETCH(QString, key);
        QFETCH(bool, running);
        auto t = windowWith(items);
        t->context().setGenerating(running);
        QString item;
        window::SentenceDialog* dialog = openDialog(*t, how, &item);
        QCOMPARE(item, key.isEmpty() ? "[disabled]" : "Sentence for the List…");
        QCOMPARE(dialog != nullptr, !key.isEmpty());
        if (!dialog) return;
        QCOMPARE(dialog->findChild<QLabel*>("lblKey")->text(), "Key: " + key);
        const QStringList starts =
            key.contains(' ') ? key.split(' ') : key.split("", Qt::SkipEmptyParts);
        const QStringList shown = words(dialog);
        QCOMPARE(shown.size(), starts.size());
        for (int i = 0; i < starts.size(); ++i) {
            QVERIFY2(sentenceHtml(dialog).contains("<b>" + starts[i] + "</b>" +
                                                   shown[i].mid(starts[i].size())),
                     qPrintable(sentenceHtml(dialog)));
            QVERIFY(!items.contains(shown[i], Qt::CaseInsensitive));
        }
        // Each word beside the item it stands for.
        QStringList rows = items.filter(QRegularExpression("[A-Za-z]"));
        for (int i = 0; i < rows.size(); ++i) rows[i] += "|" + shown[i];
        QCOMPARE(t->rows(*dialog->findChild<widgets::ListControl*>("lstWords")), rows);
        press(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!t->window->findChild<window::SentenceDialog*>());
        QCOMPARE(t->rows(t->context().wordList()), items);
    }

    // Return offers other words for the second; Space keeps the first; Draw Again
    // replaces only the others; Copy puts the sentence on the clipboard as one line.
    void theKeyboardChoosesKeepsDrawsAndCopies()
    {
        auto t = windowWith({"Mercury", "Venus", "Earth", "Mars", "Jupiter", "Saturn"});
        window::SentenceDialog* dialog = openDialog(*t, "menu key");
        const QStringList first = words(dialog);
        press(dialog, Qt::Key_Down);
        press(dialog, Qt::Key_Return);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        const QString chosen = menu->actions()[1]->text();
        QVERIFY(chosen.startsWith('V') && chosen != first[1]);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QCOMPARE(words(dialog), QStringList({first[0], chosen}) + first.mid(2));
        press(dialog, Qt::Key_Up);
        press(dialog, Qt::Key_Space);  // keeps the first; the chosen word is kept already
        press(dialog, Qt::Key_Tab);
        press(dialog, Qt::Key_Tab);  // Other Words…, Draw Again
        const QString before = plain(sentenceHtml(dialog));
        for (int i = 0; i < 10 && plain(sentenceHtml(dialog)) == before; ++i)
            press(dialog, Qt::Key_Space);
        const QStringList drawn = words(dialog);
        QCOMPARE(drawn.mid(0, 2), (QStringList{first[0], chosen}));
        QVERIFY(drawn.mid(2) != first.mid(2));
        press(dialog, Qt::Key_Tab);  // Copy
        press(dialog, Qt::Key_Space);
        QCOMPARE(t->clipboard->text, plain(sentenceHtml(dialog)));
        QVERIFY(t->dialogs->errorReports.isEmpty());
    }

    void aFailureGivesOneReportAndChangesNothing_data()
    {
        QTest::addColumn<QStringList>("plans");  // the plan answers in turn; "" is a 500
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("report");
        const QString plan = R"({"sentence":"Cows Obey.","words":[{"word":"Cows","part":"noun",)"
                             R"("start":"C"},{"word":"Obey","part":"verb","start":"O"}]})";
        QTest::newRow("no plan: no dialog") << QStringList{""} << ""
                                            << "Form1.mnuListSentence_Click 100";
        QTest::newRow("a plan a word short: no dialog")
            << QStringList{QString(plan).remove(R"(,{"word":"Obey","part":"verb","start":"O"})")}
            << ""
            << "Form1.mnuListSentence_Click 100";
        QTest::newRow("a sentence a word short: no dialog")
            << QStringList{QString(plan).replace("Cows Obey", "Obey")} << ""
            << "Form1.mnuListSentence_Click 100";
        QTest::newRow("Draw Again answered by an error: the words stay")
            << QStringList{plan, ""} << "draw"
            << "frmSentence.cmdDrawAgain_Click 100";
        QTest::newRow("other words answered by an error: no menu")
            << QStringList{plan} << "words"
            << "frmSentence.lstWords_ContextMenu 100";
        QTest::newRow("a clipboard another program holds") << QStringList{plan} << "copy"
                                                           << "frmSentence.cmdCopy_Click 100";
    }

    void aFailureGivesOneReportAndChangesNothing()
    {
        QFETCH(QStringList, plans);
        QFETCH(QString, then);
        QFETCH(QString, report);
        test::LoopbackServer server;
        server.server().Get(
            "/mnemonics/sentence", [&](const httplib::Request&, httplib::Response& res) {
                const QString answer = plans.isEmpty() ? QString() : plans.takeFirst();
                res.status = answer.isEmpty() ? 500 : 200;
                res.set_content(answer.toStdString(), "application/json");
            });
        server.server().Get("/mnemonics/words", [](const httplib::Request&,
                                                   httplib::Response& res) { res.status = 500; });
        server.start();
        auto t = windowWith({"cat", "ox"}, server.baseUrl());
        t->clipboard->failAttempts = 1000;
        window::SentenceDialog* dialog = openDialog(*t, "menu key");
        QCOMPARE(dialog != nullptr, !then.isEmpty());
        if (then == "draw") {
            press(dialog, Qt::Key_Tab);
            press(dialog, Qt::Key_Tab);
        }
        if (then == "copy")
            for (int i = 0; i < 3; ++i) press(dialog, Qt::Key_Tab);
        if (dialog) press(dialog, then == "words" ? Qt::Key_Return : Qt::Key_Space);
        QVERIFY(!QApplication::activePopupWidget());
        if (dialog) QCOMPARE(words(dialog), (QStringList{"Cows", "Obey"}));
        QCOMPARE(test::reportedLocations(t->dialogs->errorReports), QStringList{report});
        QCOMPARE(t->rows(t->context().wordList()), (QStringList{"cat", "ox"}));
    }
};

QTEST_MAIN(TestSentenceDialog)
#include "tst_sentence_dialog.moc"
