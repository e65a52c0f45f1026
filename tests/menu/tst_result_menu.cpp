// The results list's context menu in the real window, opened and used with real key
// and menu events; the words come through the real HTTP client from the program's own
// service on 127.0.0.1, or from a loopback server that fails or answers late.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <thread>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "support/flashcard_reader.h"
#include "support/loopback_server.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

using namespace lexiquill;
using test::TestWindow;

namespace {

const QString kHint = "Move | line to right and out of window to reveal full names.";

// The real window asking the service at base: by default its own, which it starts on a
// free port when nothing answers there.
std::unique_ptr<TestWindow> windowAsking(QString base = {})
{
    if (base.isEmpty()) base = "http://127.0.0.1:" + QString::number(test::freeLoopbackPort());
    auto t = std::make_unique<TestWindow>(
        TestWindow::Networking{std::make_unique<adapters::CurlHttpClient>(),
                               std::make_unique<adapters::InProcessServiceHost>(), base});
    t->window->show();
    return t;
}

widgets::ListControl* results(TestWindow& t)
{
    return t.window->findChild<widgets::ListControl*>("ListView2");
}

void generate(TestWindow& t, const QStringList& phrases, const char* mode = "Option2")
{
    for (const QString& phrase : phrases) t.context().wordList().append(phrase);
    QTest::mouseClick(t.window->findChild<QRadioButton*>(mode), Qt::LeftButton);
    t.click("PushButton2");
    results(t)->rows().publishRows();
}

QStringList words(TestWindow& t, int first, int last)
{
    QStringList out;
    for (int r = first; r <= last; ++r) out.append(t.context().resultTable().subText(r, 2));
    return out;
}

// Opens the menu on a row as a person does: "menu key", "shift+f10" or "right click".
QMenu* openMenu(TestWindow& t, int row, const QString& how = "menu key")
{
    auto* list = results(t);
    list->rows().publishRows();
    const QModelIndex index = list->model()->index(row - 1, 1);
    list->setFocus();
    // The mouse asks for the row under it, the keys for the current one.
    list->setCurrentIndex(how == "right click" ? list->model()->index(0, 1) : index);
    if (how == "right click") {
        const QPoint at = list->visualRect(index).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &click);
    } else {
        QTest::keyClick(list, how == "menu key" ? Qt::Key_Menu : Qt::Key_F10,
                        how == "menu key" ? Qt::NoModifier : Qt::ShiftModifier);
    }
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// The items, a disabled one in brackets, a separator as "-".
QStringList captions(QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions()) {
        out.append(a->isSeparator() ? "-" : a->isEnabled() ? a->text() : "[" + a->text() + "]");
    }
    return out;
}

// Chooses an item with the arrow keys and Return.
void choose(QMenu* menu, const QString& caption)
{
    for (int i = 0; i < 20 && !(menu->activeAction() && menu->activeAction()->text() == caption);
         ++i) {
        QTest::keyClick(menu, Qt::Key_Down);
    }
    QTest::keyClick(menu, Qt::Key_Return);
}

QString toolTipOver(TestWindow& t, int row)
{
    auto* list = results(t);
    const QPoint at = list->visualRect(list->model()->index(row - 1, 1)).center();
    QHelpEvent rest(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &rest);
    return QToolTip::text();
}

}  // namespace

