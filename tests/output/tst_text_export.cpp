#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "export_helpers.h"
#include "output/text_export.h"
#include "widgets/caption_progress_bar.h"

using namespace lexiquill;
using test::addResults;
using test::fileBytes;
using test::reportedLocations;
using test::TestWindow;

namespace {

widgets::CaptionProgressBar& progressBar(TestWindow& t)
{
    return *t.window->findChild<widgets::CaptionProgressBar*>(QStringLiteral("ProgressBar1"));
}

void save(TestWindow& t, const QString& path)
{
    t.dialogs->saveAnswers = QStringList{path};
    t.click("PushButton8");
}

// The progress bar, the pointer and the absence of any message after an export.
void checkAtRest(TestWindow& t)
{
    QCOMPARE(progressBar(t).position(), 0);
    QCOMPARE(progressBar(t).caption(), QStringLiteral("Progress Bar"));
    QCOMPARE(t.context().pointer(), command::Pointer::Default);
    QVERIFY(t.dialogs->messages.isEmpty());
}

// Every value and caption the export shows, in order.
class RecordingIndicator final : public output::ProgressIndicator {
public:
    void setValue(int value) override { shown.append(QString::number(value)); }
    void setCaption(const QString& caption) override { shown.append(caption); }
    QStringList shown;
};

QStringList rowsOf(int count, const QString& phrase = QStringLiteral("phrase"))
{
    QStringList rows;
    for (int i = 1; i <= count; ++i)
        rows.append(phrase + QString::number(i) + QStringLiteral("|R."));
    return rows;
}

const char* kMain = "Main.SaveListviewProperlySpaced";

// Keeps files to at most limit bytes while it lives, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};

}  // namespace

