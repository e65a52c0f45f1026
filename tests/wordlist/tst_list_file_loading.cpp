#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "platform/dialogs.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"
#include "wordlist/list_file_loading.h"

using namespace lexiquill;
using test::TestWindow;

namespace {

const QString kNul(QChar(0));

QStringList words(TestWindow& t) { return t.rows(t.context().wordList()); }

QString cannotRead(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot read the list file \"%1\": %2.").arg(path, reason);
}

enum class Bad { Missing, Folder, Fifo, Device, UnreadableRegular, NoPermission, LinkLoop };

}  // namespace

Q_DECLARE_METATYPE(Bad)

class TestListFileLoading : public QObject {
    Q_OBJECT

private slots:
    void linesAreCutAtEveryLineEnd_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("phrases");
        QTest::newRow("CR LF ends, an empty line is a phrase")
            << QByteArray("alpha\r\n\r\nbeta\r\n") << QStringList{"alpha", "", "beta"};
        QTest::newRow("a final lone LF gives a final empty phrase")
            << QByteArray("alpha\n\nbeta\n") << QStringList{"alpha", "", "beta", ""};
        QTest::newRow("lone CR ends, a final CR gives nothing more")
            << QByteArray("alpha\r\rbeta\r") << QStringList{"alpha", "", "beta"};
        QTest::newRow("last line without a line end")
            << QByteArray("alpha\r\nbeta") << QStringList{"alpha", "beta"};
        QTest::newRow("empty file gives nothing") << QByteArray() << QStringList{};
        QTest::newRow("a lone LF alone is two empty phrases")
            << QByteArray("\n") << QStringList{"", ""};
        QTest::newRow("a lone CR alone is one empty phrase") << QByteArray("\r") << QStringList{""};
        QTest::newRow("LF before CR LF") << QByteArray("a\n\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("LF CR is two line ends")
            << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("CR CR LF is two line ends")
            << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("blanks and tabs stay")
            << QByteArray(" a  b \t\r\n\tc ") << QStringList{" a  b \t", "\tc "};
        QTest::newRow("byte-order mark stays in the first phrase")
            << QByteArray(
                   "\xEF\xBB\xBF"
                   "alpha\r\n\xEF\xBB\xBF"
                   "beta")
            << QStringList{QStringLiteral("\uFEFFalpha"), QStringLiteral("\uFEFFbeta")};
        QTest::newRow("UTF-8 text") << QByteArray(
                                           "Gr\xC3\xBC\xC3\x9F"
                                           "e\r\n")
                                    << QStringList{"Grüße"};
        QTest::newRow("invalid bytes become U+FFFD, nothing is cut off")
            << QByteArray("caf\xE9 au lait\r\n\xFF") << QStringList{"caf\uFFFD au lait", "\uFFFD"};
        QTest::newRow("a sequence cut short by a line end")
            << QByteArray("\xC3\r\n\xA9x") << QStringList{"\uFFFD", "\uFFFDx"};
        QTest::newRow("NUL bytes stay")
            << QByteArray("a\0b\r\n\0", 6)
            << QStringList{QString::fromLatin1("a\0b", 3), QString(QChar(0))};
    }