class TestResultMenu : public QObject {
    Q_OBJECT

private slots:
    void aChosenWordReplacesTheResultInTheSavedFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("item");
        QTest::newRow("Menu key, first word") << "menu key" << 0;
        QTest::newRow("Shift+F10, last word") << "shift+f10" << 7;
        QTest::newRow("right click, second word") << "right click" << 1;
    }

    void aChosenWordReplacesTheResultInTheSavedFile()
    {
        QFETCH(QString, how);
        QFETCH(int, item);
        auto t = windowAsking();
        generate(*t, {"book"});
        const QStringList before = words(*t, 1, 4);
        results(*t)->model()->setData(results(*t)->model()->index(2, 0), Qt::Checked,
                                      Qt::CheckStateRole);
        // The second O's other words, as the service itself gives them.
        const QString asked = t->context().mnemonicBaseUrl() + "/mnemonics/words?w=book&at=3&n=9";
        QStringList served;
        for (const QJsonValue w :
             QJsonDocument::fromJson(adapters::CurlHttpClient().get(asked).toUtf8())["words"]
                 .toArray()) {
            if (w.toString() != before[2]) served.append(w.toString());
        }
        QMenu* menu = openMenu(*t, 3, how);
        QVERIFY(menu);
        QCOMPARE(captions(menu),
                 served.mid(0, 8) + QStringList({"-", "Draw Again", "Copy Sentence",
                                                 "Save Ticked Rows as Flashcards…"}));
        choose(menu, served[item]);

        QCOMPARE(words(*t, 1, 4), (QStringList{before[0], before[1], served[item], before[3]}));
        QVERIFY(t->context().resultTable().checked(3));
        const QTemporaryDir dir;
        const QString path = dir.filePath("menu-choice.txt");
        t->dialogs->saveAnswers = {path};
        t->click("PushButton8");
        const QList<QByteArray> lines = test::fileBytes(path).split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[1].split('\t')[0], "book    ");
        QCOMPARE(lines[1].split('\t')[1].trimmed(), served[item].toUtf8());
        QVERIFY(t->dialogs->errorReports.isEmpty());
    }

    void drawAgainKeepsTicksAndRepeatsNoWordThenCopiesTheSentence()
    {
        auto t = windowAsking();
        generate(*t, {"book", "book"});
        const QStringList before = words(*t, 1, 8);
        QCOMPARE(before[1], before[2]);  // the window takes the first O word for both
        results(*t)->model()->setData(results(*t)->model()->index(0, 0), Qt::Checked,
                                      Qt::CheckStateRole);
        QMenu* menu = openMenu(*t, 3);
        choose(menu, "Draw Again");

        const QStringList drawn = words(*t, 1, 4);
        QCOMPARE(drawn[0], before[0]);
        QCOMPARE(words(*t, 5, 8), before.mid(4));  // the equal phrase beside it is another
        QSet<QString> distinct;
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(drawn[i].front(), QString("BOOK")[i]);
            if (i > 0) QVERIFY2(drawn[i] != before[i], qPrintable(drawn[i]));
            distinct.insert(drawn[i].toLower());
        }
        QCOMPARE(distinct.size(), 4);

        QCOMPARE(toolTipOver(*t, 2), drawn.join(' ') + "\n" + kHint);
        menu = openMenu(*t, 6, "right click");
        choose(menu, "Copy Sentence");
        QCOMPARE(t->clipboard->text, before.mid(4).join(' '));
    }

    void aRunDisablesTheItemsAndAnAcronymRowOffersOnlyCopySentence()
    {
        auto t = windowAsking();
        QStringList duringTheRun;
        t->pump->onYield = [&](int yield) {
            if (yield != 2) return;  // the second phrase; the first one's rows are in
            QMenu* menu = openMenu(*t, 1);
            QVERIFY(menu);
            duringTheRun = captions(menu);
            QTest::keyClick(menu, Qt::Key_Escape);
        };
        generate(*t, {"ox", "ox"});
        QCOMPARE(duringTheRun, (QStringList{"[Draw Again]", "[Copy Sentence]",
                                            "[Save Ticked Rows as Flashcards…]"}));
        QVERIFY(!QApplication::activePopupWidget());

        t->pump->onYield = nullptr;
        generate(*t, {"portable network graphics"}, "Option1");  // row 3 was an O word
        QCOMPARE(toolTipOver(*t, 3), kHint);
        QMenu* menu = openMenu(*t, 3);
        QCOMPARE(captions(menu), (QStringList{"Copy Sentence", "Save Ticked Rows as Flashcards…"}));
        choose(menu, "Copy Sentence");
        QCOMPARE(t->clipboard->text, "P.N.G.");
    }

    void aFailingOrLateServiceChangesNoRow_data()
    {
        QTest::addColumn<QString>("answer");  // none: a server error
        QTest::addColumn<bool>("replaceRowsMeanwhile");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("reports");
        const QString failed = "Server replied 500 Internal Server Error";
        const QString notWords = "The mnemonic service gave an answer that is not a list of words";
        QTest::newRow("a server error")
            << "" << false << "Draw Again"
            << QStringList{test::reportFor(failed, "ListView2_ContextMenu", 100),
                           test::reportFor(failed, "mnuDrawAgain_Click", 100)};
        QTest::newRow("an answer that is no list of words")
            << R"({"words":["Ant",3]})" << false << "Draw Again"
            << QStringList{test::reportFor(notWords, "ListView2_ContextMenu", 100),
                           test::reportFor(notWords, "mnuDrawAgain_Click", 100)};
        const QString owl = R"({"letter":"A","part":"noun","words":["Owl","Ox","Oak"]})";
        QTest::newRow("a word chosen after the rows were replaced")
            << owl << true << "Ox" << QStringList{};
        QTest::newRow("a draw answered after the rows were replaced")
            << owl << true << "Draw Again" << QStringList{};
    }

    void aFailingOrLateServiceChangesNoRow()
    {
        QFETCH(QString, answer);
        QFETCH(bool, replaceRowsMeanwhile);
        QFETCH(QString, item);
        QFETCH(QStringList, reports);
        test::LoopbackServer server;
        server.server().Get("/mnemonics/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<big>C</big>ow<br><big>A</big>nt<br><big>T</big>oad<br>", "text/html");
        });
        server.server().Get("/mnemonics/words", [&](const httplib::Request&,
                                                    httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(replaceRowsMeanwhile ? 300 : 0));
            res.status = answer.isEmpty() ? 500 : 200;
            res.set_content(answer.toStdString(), "application/json");
        });
        server.start();
        auto t = windowAsking(server.baseUrl());
        generate(*t, {"cat"});
        auto& list = t->context().resultTable();
        const QStringList original{"cat|Cow", "cat|Ant", "cat|Toad"};
        QCOMPARE(t->rows(list), original);
        QMenu* menu = openMenu(*t, 2);
        QVERIFY(menu);
        const QStringList replaced{"dog|Deer", "dog|Owl", "dog|Goat"};
        const auto replace = [&] {
            list.clear();
            for (const QString& row : replaced) list.setSubText(list.append("dog"), 2, row.mid(4));
        };
        // A word is chosen after the rows went; a draw asks while they go.
        if (replaceRowsMeanwhile && item == "Draw Again") QTimer::singleShot(100, replace);
        if (replaceRowsMeanwhile && item != "Draw Again") replace();
        choose(menu, item);
        QCOMPARE(t->rows(list), replaceRowsMeanwhile ? replaced : original);
        QCOMPARE(t->dialogs->errorReports, reports);
    }

    void flashcardsOfTheTickedRows_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("found");  // "phrase|result" of the one note, or the report
        QTest::newRow(
            "Mnemonic rows: a ticked row chooses its phrase, which has its whole sentence")
            << "Option2"
            << ""
            << "cat\\|C\\S+ A\\S+ T\\S+\\|Lexiquill";
        QTest::newRow("acronym rows, a phrase twice: one note") << "Option1"
                                                                << ""
                                                                << "cat\\|C\\.\\|Lexiquill";
        QTest::newRow("a folder that does not exist: one error report, no file")
            << "Option2"
            << "missing/"
            << "Form1.mnuSaveFlashcards_Click 122";
    }

    // Rows for cat, ox and cat again, the first and the third ticked: C and T of the
    // first cat, or the acronyms of both cats.
    void flashcardsOfTheTickedRows()
    {
        QFETCH(QString, mode);
        QFETCH(QString, folder);
        QFETCH(QString, found);
        auto t = windowAsking();
        generate(*t, {"cat", "ox", "cat"}, qPrintable(mode));
        for (const int row : {0, 2}) {
            QVERIFY(results(*t)->model()->setData(results(*t)->model()->index(row, 0), Qt::Checked,
                                                  Qt::CheckStateRole));
        }
        QMenu* menu = openMenu(*t, 2);
        QTemporaryDir dir;
        t->dialogs->saveAnswers = QStringList{dir.filePath(folder + "cards.txt")};
        choose(menu, "Save Ticked Rows as Flashcards…");
        const auto cards =
            test::readFlashcards(test::fileBytes(dir.filePath(folder + "cards.txt")));
        QStringList seen = test::reportedLocations(t->dialogs->errorReports);
        for (const QStringList& note : cards.ok ? cards.notes : QList<QStringList>{}) {
            seen.append(note.mid(1, 3).join('|'));
        }
        QVERIFY2(
            seen.size() == 1 && QRegularExpression('^' + found + '$').match(seen[0]).hasMatch(),
            qPrintable(seen.join("; ")));
    }
};

QTEST_MAIN(TestResultMenu)
#include "tst_result_menu.moc"