class TestTextExport : public QObject {
    Q_OBJECT

private slots:
    void exactBytes_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<bool>>("ticked");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two ticked rows of 10 and 4 characters")
            << QStringList{"abcdefghij|A.B.", "klmnopqrst|K.L."} << QList<bool>{true, true}
            << QByteArray(
                   " Word(s)  \tResult\t\r\nabcdefghij\tA.B.  \t\r\nklmnopqrst\tK.L.  \t\r\n");
        QTest::newRow("empty list: the header line alone")
            << QStringList{} << QList<bool>{} << QByteArray(" Word(s)\tResult\t\r\n");
        QTest::newRow("no ticked row: header padded to every row")
            << QStringList{"a longer phrase|X.", "b|a long result"} << QList<bool>{false, false}
            << QByteArray(" Word(s)       \tResult       \t\r\n");
        QTest::newRow("headers wider than every cell")
            << QStringList{"ab|A.", "cd|C."} << QList<bool>{false, true}
            << QByteArray(" Word(s)\tResult\t\r\ncd      \tC.    \t\r\n");
        QTest::newRow("non-ASCII text in UTF-8, widths in UTF-16 units")
            << QStringList{QString::fromUtf8("Zürich straße 😀|Z.S.😀")} << QList<bool>{true}
            << QByteArray(
                   " Word(s)        \tResult\t\r\nZ\xC3\xBCrich stra\xC3\x9F"
                   "e "
                   "\xF0\x9F\x98\x80\tZ.S.\xF0\x9F\x98\x80\t\r\n");
        QTest::newRow("half a surrogate pair, which is no character, becomes ?")
            << QStringList{QString(QChar(0xD83D)) + "x|y"} << QList<bool>{true}
            << QByteArray(" Word(s)\tResult\t\r\n?x      \ty     \t\r\n");
    }

    void exactBytes()
    {
        QFETCH(QStringList, rows);
        QFETCH(QList<bool>, ticked);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        TestWindow t;
        addResults(t, rows, ticked);
        const QString path = dir.filePath("results.txt");
        save(t, path);
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(t.dialogs->errorReports, QStringList{});
        checkAtRest(t);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"results.txt"});
    }

    void theSaveDialogIsAskedAsDescribed()
    {
        TestWindow t;
        save(t, QString());
        QCOMPARE(t.dialogs->saveDialogs.size(), 1);
        const platform::SaveDialogOptions& options = t.dialogs->saveDialogs.first();
        QCOMPARE(options.fileName, QString());
        QCOMPARE(options.flags, 2621953);
        QCOMPARE(options.title, QStringLiteral("Save"));
        QCOMPARE(options.filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
    }

    void cancelDoesNothing()
    {
        TestWindow t;
        addResults(t, {"a|A."}, {true});
        t.context().setPointer(command::Pointer::Hand);
        t.click("PushButton8");  // no answer: Cancel
        QCOMPARE(t.textFiles->created, QStringList{});
        QCOMPARE(t.context().pointer(), command::Pointer::Hand);
        QCOMPARE(t.pump->yields, 0);
        QVERIFY(t.dialogs->errorReports.isEmpty() && t.dialogs->messages.isEmpty());
    }

    void aFailingSaveDialogIsReportedAndWritesNothing()
    {
        QTemporaryDir dir;
        TestWindow t;
        t.dialogs->faults.failAt("dialogs.saveFileName", 1);
        save(t, dir.filePath("never.txt"));
        QCOMPARE(reportedLocations(t.dialogs->errorReports),
                 QStringList{"Form1.PushButton8_Click 114"});
        QCOMPARE(t.textFiles->created, QStringList{});
        QCOMPARE(t.pump->yields, 0);
    }

    void aPathWithoutExtensionIsUsedUnchanged()
    {
        QTemporaryDir dir;
        TestWindow t;
        save(t, dir.filePath("results"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"results"});
    }

    void anExistingFileIsReplacedWithoutAQuestion()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("results.txt");
        test::writeFile(path, QByteArray(5000, 'x'));
        TestWindow t;
        save(t, path);
        QCOMPARE(fileBytes(path), QByteArray(" Word(s)\tResult\t\r\n"));
        QVERIFY(t.dialogs->messages.isEmpty());
    }

    void pointerIsBusyWhileWriting()
    {
        QTemporaryDir dir;
        TestWindow t;
        addResults(t, {"a|A."}, {true});
        QList<command::Pointer> pointers;
        t.pump->onYield = [&](int) { pointers.append(t.context().pointer()); };
        save(t, dir.filePath("r.txt"));
        QVERIFY(!pointers.isEmpty());
        QCOMPARE(pointers, QList<command::Pointer>(pointers.size(), command::Pointer::Busy));
        checkAtRest(t);
    }

    void progressOfAnEmptyList()
    {
        QTemporaryDir dir;
        TestWindow t;
        RecordingIndicator progress;
        output::saveAlignedText(t.context(), t.context().resultTable(), dir.filePath("out.txt"),
                                &progress);
        const QString writing = QStringLiteral("Writing file: out.txt");
        QCOMPARE(progress.shown, (QStringList{"1", writing, "10", writing, "20", writing, "100",
                                              "Done.", "0", "Progress Bar"}));
        // Start, widths, header (one per column), then rows.
        QCOMPARE(t.pump->yields, 2 + 2 + 2 + 2);
    }

    void withoutIndicatorNothingIsShownAndOnlyCellsYield()
    {
        QTemporaryDir dir;
        TestWindow t;
        addResults(t, {"a|A.", "b|B."}, {true, false});
        output::saveAlignedText(t.context(), t.context().resultTable(), dir.filePath("out.txt"),
                                nullptr);
        QCOMPARE(fileBytes(dir.filePath("out.txt")),
                 QByteArray(" Word(s)\tResult\t\r\na       \tA.    \t\r\n"));
        // Widths 2x2, header 2, rows 2, cells of the ticked row 2.
        QCOMPARE(t.pump->yields, 4 + 2 + 2 + 2);
        QCOMPARE(progressBar(t).caption(), QStringLiteral("Progress Bar"));
    }

    void theThousandthRowShowsItsNumber_data()
    {
        QTest::addColumn<bool>("ticked");
        QTest::newRow("ticked row 1000 shows (1000)") << true;
        QTest::newRow("unticked row 1000 changes nothing") << false;
    }

    void theThousandthRowShowsItsNumber()
    {
        QFETCH(bool, ticked);
        QTemporaryDir dir;
        TestWindow t;
        QList<bool> ticks(1000, false);
        ticks[998] = true;
        ticks[999] = ticked;
        addResults(t, rowsOf(1000), ticks);
        RecordingIndicator progress;
        output::saveAlignedText(t.context(), t.context().resultTable(), dir.filePath("a\\b.txt"),
                                &progress);
        const QString writing = QStringLiteral("Writing file: b.txt");
        QStringList expected{"1", writing, "10", writing, "20", writing, "100"};
        if (ticked) expected << "100" << writing + " (1000)";
        expected << "100"
                 << "Done."
                 << "0"
                 << "Progress Bar";
        QCOMPARE(progress.shown, expected);
    }

    void fourThousandRowsEndAt100()
    {
        QTemporaryDir dir;
        TestWindow t;
        addResults(t, rowsOf(4000), QList<bool>(4000, true));
        RecordingIndicator progress;
        output::saveAlignedText(t.context(), t.context().resultTable(), dir.filePath("out.txt"),
                                &progress);
        QVERIFY(t.dialogs->errorReports.isEmpty());
        // 1, caption, 10, caption, 20, caption, one value per row and four captions, end.
        QCOMPARE(progress.shown.size(), 6 + 4000 + 4 + 4);
        QCOMPARE(progress.shown[6], QStringLiteral("0"));       // (1 + 2) / 4000 * 100 = 0.075
        QCOMPARE(progress.shown[6 + 37], QStringLiteral("1"));  // row 38: 1.0
        QCOMPARE(progress.shown.mid(6 + 999, 2),
                 (QStringList{"25", "Writing file: out.txt (1000)"}));
        // The last row gives 100.05, shown as 100.
        QCOMPARE(progress.shown.mid(progress.shown.size() - 6),
                 (QStringList{"100", "Writing file: out.txt (4000)", "100", "Done.", "0",
                              "Progress Bar"}));
        QCOMPARE(fileBytes(dir.filePath("out.txt")).count("\r\n"), 4001);
    }

    void creatingFails_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("a folder that does not exist") << "missing/results.txt";
        QTest::newRow("a folder that is a file") << "plain/results.txt";
        QTest::newRow("a path that is a folder") << "folder";
    }

    void creatingFails()
    {
        QFETCH(QString, relativePath);
        QTemporaryDir dir;
        test::writeFile(dir.filePath("plain"), "kept\r\n");
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        TestWindow t;
        addResults(t, rowsOf(3000), QList<bool>(3000, true));
        save(t, dir.filePath(relativePath));
        QCOMPARE(reportedLocations(t.dialogs->errorReports), QStringList{QString(kMain) + " 156"});
        checkAtRest(t);
        QCOMPARE(fileBytes(dir.filePath("plain")), QByteArray("kept\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{"folder", "plain"}));
    }

    void injectedFailuresAreReportedOnceAndKeepTheOldFile_data()
    {
        QTest::addColumn<bool>("failCreate");
        QTest::addColumn<int>("failWriteAt");
        QTest::addColumn<bool>("failClose");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("linesWritten");
        QTest::newRow("create fails: nothing is written") << true << 0 << false << 156 << 0;
        QTest::newRow("header write fails: rows are not written")
            << false << 1 << false << 170 << 1;
        QTest::newRow("third line fails: the rest is not written")
            << false << 3 << false << 222 << 3;
        QTest::newRow("close fails") << false << 0 << true << 232 << 101;
    }

    void injectedFailuresAreReportedOnceAndKeepTheOldFile()
    {
        QFETCH(bool, failCreate);
        QFETCH(int, failWriteAt);
        QFETCH(bool, failClose);
        QFETCH(int, line);
        QFETCH(int, linesWritten);
        QTemporaryDir dir;
        const QString path = dir.filePath("results.txt");
        test::writeFile(path, "the earlier results\r\n");
        TestWindow t;
        addResults(t, rowsOf(100), QList<bool>(100, true));
        t.textFiles->failCreate = failCreate;
        t.textFiles->failWriteAt = failWriteAt;
        t.textFiles->failClose = failClose;
        save(t, path);
        QCOMPARE(reportedLocations(t.dialogs->errorReports),
                 QStringList{QString(kMain) + ' ' + QString::number(line)});
        QCOMPARE(t.textFiles->linesWritten, linesWritten);
        QCOMPARE(fileBytes(path), QByteArray("the earlier results\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"results.txt"});
        checkAtRest(t);
    }

    void aFullDiskKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("results.txt");
        test::writeFile(path, "the earlier results\r\n");
        TestWindow t;
        addResults(t, rowsOf(20000), QList<bool>(20000, true));
        {
            const FileSizeLimit limit(64 * 1024);
            save(t, path);
        }
        const QStringList reported = reportedLocations(t.dialogs->errorReports);
        QCOMPARE(reported.size(), 1);
        QVERIFY2(reported.first() == QString(kMain) + " 222" ||
                     reported.first() == QString(kMain) + " 232",
                 qPrintable(reported.first()));
        QVERIFY2(t.dialogs->errorReports.first().contains("results.txt: File too large"),
                 qPrintable(t.dialogs->errorReports.first()));
        QCOMPARE(fileBytes(path), QByteArray("the earlier results\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"results.txt"});
        checkAtRest(t);
    }

    void targetsOtherThanFilesAreNotReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reported");  // the reason given; empty: none
        QTest::newRow("a character device is written into and stays one") << "device"
                                                                          << "";
        QTest::newRow("a named pipe is written into and stays one") << "pipe"
                                                                    << "";
        QTest::newRow("a named pipe nobody reads is reported") << "unread"
                                                               << "no program reads";
        QTest::newRow("a folder is refused") << "folder"
                                             << "it is a folder";
        QTest::newRow("a full device through a link is reported with the link's name")
            << "full"
            << "target: No space left on device";
    }

    void targetsOtherThanFilesAreNotReplaced()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reported);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("target"));
        // A device node of our own like /dev/null, never the real one.
        if (kind == "device" && ::mknod(path, S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("needs root");
        if (kind == "full") {  // like /dev/full
            const QByteArray full = QFile::encodeName(dir.filePath("full"));
            if (::mknod(full, S_IFCHR | 0666, makedev(1, 7)) != 0) QSKIP("needs root");
            QCOMPARE(::symlink(full, path), 0);
        }
        if (kind == "pipe" || kind == "unread") QCOMPARE(::mkfifo(path, 0600), 0);
        if (kind == "folder") QVERIFY(QDir().mkdir(path));
        const int reader = kind == "pipe" ? ::open(path, O_RDONLY | O_NONBLOCK) : -1;
        // One page, which lines of 5,000 bytes fill in parts: the reader takes them while
        // the save yields, and a save that waits for it instead ends the test at once.
        if (reader >= 0) QVERIFY(::fcntl(reader, F_SETPIPE_SZ, 4096) > 0);
        QByteArray got;
        const auto take = [&] {
            char page[4096];
            for (ssize_t n; reader >= 0 && (n = ::read(reader, page, sizeof page)) > 0;)
                got.append(page, n);
        };
        struct stat before {
        }, after{};
        ::stat(path, &before);

        TestWindow t;
        addResults(t, rowsOf(16, QString(5000, 'p')), QList<bool>(16, true));
        save(t, dir.filePath("whole.txt"));
        t.pump->onYield = [&](int) { take(); };
        std::signal(SIGALRM, [](int) { ::_exit(1); });  // the save waited for the pipe
        ::alarm(5);
        save(t, QFile::decodeName(path));
        ::alarm(0);
        QCOMPARE(t.dialogs->errorReports.size(), reported.isEmpty() ? 0 : 1);
        if (!reported.isEmpty()) QVERIFY(t.dialogs->errorReports[0].contains(reported));
        ::stat(path, &after);
        QCOMPARE(after.st_ino, before.st_ino);
        if (reader >= 0) {
            take();
            ::close(reader);
            QCOMPARE(got, fileBytes(dir.filePath("whole.txt")));
        }
        checkAtRest(t);
    }

    void theListChangesDuringTheExport_data()
    {
        QTest::addColumn<int>("atYield");
        QTest::addColumn<QString>("button");  // clicked then; none: a cell is edited
        QTest::addColumn<QByteArray>("bytes");
        // Three ticked rows "abc|A.", "de|D.", "f|F.". Yields: 2 at the start, 6 for the
        // widths, 2, 2 for the header, 2; then 5 per row (row, two cells, progress twice).
        const QByteArray earlier("the earlier results\r\n");
        QTest::newRow("results cleared during the widths: nothing saved")
            << 3 << "PushButton5" << earlier;
        QTest::newRow("results cleared after the first row: nothing saved")
            << 20 << "PushButton5" << earlier;
        QTest::newRow("a new run replaces the results: nothing saved")
            << 20 << "PushButton2" << earlier;
        QTest::newRow("a row removed after the first row: nothing saved")
            << 20 << "remove" << earlier;
        QTest::newRow("a cell changed before it is read is written as it is then")
            << 17 << QString()
            << QByteArray(
                   " Word(s)\tResult\t\r\nabc     \ta longer result\t\r\nde      \tD.    \t\r\n"
                   "f       \tF.    \t\r\n");
    }

    void theListChangesDuringTheExport()
    {
        QFETCH(int, atYield);
        QFETCH(QString, button);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath("out.txt");
        test::writeFile(path, "the earlier results\r\n");
        TestWindow t;
        t.context().wordList().append("new run");
        addResults(t, {"abc|A.", "de|D.", "f|F."}, {true, true, true});
        t.pump->onYield = [&](int yield) {
            if (yield != atYield) return;
            if (button == "remove") {
                test::resultsControl(t).remove(3);
            } else if (!button.isEmpty()) {
                t.click(qPrintable(button));
            } else {
                test::resultsControl(t).setSubText(1, 2, "a longer result");
            }
        };
        save(t, path);
        QCOMPARE(t.dialogs->errorReports, QStringList{});
        if (!button.isEmpty()) {
            QCOMPARE(t.dialogs->messages.takeLast(),
                     "The results changed while they were being saved; nothing was saved.");
            t.dialogs->messages.removeAll("Done.");  // of the new run
        }
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
        checkAtRest(t);
    }

    // As `... | head -c 100`: a reader that takes 100 bytes and goes. The write that
    // finds it gone fails like any other, and the program lives on.
    void aPipeWhoseReaderGoesIsAFailedWrite()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(path), 0600), 0);
        QProcess head;
        head.start("sh", {"-c", "exec head -c 100 <\"$0\" >\"$0.read\"", path});
        // A writer of our own, so that head waits for the rows instead of finding the
        // pipe empty and done.
        int writer = -1;
        QTRY_VERIFY((writer = ::open(QFile::encodeName(path), O_WRONLY | O_NONBLOCK)) >= 0);
        TestWindow t;
        addResults(t, rowsOf(2000, QString(40, 'p')), QList<bool>(2000, true));  // 100 KB
        save(t, dir.filePath("whole.txt"));
        save(t, path);
        ::close(writer);
        QTRY_COMPARE(head.state(), QProcess::NotRunning);
        QCOMPARE(fileBytes(path + ".read"), fileBytes(dir.filePath("whole.txt")).left(100));
        QCOMPARE(t.dialogs->errorReports.size(), 1);
        QVERIFY2(t.dialogs->errorReports[0].contains("pipe: Broken pipe"),
                 qPrintable(t.dialogs->errorReports[0]));
        checkAtRest(t);
    }

    // A reader that never reads: the window keeps answering while the pipe is full, and
    // closing it ends the save there.
    void closingWhileAPipeTakesNothingEndsTheSave()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("pipe"));
        QCOMPARE(::mkfifo(path, 0600), 0);
        const int reader = ::open(path, O_RDONLY | O_NONBLOCK);
        TestWindow t;
        t.window->show();
        addResults(t, rowsOf(2000, QString(40, 'p')), QList<bool>(2000, true));
        // Once lines are being written, a row takes five yields: fifty without a line
        // written are a write that waits.
        int line = -1;
        int yieldsOnLine = 0;
        t.pump->onYield = [&](int) {
            yieldsOnLine = t.textFiles->linesWritten == line ? yieldsOnLine + 1 : 0;
            line = t.textFiles->linesWritten;
            if (yieldsOnLine == 50 && line > 1) t.window->close();
        };
        save(t, QFile::decodeName(path));
        ::close(reader);
        QVERIFY(t.pump->quitRequested);
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }
};

QTEST_MAIN(TestTextExport)
#include "tst_text_export.moc"
