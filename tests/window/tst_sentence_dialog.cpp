// The word list's sentence dialog in the real window, used with real keys, asking the
// program's own service on 127.0.0.1 through the real HTTP client, or a failing double.

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "support/flashcard_reader.h"
#include "support/loopback_server.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"
#include "window/sentence_dialog.h"

using namespace lexiquill;
using enum Qt::Key;

namespace {

QMenu* popup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
void press(QWidget* w, std::initializer_list<Qt::Key> keys)  // to what has the focus
{
    for (Qt::Key k : keys) QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, k);
}
QString html(QWidget* d) { return d->findChild<QLabel*>("lblSentence")->text(); }
QString plain(QWidget* d) { return html(d).remove(QRegularExpression("</?b>")); }
QStringList words(QWidget* d) { return plain(d).remove(QRegularExpression("[.,]")).split(' '); }

}  // namespace

class TestSentenceDialog : public QObject {
    Q_OBJECT

private slots:
    void theSentenceStandsForTheItemsInOrder_data()
    {
        QTest::addColumn<QString>("items");      // split at commas; "run": a run is going
        QTest::addColumn<QString>("key");        // none: disabled; "A>B": B with Any order
        QTest::addColumn<QStringList>("pages");  // the service's answers; none: the real service
        QTest::addColumn<QString>("report");     // the one failure, after which nothing changes
        const auto row = [](const char* name, QString items, QString key, QStringList pages = {},
                            QString report = {}) {
            QTest::newRow(name) << items << key << pages << report;
        };
        const QString cows = R"({"sentence":"Cows Obey.","words":[{"word":"Cows","part":"noun",)"
                             R"("start":"C"},{"word":"Obey","part":"verb","start":"O"}]})";
        const QString oneWord = cows.left(cows.indexOf(",{\"word\":\"O")) + "]}";
        const QString others = R"({"words":["Ox","Owl","Oak"]})";
        const QString opening = "Form1.mnuListSentence_Click 100", cmd = "frmSentence.cmd";
        row("planets: cues for a shared M", "Mercury,Venus,Earth,Mars", "Me V E Ma");
        row("lakes, any order", "Superior,Michigan,Huron,Erie,Ontario", "SMHEO>HOMES");
        row("an item without a letter is left out", "Ox,42,Ne,Ar", "ONA");
        row("an empty list: the item is disabled", "", "");
        row("a run going: the item is disabled", "run", "");
        row("no plan: no dialog", "Cat,Ox", "CO", {"Not Found"}, opening);
        row("a sentence a word short", "Cat,Ox", "CO", {QString(cows).remove(" Obey")}, opening);
        row("a plan a word short", "Cat,Ox", "CO", {oneWord}, opening);
        row("a sentence of other words", "Cat,Ox", "CO",
            {QString(cows).replace("Obey\"", "Owls\"")}, opening);
        row("Any order refused", "Cat,Ox", "CO>", {cows}, "frmSentence.chkAnyOrder_Click 100");
        row("other words refused", "Cat,Ox", "CO", {cows}, "frmSentence.lstWords_ContextMenu 100");
        row("Draw Again refused", "Cat,Ox", "CO", {cows, others}, cmd + "DrawAgain_Click 100");
        row("a clipboard another program holds", "Cat,Ox,Yak", "COY", {}, cmd + "Copy_Click 100");
        row("cards to no folder", "Cat,Ox,Yak", "COY", {}, cmd + "SaveFlashcards_Click 120");
    }

