// Save Ticked Rows as Flashcards… from the results list's context menu of the real
// window, opened and chosen with keys, against the program's own mnemonic service; the
// file read back as the flashcard program's importer reads it.

#include <QApplication>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "export_helpers.h"
#include "support/flashcard_reader.h"
#include "support/loopback_server.h"

using namespace lexiquill;
using test::TestWindow;

class TestFlashcards : public QObject {
    Q_OBJECT

    // Opens the menu on the last row with the Menu key and takes its last item.
    static void saveFromMenu(TestWindow& t, const QString& path)
    {
        widgets::ListControl& list = test::resultsControl(t);
        list.rows().publishRows();
        list.setCurrentIndex(list.model()->index(list.model()->rowCount() - 1, 0));
        QTest::keyClick(&list, Qt::Key_Menu);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        QCOMPARE(menu->actions().constLast()->text(),
                 QStringLiteral("Save Ticked Rows as Flashcards…"));
        t.dialogs->saveAnswers = QStringList{path};
        QTest::keyClick(menu, Qt::Key_Up);
        QTest::keyClick(menu, Qt::Key_Return);
    }

private slots:
    void save_data()
    {
        QTest::addColumn<bool>("mnemonic");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("note");  // phrase|result pattern of the one note
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("Mnemonic rows: one note per phrase, its ticked words as a sentence")
            << true << ""
            << "cat|C\\S+ T\\S+" << QStringList{};
        QTest::newRow("acronym rows: one note per phrase") << false << ""
                                                           << "cat|C\\." << QStringList{};
        QTest::newRow("a folder that does not exist: one error report, no file")
            << true << "missing/"
            << "" << QStringList{"Form1.mnuSaveFlashcards_Click 122"};
    }

    // Rows for cat, ox and cat again; the first and third rows ticked (C and T of the
    // first cat, or the acronyms of both cats). Saved twice with a new run between.
    void save()
    {
        QFETCH(bool, mnemonic);
        QFETCH(QString, folder);
        QFETCH(QString, note);
        QFETCH(QStringList, reports);
        TestWindow t({std::make_unique<adapters::CurlHttpClient>(),
                      std::make_unique<adapters::InProcessServiceHost>(),
                      QStringLiteral("http://127.0.0.1:%1").arg(test::freeLoopbackPort())});
        for (const char* phrase : {"cat", "ox", "cat"}) t.context().wordList().append(phrase);
        if (mnemonic) t.context().selectMnemonicMode();
        QTemporaryDir dir;
        QList<test::FlashcardFile> saved;
        for (const QString name : {"one.txt", "two.txt"}) {
            t.click("PushButton2");
            test::tick(t, 1);
            test::tick(t, 3);
            saveFromMenu(t, dir.filePath(folder + name));
            saved.append(test::readFlashcards(test::fileBytes(dir.filePath(folder + name))));
        }
        QCOMPARE(test::reportedLocations(t.dialogs->errorReports), reports + reports);
        if (!reports.isEmpty()) {
            QVERIFY(!QFile::exists(dir.filePath(folder)));
            return;
        }
        QVERIFY2(saved[0].ok, qPrintable(saved[0].error));
        QCOMPARE(saved[0].headers.value("deck"), QStringLiteral("Lexiquill"));
        QCOMPARE(saved[0].notes.size(), 1);
        const QStringList cat = saved[0].notes[0];
        QVERIFY2(QRegularExpression('^' + note + "$").match(cat.mid(1, 2).join('|')).hasMatch(),
                 qPrintable(cat.join('|')));
        QCOMPARE(saved[1].notes.value(0).mid(0, 2), cat.mid(0, 2));
    }
};

QTEST_MAIN(TestFlashcards)
#include "tst_flashcards.moc"