    void linesAreCutAtEveryLineEnd()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, phrases);
        QTemporaryDir dir;
        const QString path = test::writeFile(dir.filePath("list.txt"), bytes);
        // Whole, and one byte a read: a line end split between two reads is still one.
        for (const qsizetype piece : {qsizetype(0), qsizetype(1)}) {
            TestWindow t;
            t.fileReader->pieceSize = piece;
            t.context().wordList().append("kept");
            t.dialogs->openAnswers = QStringList{path};
            t.click("PushButton3");
            QCOMPARE(words(t), QStringList{"kept"} + phrases);
            QCOMPARE(t.dialogs->messages, QStringList{});
            QCOMPARE(t.dialogs->errorReports, QStringList{});
            QCOMPARE(t.fileReader->closed, 1);
        }
    }

    void dialogIsAskedForSeveralListFiles()
    {
        TestWindow t;
        t.dialogs->openAnswers = QStringList{""};
        test::FaultyContext faulty(t.context());
        wordlist::loadWordListFiles(faulty);
        QCOMPARE(t.dialogs->openDialogs.size(), 1);
        const platform::OpenDialogOptions& asked = t.dialogs->openDialogs.first();
        QCOMPARE(asked.fileName, QString());
        QCOMPARE(asked.flags, 2621953);
        QCOMPARE(asked.title,
                 QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
        QCOMPARE(asked.filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
        // Cancelled: nothing at all happens, the pointer is not even touched.
        QCOMPARE(faulty.faults.calls("setPointer"), 0);
        QCOMPARE(t.context().wordList().rowCount(), 0);
        QVERIFY(t.dialogs->messages.isEmpty() && t.dialogs->errorReports.isEmpty());
    }

    void severalFilesLoadInDialogOrderPastAMissingOne()
    {
        QTemporaryDir dir;
        test::writeFile(dir.filePath("a.txt"), "a1\r\na2\r\n");
        test::writeFile(dir.filePath("c.txt"), "c1\n");
        TestWindow t;
        t.context().wordList().append("kept");
        t.dialogs->openAnswers =
            QStringList{dir.path() + kNul + "c.txt" + kNul + "b.txt" + kNul + "a.txt"};
        t.click("PushButton3");
        QCOMPARE(words(t), (QStringList{"kept", "c1", "", "a1", "a2"}));
        QCOMPARE(t.dialogs->messages, QStringList{"File not found"});
        QCOMPARE(t.dialogs->errorReports, QStringList{});
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
    }

    void joinedPathsAreTidied_data()
    {
        QTest::addColumn<QString>("folderEnd");
        QTest::addColumn<QString>("opened");
        QTest::newRow("folder without a final separator") << ""
                                                          << "/a.txt";
        QTest::newRow("folder with a final separator is found") << "/"
                                                                << "/a.txt";
        QTest::newRow("folder with two final separators") << "//"
                                                          << "/a.txt";
    }

    void joinedPathsAreTidied()
    {
        QFETCH(QString, folderEnd);
        QFETCH(QString, opened);
        QTemporaryDir dir;
        test::writeFile(dir.filePath("a.txt"), "x");
        TestWindow t;
        t.dialogs->openAnswers =
            QStringList{dir.path() + folderEnd + kNul + "a.txt" + kNul + "a.txt"};
        t.click("PushButton3");
        // The path as the user would write it, with no separator doubled.
        const QString expected = dir.path() + opened;
        QCOMPARE(t.fileReader->opened, (QStringList{expected, expected}));
        QCOMPARE(words(t), (QStringList{"x", "x"}));
        QVERIFY(t.dialogs->messages.isEmpty());
    }

    void aSingleChosenPathIsTakenUnchanged()
    {
        QTemporaryDir dir;
        test::writeFile(dir.filePath("a.txt"), "x");
        TestWindow t;
        const QString path = dir.path() + "//a.txt";
        t.dialogs->openAnswers = QStringList{path};
        t.click("PushButton3");
        QCOMPARE(t.fileReader->opened, QStringList{path});
        QCOMPARE(words(t), QStringList{"x"});
    }

    void pointerIsBusyWhileReadingAndNothingYields()
    {
        QTemporaryDir dir;
        const QString a = test::writeFile(dir.filePath("a.txt"), "one\r\ntwo\r\n");
        TestWindow t;
        QList<command::Pointer> seen;
        t.fileReader->onRead = [&] { seen.append(t.context().pointer()); };
        t.dialogs->openAnswers = QStringList{a, dir.path() + kNul + "a.txt" + kNul + "a.txt"};
        t.click("PushButton3");
        t.click("PushButton3");
        QCOMPARE(seen, QList<command::Pointer>(6, command::Pointer::Busy));
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QCOMPARE(t.pump->yields, 0);
        QCOMPARE(words(t), (QStringList{"one", "two", "one", "two", "one", "two"}));
    }

    void badInputIsReportedAndTheListKept_data()
    {
        QTest::addColumn<Bad>("bad");
        QTest::newRow("missing file") << Bad::Missing;
        QTest::newRow("folder") << Bad::Folder;
        QTest::newRow("named pipe without a writer") << Bad::Fifo;
        QTest::newRow("endless device") << Bad::Device;
        QTest::newRow("regular file that cannot be read") << Bad::UnreadableRegular;
        QTest::newRow("no read permission") << Bad::NoPermission;
        QTest::newRow("symbolic link leading round to itself") << Bad::LinkLoop;
    }

    void badInputIsReportedAndTheListKept()
    {
        QFETCH(Bad, bad);
        QTemporaryDir dir;
        const QString good = test::writeFile(dir.filePath("good.txt"), "good\r\n");
        QString path = dir.filePath("bad");
        QString reason;
        switch (bad) {
            case Bad::Missing:
                break;
            case Bad::Folder:
                QVERIFY(QDir(dir.path()).mkdir("bad"));
                reason = "Is a directory";
                break;
            case Bad::Fifo:
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
                reason = "it is a named pipe (FIFO), not a regular file";
                break;
            case Bad::Device:
                path = "/dev/zero";
                reason = "it is a device, not a regular file";
                break;
            case Bad::UnreadableRegular:
                // A regular file whose very first read fails.
                path = "/proc/self/mem";
                reason = "Input/output error";
                break;
            case Bad::NoPermission:
                if (::geteuid() == 0) QSKIP("root reads every file");
                test::writeFile(dir.filePath("bad"), "secret\r\n");
                QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
                reason = "Permission denied";
                break;
            case Bad::LinkLoop:
                QCOMPARE(::symlink("bad", QFile::encodeName(path).constData()), 0);
                reason = "Too many levels of symbolic links";
                break;
        }
        TestWindow t;
        t.context().wordList().append("kept");
        // Alone, then as the first of two files, joined to its folder.
        t.dialogs->openAnswers = QStringList{path, "/" + kNul + path.mid(1) + kNul + good.mid(1)};
        const uint descriptors = QDir("/proc/self/fd").count();
        QElapsedTimer timer;
        timer.start();
        t.click("PushButton3");
        t.click("PushButton3");
        QVERIFY(timer.elapsed() < 10000);
        if (bad == Bad::Missing) {
            QCOMPARE(t.dialogs->messages, (QStringList{"File not found", "File not found"}));
            QCOMPARE(t.dialogs->errorReports, QStringList{});
        } else {
            QCOMPARE(t.dialogs->messages, QStringList{});
            QCOMPARE(
                t.dialogs->errorReports,
                (QStringList{test::reportFor(cannotRead(path, reason), "PushButton3_Click", 120),
                             test::reportFor(cannotRead(path, reason), "PushButton3_Click", 134)}));
        }
        QCOMPARE(words(t), (QStringList{"kept", "good"}));
        QCOMPARE(QDir("/proc/self/fd").count(), descriptors);  // every file closed again
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
    }

    void aFileFailingPartWayKeepsItsFirstPhrases()
    {
        QTemporaryDir dir;
        test::writeFile(dir.filePath("a.txt"), "one\r\ntwo\r\nthree\r\n");
        test::writeFile(dir.filePath("b.txt"), "bee");
        TestWindow t;
        t.fileReader->pieceSize = 6;  // "one\r\nt", then the failing read
        t.fileReader->failReadAt = 2;
        t.dialogs->openAnswers = QStringList{dir.path() + kNul + "a.txt" + kNul + "b.txt"};
        t.click("PushButton3");
        QCOMPARE(words(t), (QStringList{"one", "bee"}));
        QCOMPARE(t.dialogs->errorReports,
                 QStringList{test::reportFor("Input/output error", "PushButton3_Click", 134)});
        QCOMPARE(t.fileReader->closed, 2);
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
    }

    void aFailingDialogIsReportedAndLoadsNothing()
    {
        TestWindow t;
        t.dialogs->faults.failAt("dialogs.openFileName", 1);
        t.click("PushButton3");
        QCOMPARE(t.dialogs->errorReports,
                 QStringList{test::reportFor("Injected failure of dialogs.openFileName",
                                             "PushButton3_Click", 108)});
        QVERIFY(t.fileReader->opened.isEmpty());
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
    }

    void hugeFilesLoadWhole_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("lineLength");
        QTest::newRow("one 100 MB line") << 1 << 100 * 1024 * 1024;
        QTest::newRow("a million lines") << 1000000 << 3;
    }

    void hugeFilesLoadWhole()
    {
        QFETCH(int, lines);
        QFETCH(int, lineLength);
        QTemporaryDir dir;
        QByteArray line(lineLength, 'w');
        line.append('\n');
        {
            QFile file(dir.filePath("big.txt"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (int i = 0; i < lines; ++i) QCOMPARE(file.write(line), line.size());
        }
        line.clear();
        TestWindow t;
        t.context().wordList().append("kept");
        t.dialogs->openAnswers = QStringList{dir.filePath("big.txt")};
        t.click("PushButton3");
        platform::ListView& list = t.context().wordList();
        QCOMPARE(list.rowCount(), 1 + lines + 1);  // the final LF gives one empty phrase
        QCOMPARE(list.text(1), QStringLiteral("kept"));
        QCOMPARE(list.text(2).size(), lineLength);
        QCOMPARE(list.text(lines + 1), QString(lineLength, u'w'));
        QCOMPARE(list.text(lines + 2), QString());
        QVERIFY(t.dialogs->messages.isEmpty() && t.dialogs->errorReports.isEmpty());
        // The list shows the start of a huge phrase: drawing all of it would take
        // seconds on every repaint.
        auto* view = t.window->findChild<widgets::ListControl*>("ListView1");
        view->rows().publishRows();
        const QString shown = view->model()->index(1, 0).data().toString();
        QCOMPARE(shown, list.text(2).left(4096));
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
    }

    void droppedFilesLoadInTheOrderDropped()
    {
        QTemporaryDir dir;
        const QString a = test::writeFile(dir.filePath("a.txt"), "a1\r\n");
        const QString b = test::writeFile(dir.filePath("b.list"), "b1\rb2");
        TestWindow t;
        t.window->show();
        t.context().wordList().append("kept");
        auto* viewport = t.window->findChild<widgets::ListControl*>("ListView1")->viewport();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(b), QUrl("https://example.org/list.txt"),
                      QUrl::fromLocalFile(dir.filePath("gone.txt")),
                      QUrl::fromLocalFile("/dev/null"), QUrl::fromLocalFile(a)});
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        QVERIFY(drop.isAccepted());
        // A copy, never a move: the files stay where they were.
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        QTRY_COMPARE(words(t), (QStringList{"kept", "b1", "b2", "a1"}));
        QCOMPARE(t.dialogs->messages, QStringList{"File not found"});
        QCOMPARE(t.dialogs->errorReports,
                 QStringList{
                     test::reportFor(cannotRead("/dev/null", "it is a device, not a regular file"),
                                     "ListView1_OLEDragDrop", 134)});
        QCOMPARE(t.fileReader->opened, (QStringList{b, "/dev/null", a}));
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QVERIFY(QFile::exists(a) && QFile::exists(b));
    }

    void droppingAnythingElseChangesNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        QTest::newRow("text") << "alpha\nbeta"
                              << "";
        QTest::newRow("a remote address") << ""
                                          << "https://example.org/list.txt";
    }

    void droppingAnythingElseChangesNothing()
    {
        QFETCH(QString, text);
        QFETCH(QString, url);
        TestWindow t;
        t.window->show();
        t.context().wordList().append("kept");
        auto* viewport = t.window->findChild<widgets::ListControl*>("ListView1")->viewport();
        QMimeData data;
        if (!text.isEmpty()) data.setText(text);
        if (!url.isEmpty()) data.setUrls({QUrl(url)});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        QVERIFY(!drop.isAccepted());
        QTest::qWait(20);
        QCOMPARE(words(t), QStringList{"kept"});
        QVERIFY(t.fileReader->opened.isEmpty() && t.dialogs->messages.isEmpty());
    }
};

QTEST_MAIN(TestListFileLoading)
#include "tst_list_file_loading.moc"
