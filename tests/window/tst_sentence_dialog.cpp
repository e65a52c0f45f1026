// The word list's sentence dialog in the real window, used with real keys, asking the
// program's own service on 127.0.0.1 through the real HTTP client, or a failing double.

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QProcess>
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

namespace {

QMenu* popup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
// Keys to whatever has the focus in w, as the keyboard sends them.
void press(QWidget* w, std::initializer_list<Qt::Key> keys, Qt::KeyboardModifiers mods = {})
{
    for (Qt::Key k : keys) QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, k, mods);
}
QString html(QWidget* d) { return d->findChild<QLabel*>("lblSentence")->text(); }
// The sentence as it reads, and its words.
QString plain(QWidget* d) { return html(d).remove(QRegularExpression("</?b>")); }
QStringList words(QWidget* d) { return plain(d).remove(QRegularExpression("[.,]")).split(' '); }

// The window asking the program's own service, or else answering pages in turn ("-": an
// error) and then refusing.
std::unique_ptr<test::TestWindow> windowAnswering(const QStringList& pages)
{
    if (!pages.isEmpty()) {
        auto t = std::make_unique<test::TestWindow>();
        for (const QString& p : pages)
            t->http->answers.append({p, p == "-" ? "Server replied 500" : ""});
        return t;
    }
    return std::make_unique<test::TestWindow>(test::TestWindow::Networking{
        std::make_unique<adapters::CurlHttpClient>(),
        std::make_unique<adapters::InProcessServiceHost>(),
        "http://127.0.0.1:" + QString::number(test::freeLoopbackPort())});
}

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
        const QString opening = "Form1.mnuListSentence_Click 100", cmd = "frmSentence.cmd";
        row("planets by the Menu key: cues for the shared M", "Mercury,Venus,Earth,Mars",
            "Me V E Ma");
        row("lakes by Shift+F10, in any order", "Superior,Michigan,Huron,Erie,Ontario",
            "SMHEO>HOMES");
        row("an item without a letter is left out", "Ox,42,Ne,Ar", "ONA");
        row("an empty list: the item is disabled", "", "");
        row("a run going: the item is disabled", "run", "");
        row("no plan: no dialog", "Cat,Ox", "CO", {"-"}, opening);
        row("a sentence a word short", "Cat,Ox", "CO", {QString(cows).remove(" Obey")}, opening);
        row("a plan a word short", "Cat,Ox", "CO",
            {cows.left(cows.indexOf(",{\"word\":\"O")) + "]}"}, opening);
        row("Any order refused", "Cat,Ox", "CO>", {cows}, "frmSentence.chkAnyOrder_Click 100");
        row("other words refused", "Cat,Ox", "CO", {cows}, "frmSentence.lstWords_ContextMenu 100");
        row("Draw Again refused", "Cat,Ox", "CO", {cows, R"({"words":["Ox","Owl","Oak"]})"},
            cmd + "DrawAgain_Click 100");
        row("a clipboard another program holds", "Cat,Ox,Yak", "COY", {}, cmd + "Copy_Click 100");
        row("cards into a missing folder", "Cat,Ox,Yak", "COY", {},
            cmd + "SaveFlashcards_Click 120");
    }

    // Opens the dialog from the word list's menu; then Any order where asked, Return to
    // choose another word for the second item, Space to keep the first, Draw Again to draw
    // the others, Copy, Save as Flashcards…, Save Study Sheet…, and Escape to close.
    void theSentenceStandsForTheItemsInOrder()
    {
        QFETCH(QString, items);
        QFETCH(QString, key);
        QFETCH(QStringList, pages);
        QFETCH(QString, report);
        auto t = windowAnswering(pages);
        const auto failed = [&] { return !t->dialogs->errorReports.isEmpty(); };
        t->context().setGenerating(items == "run");
        t->clipboard->failAttempts = report.contains("Copy") ? 1000 : 0;
        for (const QString& i : items.split(',', Qt::SkipEmptyParts))
            t->context().wordList().append(i);
        t->window->show();
        t->window->findChild<widgets::ListControl*>("ListView1")->rows().publishRows();
        press(t->window.get(), {key.contains('>') ? Qt::Key_F10 : Qt::Key_Menu},
              key.contains('>') ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(popup()->actions()[0]->text(), "Sentence for the List…");
        QCOMPARE(popup()->actions()[0]->isEnabled(), !key.isEmpty());
        press(popup(),
              {Qt::Key_Down, Qt::Key_Return, key.isEmpty() ? Qt::Key_Escape : Qt::Key_Down});
        QWidget* dialog = t->window->findChild<window::SentenceDialog*>();
        QCOMPARE(dialog != nullptr, !key.isEmpty() && !report.startsWith("Form1"));
        const QStringList reports = report.isEmpty() ? QStringList{} : QStringList{report};
        if (!dialog) {
            QCOMPARE(test::reportedLocations(t->dialogs->errorReports), reports);
            return;
        }
        const QLabel* shownKey = dialog->findChild<QLabel*>("lblKey");
        QCOMPARE(shownKey->text(), "Key: " + key.section('>', 0, 0));
        if (key.contains('>')) press(dialog, {Qt::Key_Backtab, Qt::Key_Space, Qt::Key_Tab});
        if (!failed()) key = key.section('>', -1);
        QCOMPARE(shownKey->text(), "Key: " + key.section('>', 0, 0));
        const QStringList starts =
            key.section('>', 0, 0).split(key.contains(' ') ? " " : "", Qt::SkipEmptyParts);
        QStringList shown = words(dialog), rows;
        QCOMPARE(shown.size(), starts.size());
        for (int i = 0; i < starts.size(); ++i) {
            QVERIFY(
                html(dialog).contains("<b>" + starts[i] + "</b>" + shown[i].mid(starts[i].size())));
            QVERIFY(!items.split(',').contains(shown[i], Qt::CaseInsensitive));
            // Each word beside the item it stands for.
            rows.append(items.split(',').filter(QRegularExpression('^' + starts[i]))[0] + "|" +
                        shown[i]);
        }
        QCOMPARE(t->rows(*dialog->findChild<widgets::ListControl*>("lstWords")), rows);
        if (!failed()) press(dialog, {Qt::Key_Down, Qt::Key_Return});
        if (!failed()) {
            QVERIFY(popup()->actions()[1]->text() != shown[1]);
            shown[1] = popup()->actions()[1]->text();
            press(popup(), {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});
            QCOMPARE(words(dialog), shown);
            // Keeps the first; the chosen one is kept already. Then Other Words…, Draw Again.
            press(dialog, {Qt::Key_Up, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Tab});
            for (int i = 0; i < 10 && words(dialog) == shown && !failed(); ++i)
                press(dialog, {Qt::Key_Space});
        }
        const QTemporaryDir dir;
        const QString cards =
            dir.filePath(report.contains("Flash") ? "missing/cards.txt" : "cards.txt");
        if (!failed()) {
            QCOMPARE(words(dialog).mid(0, 2), shown.mid(0, 2));
            QVERIFY(words(dialog) != shown);
            shown = words(dialog);
            t->dialogs->saveAnswers = {cards, dir.filePath("sheet.pdf")};
            // Copy, Save as Flashcards…, Save Study Sheet…
            press(dialog, {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Space, Qt::Key_Tab,
                           Qt::Key_Space});
            QCOMPARE(t->clipboard->text, report.contains("Copy") ? "" : plain(dialog));
        }
        if (!failed()) {
            QVERIFY(test::readFlashcards(test::fileBytes(cards))
                        .notes.value(0)
                        .value(2)
                        .contains(plain(dialog)));
            QProcess sheet;
            sheet.start("pdftotext", {dir.filePath("sheet.pdf"), "-"});
            QVERIFY(sheet.waitForFinished());
            // The sheet's font joins "ffi" into one glyph; a reader's copy takes it apart.
            const QString text = QString(sheet.readAll()).normalized(QString::NormalizationForm_KC);
            QVERIFY(text.simplified().contains(plain(dialog)));
        }
        QVERIFY(!popup());
        QCOMPARE(words(dialog), shown);
        QCOMPARE(test::reportedLocations(t->dialogs->errorReports), reports);
        press(dialog, {Qt::Key_Escape});
        QTRY_VERIFY(!t->window->findChild<window::SentenceDialog*>());
        QCOMPARE(t->rows(t->context().wordList()), items.split(','));
    }
};

QTEST_MAIN(TestSentenceDialog)
#include "tst_sentence_dialog.moc"