    // The dialog from the word list's menu, then Any order, another word for the second
    // item, the first kept, Draw Again, Copy, the card, the sheet, and Escape to close.
    void theSentenceStandsForTheItemsInOrder()
    {
        QFETCH(QString, items);
        QFETCH(QString, key);
        QFETCH(QStringList, pages);
        QFETCH(QString, report);
        // The program's own service, or else one answering pages in turn, then refusing.
        auto t = pages.isEmpty()
                     ? std::make_unique<test::TestWindow>(test::TestWindow::Networking{
                           std::make_unique<adapters::CurlHttpClient>(),
                           std::make_unique<adapters::InProcessServiceHost>(),
                           "http://127.0.0.1:" + QString::number(test::freeLoopbackPort())})
                     : std::make_unique<test::TestWindow>();
        for (const QString& page : pages) t->http->answers.append({page, {}});
        const auto failed = [&] { return !t->dialogs->errorReports.isEmpty(); };
        const QStringList list = items.split(',', Qt::SkipEmptyParts);
        t->context().setGenerating(items == "run");
        t->clipboard->failAttempts = report.contains("Copy") ? 1000 : 0;
        for (const QString& item : list) t->context().wordList().append(item);
        t->window->show();
        t->window->findChild<widgets::ListControl*>("ListView1")->rows().publishRows();
        const bool anyOrder = key.contains('>');
        QTest::keySequence(t->window->focusWidget(), QKeySequence(anyOrder ? "Shift+F10" : "Menu"));
        QCOMPARE(popup()->actions()[0]->text(), "Sentence for the List…");
        QCOMPARE(popup()->actions()[0]->isEnabled(), !key.isEmpty());
        press(popup(), {Key_Down, Key_Return, key.isEmpty() ? Key_Escape : Key_Down});
        QWidget* d = t->window->findChild<window::SentenceDialog*>();
        QCOMPARE(d != nullptr, !key.isEmpty() && !report.startsWith("Form1"));
        const QStringList reports = report.isEmpty() ? QStringList{} : QStringList{report};
        if (!d) {
            QCOMPARE(test::reportedLocations(t->dialogs->errorReports), reports);
            return;
        }
        if (anyOrder) press(d, {Key_Backtab, Key_Space, Key_Tab});
        key = failed() ? key.section('>', 0, 0) : key.section('>', -1);
        QCOMPARE(d->findChild<QLabel*>("lblKey")->text(), "Key: " + key);
        const QStringList starts = key.split(key.contains(' ') ? " " : "", Qt::SkipEmptyParts);
        QStringList shown = words(d), rows;
        QCOMPARE(shown.size(), starts.size());
        for (int i = 0; i < starts.size(); ++i) {
            QVERIFY(html(d).contains("<b>" + starts[i] + "</b>" + shown[i].mid(starts[i].size())));
            QVERIFY(!list.contains(shown[i], Qt::CaseInsensitive));
            rows.append(list.filter(QRegularExpression('^' + starts[i]))[0] + '|' + shown[i]);
        }
        // Each word beside the item it stands for.
        QCOMPARE(t->rows(*d->findChild<widgets::ListControl*>("lstWords")), rows);
        if (!failed()) press(d, {Key_Down, Key_Return});
        if (!failed()) {
            QVERIFY(popup()->actions()[1]->text() != shown[1]);
            shown[1] = popup()->actions()[1]->text();
            press(popup(), {Key_Down, Key_Down, Key_Return});
            QCOMPARE(words(d), shown);
            // Keeps the first; the chosen one is kept already. Then Other Words…, Draw Again.
            press(d, {Key_Up, Key_Space, Key_Tab, Key_Tab});
            for (int i = 0; i < 9 && words(d) == shown && !failed(); ++i) press(d, {Key_Space});
        }
        const QTemporaryDir dir;
        const QString cards = dir.filePath(report.contains("Flash") ? "no/cards.txt" : "cards.txt");
        if (!failed()) {
            QCOMPARE(words(d).mid(0, 2), shown.mid(0, 2));
            QVERIFY(words(d) != shown);
            shown = words(d);
            t->dialogs->saveAnswers = {cards, dir.filePath("sheet.pdf")};
            // Copy, Save as Flashcards…, Save Study Sheet…
            for (int i = 0; i < 3; ++i) press(d, {Key_Tab, Key_Space});
            QCOMPARE(t->clipboard->text, report.contains("Copy") ? "" : plain(d));
        }
        if (!failed()) {
            const auto card = test::readFlashcards(test::fileBytes(cards)).notes.value(0);
            QVERIFY(card.value(2).contains(plain(d)));  // the back
            QVERIFY(test::fileBytes(dir.filePath("sheet.pdf")).startsWith("%PDF-"));
            QVERIFY(t->dialogs->saveDialogs.value(1).filter.startsWith("PDF Files (*.pdf)|*.pdf|"));
        }
        QVERIFY(!popup());
        QCOMPARE(words(d), shown);
        QCOMPARE(test::reportedLocations(t->dialogs->errorReports), reports);
        press(d, {Key_Escape});
        QTRY_VERIFY(!t->window->findChild<window::SentenceDialog*>());
        QCOMPARE(t->rows(t->context().wordList()), list);
    }
};

QTEST_MAIN(TestSentenceDialog)
#include "tst_sentence_dialog.moc"
