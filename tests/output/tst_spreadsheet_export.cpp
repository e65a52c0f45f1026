#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "output/spreadsheet_export.h"
#include "spreadsheet/xlsx_spreadsheet.h"
#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

using namespace lexiquill;
using test::TestWindow;

namespace {

struct Row {
    QString phrase;
    QString result;
    bool ticked;
};

// A desktop of its own for the real spreadsheet adapter: a PATH holding only a
// stand-in "localc" that writes down the arguments it was started with, and a
// temporary folder for the workbooks.
struct Desktop {
    QTemporaryDir dir;
    QString bin = dir.filePath("bin");
    QString temp = dir.filePath("temp");
    QString launches = dir.filePath("launches");
    QString kept = dir.filePath("Documents/Lexiquill");

    explicit Desktop(const QByteArray& localc = {}, const QString& program = "localc")
    {
        QDir().mkpath(bin);
        QDir().mkpath(temp);
        QFile script(bin + '/' + program);
        script.open(QIODevice::WriteOnly);
        script.write(localc.isEmpty() ? "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; "
                                        "done > \"$0.part\" && /bin/mv \"$0.part\" \"" +
                                            QFile::encodeName(launches) + "\"\n"
                                      : localc);
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }

    QProcessEnvironment environment(bool withLocalc = true) const
    {
        QProcessEnvironment env;
        env.insert("PATH", withLocalc ? bin : dir.filePath("empty"));
        env.insert("HOME", dir.path());
        env.insert("XDG_DATA_DIRS", dir.filePath("share"));
        return env;
    }

    void install(TestWindow& t, bool withLocalc = true) const
    {
        t.spreadsheet->real = std::make_unique<spreadsheet::XlsxSpreadsheet>(
            *t.pump, environment(withLocalc), temp, kept);
    }

    // The arguments the application was started with, once it has been.
    QStringList launchArguments() const
    {
        QFile file(launches);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QStringList workbookFolders() const
    {
        return QDir(temp).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
};

void fill(TestWindow& t, const QList<Row>& rows)
{
    auto& results = t.context().resultTable();
    auto* list2 = t.window->findChild<widgets::ListControl*>("ListView2");
    for (const Row& row : rows) results.setSubText(results.append(row.phrase), 2, row.result);
    list2->rows().publishRows();
    for (int r = 0; r < rows.size(); ++r) {
        if (rows[r].ticked)
            list2->model()->setData(list2->model()->index(r, 0), Qt::Checked, Qt::CheckStateRole);
    }
}

// The sheet as openpyxl reads it back: "A1= Word(s)" for each filled cell, in
// order; a cell that is not a string is marked with its type.
struct Sheet {
    QStringList cells;
    QMap<int, double> widths;
    QMap<int, int> longest;
};

Sheet readBack(const QString& path)
{
    QProcess python;
    python.start("/usr/bin/python3", {LEXIQUILL_READ_WORKBOOK, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    const QJsonObject json = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    Sheet sheet;
    for (const QJsonValue& value : json["cells"].toArray()) {
        const QJsonArray cell = value.toArray();
        const int column = cell[1].toInt();
        const QString text = cell[2].toString();
        QString line = QChar('A' + column - 1) + QString::number(cell[0].toInt()) + '=' + text;
        if (cell[3].toString() != "s") line += " [" + cell[3].toString() + ']';
        sheet.cells.append(line);
        sheet.longest[column] = std::max(sheet.longest.value(column), int(text.size()));
    }
    const QJsonObject widths = json["widths"].toObject();
    for (auto it = widths.begin(); it != widths.end(); ++it)
        sheet.widths[it.key().toInt()] = it.value().toDouble();
    return sheet;
}

// The workbook the application was opened on, after checking how it was opened.
QString openedWorkbook(const Desktop& desktop)
{
    QStringList arguments;
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!(arguments = desktop.launchArguments()).isEmpty(), 10000); }();
    if (arguments.size() != 3 || arguments[0] != "--calc" || arguments[1] != "-n") {
        qWarning() << "started with" << arguments;
        return {};
    }
    return arguments[2];
}

const QStringList kHeaders{"A1= Word(s)", "B1=Result"};

QString reportLine(int line) { return QStringLiteral("Form1.PushButton12_Click %1").arg(line); }

}  // namespace

class TestSpreadsheetExport : public QObject {
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("three rows, only the second ticked, keep rows 2 and 4 empty")
            << QList<Row>{{"one", "O.", false}, {"two words", "T.W.", true}, {"three", "T.", false}}
            << kHeaders + QStringList{"A3=two words", "B3=T.W."};
        QTest::newRow("no row ticked gives the header row only")
            << QList<Row>{{"one", "O.", false}, {"two", "T.", false}} << kHeaders;
        QTest::newRow("every = leaves the results, none the phrases")
            << QList<Row>{{"a=b", "=A.B.", true}, {"=x", "X=Y=Z.", true}}
            << kHeaders + QStringList{"A2=a=b", "B2=A.B.", "A3==x", "B3=XYZ."};
        QTest::newRow("phrases that look like formulas stay text")
            << QList<Row>{{"=SUM(A1:A9)", "S.", true},
                          {"+1", "1.", true},
                          {"-2", "2.", true},
                          {"@now", "N.", true},
                          {"007", "0.", true}}
            << kHeaders + QStringList{"A2==SUM(A1:A9)", "B2=S.",   "A3=+1", "B3=1.",  "A4=-2",
                                      "B4=2.",          "A5=@now", "B5=N.", "A6=007", "B6=0."};
        QTest::newRow("wide, combining and astral characters")
            << QList<Row>{{QString::fromUtf8("東京 タワー"), QString::fromUtf8("東.タ."), true},
                          {QString::fromUtf8("cafe\u0301 \U0001F600"), "C.", true}}
            << kHeaders + QStringList{QString::fromUtf8("A2=東京 タワー"),
                                      QString::fromUtf8("B2=東.タ."),
                                      QString::fromUtf8("A3=cafe\u0301 \U0001F600"), "B3=C."};
    }

    void layout()
    {
        QFETCH(QList<Row>, rows);
        QFETCH(QStringList, cells);
        TestWindow t;
        Desktop desktop;
        desktop.install(t);
        fill(t, rows);
        QList<command::Pointer> pointers;
        t.pump->onYield = [&](int) { pointers.append(t.context().pointer()); };
        t.click("PushButton12");

        QVERIFY(t.dialogs->errorReports.isEmpty());
        QVERIFY(t.dialogs->messages.isEmpty());
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QVERIFY(!pointers.isEmpty());
        QCOMPARE(pointers, QList<command::Pointer>(pointers.size(), command::Pointer::Busy));

        const QString path = openedWorkbook(desktop);
        const QFileInfo file(path);
        QVERIFY2(QRegularExpression(R"(^Lexiquill results \d{4}-\d\d-\d\d \d\d\.\d\d\.xlsx$)")
                     .match(file.fileName())
                     .hasMatch(),
                 qPrintable(path));
        QCOMPARE(file.dir().absolutePath(),
                 QDir(desktop.temp).absoluteFilePath(desktop.workbookFolders().value(0)));
        struct stat folder {};
        QCOMPARE(stat(QFile::encodeName(file.absolutePath()).constData(), &folder), 0);
        QCOMPARE(folder.st_mode & 0777, 0700u);

        const Sheet sheet = readBack(path);
        QCOMPARE(sheet.cells, cells);
        for (auto it = sheet.longest.begin(); it != sheet.longest.end(); ++it) {
            QVERIFY2(sheet.widths.value(it.key()) >= it.value(),
                     qPrintable(QString("column %1: width %2 for %3 characters")
                                    .arg(it.key())
                                    .arg(sheet.widths.value(it.key()))
                                    .arg(it.value())));
        }
    }

    void withoutApplicationTwoMessagesAndNothingElse()
    {
        TestWindow t;
        Desktop desktop;
        desktop.install(t, false);
        fill(t, {{"one", "O.", true}});
        QList<command::Pointer> pointers;
        t.dialogs->onMessage = [&](const QString&) { pointers.append(t.context().pointer()); };
        t.click("PushButton12");
        QCOMPARE(
            t.dialogs->messages,
            (QStringList{"Excel is not installed on this computer. You need to have it installed "
                         "to use this software without error.",
                         "Excel is not installed on this computer. You need to have it installed "
                         "to use this feature."}));
        QCOMPARE(pointers, QList<command::Pointer>(2, command::Pointer::Default));
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QVERIFY(t.dialogs->errorReports.isEmpty());
        QCOMPARE(t.spreadsheet->calls, QStringList{"start"});
        QCOMPARE(t.pump->yields, 0);
        QVERIFY(desktop.workbookFolders().isEmpty());
    }

    void emptyListEndsSilently()
    {
        TestWindow t;
        Desktop desktop;
        desktop.install(t);
        QList<command::Pointer> pointers;
        t.pump->onYield = [&](int) { pointers.append(t.context().pointer()); };
        t.click("PushButton12");
        QVERIFY(t.dialogs->messages.isEmpty());
        QVERIFY(t.dialogs->errorReports.isEmpty());
        QCOMPARE(t.spreadsheet->calls, QStringList{"start"});
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QCOMPARE(t.pump->yields, 0);
        QVERIFY(desktop.workbookFolders().isEmpty());
        QTest::qWait(200);
        QVERIFY(desktop.launchArguments().isEmpty());
    }

    // Rows reach the file while the export runs; closing the window abandons the
    // export, and the half-written workbook goes with it.
    void closingDuringTheExportLeavesNothing()
    {
        TestWindow t;
        Desktop desktop;
        desktop.install(t);
        QList<Row> rows;
        for (int r = 1; r <= 1500; ++r) rows.append({QString::number(r), "R.", true});
        fill(t, rows);
        int foldersWhileRunning = 0;
        t.pump->onYield = [&](int n) {
            if (n != 2500) return;
            foldersWhileRunning = int(desktop.workbookFolders().size());
            t.window->close();
        };
        t.click("PushButton12");
        QVERIFY(t.pump->quitRequested);
        QCOMPARE(foldersWhileRunning, 1);
        QVERIFY(desktop.workbookFolders().isEmpty());
        QVERIFY(t.dialogs->errorReports.isEmpty());
        QTest::qWait(200);
        QVERIFY(desktop.launchArguments().isEmpty());
    }

    void yieldsOncePerHeaderRowAndCell()
    {
        TestWindow t;
        fill(t, {{"a", "A.", true}, {"b", "B.", false}, {"c", "C.", true}});
        int yields = 0;
        QStringList callsAtYield;
        t.pump->onYield = [&](int n) {
            yields = n;
            callsAtYield.append(t.spreadsheet->calls.last());
        };
        t.click("PushButton12");
        // 2 headers, 3 rows, 2 cells in each of the 2 ticked rows.
        QCOMPARE(yields, 2 + 3 + 4);
        QCOMPARE(t.spreadsheet->calls,
                 (QStringList{"start", "add workbook", "write 1,1:  Word(s)", "fit column 1",
                              "write 1,2: Result", "fit column 2", "write 2,1: a", "write 2,2: A.",
                              "write 4,1: c", "write 4,2: C.", "fit all columns", "show"}));
        QCOMPARE(callsAtYield.first(), QStringLiteral("add workbook"));
    }

    void anApplicationThatSavesInPlaceGetsAWorkbookThatStays()
    {
        Desktop desktop({}, "gnumeric");
        TestWindow t;
        desktop.install(t);
        fill(t, {{"a", "A.", true}});
        QStringList opened;  // twice, within the same minute: under two names
        for (int i = 0; i < 2; ++i) {
            QFile::remove(desktop.launches);
            t.click("PushButton12");
            QTRY_VERIFY_WITH_TIMEOUT(!desktop.launchArguments().isEmpty(), 10000);
            opened += desktop.launchArguments();
        }
        QCOMPARE(QDir(desktop.kept).entryList(QDir::Files).size(), 2);
        for (const QString& file : opened) {
            QCOMPARE(readBack(QDir(desktop.kept).filePath(QFileInfo(file).fileName())).cells,
                     (kHeaders + QStringList{"A2=a", "B2=A."}));
        }
        QVERIFY(desktop.workbookFolders().isEmpty());
    }

    void overlapsEndInOneMessageOrReport_data()
    {
        QTest::addColumn<int>("atYield");
        QTest::addColumn<QString>("button");  // clicked then
        QTest::addColumn<int>("lastRow");     // of the sheet; 0: no limit
        // Rows a, b, c ticked. Yields: 2 headers, then a row and its two cells each.
        QTest::newRow("results cleared: nothing opened") << 6 << "PushButton5" << 0;
        QTest::newRow("a new run replaces the results: nothing opened") << 6 << "PushButton2" << 0;
        QTest::newRow("past the sheet's last row: one report, the rows that fit") << 0 << "" << 3;
    }

    void overlapsEndInOneMessageOrReport()
    {
        QFETCH(int, atYield);
        QFETCH(QString, button);
        QFETCH(int, lastRow);
        TestWindow t;
        Desktop desktop;
        desktop.install(t);
        t.spreadsheet->lastRow = lastRow;
        t.context().wordList().append("new run");
        fill(t, {{"a", "A.", true}, {"b", "B.", true}, {"c", "C.", true}});
        t.pump->onYield = [&](int n) {
            if (n == atYield) t.click(qPrintable(button));
        };
        t.click("PushButton12");
        t.dialogs->messages.removeAll("Done.");  // of the new run
        if (lastRow == 0) {
            QCOMPARE(t.dialogs->errorReports, QStringList{});
            QCOMPARE(t.dialogs->messages, QStringList{"The results changed while they were being "
                                                      "exported; no workbook was opened."});
            QTest::qWait(200);
            QVERIFY(desktop.launchArguments().isEmpty() && desktop.workbookFolders().isEmpty());
        } else {
            QCOMPARE(test::reportedLocations(t.dialogs->errorReports),
                     QStringList{reportLine(152)});
            QCOMPARE(readBack(openedWorkbook(desktop)).cells,
                     (kHeaders + QStringList{"A2=a", "B2=A.", "A3=b", "B3=B."}));
        }
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
    }

    void failingStepIsReportedAndTheNextStepRuns_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("nth");
        QTest::addColumn<QList<int>>("lines");
        QTest::addColumn<QStringList>("cells");  // empty: the application was not started
        // Rows: "a|A=." ticked, "b|B." not ticked.
        const QStringList all = kHeaders + QStringList{"A2=a", "B2=A."};
        QTest::newRow("counting rows at the start ends the command")
            << "resultTable.rowCount" << 1 << QList<int>{108} << QStringList{};
        // The first two pointer changes are the hourglass while the application is
        // looked for, and back.
        QTest::newRow("busy pointer") << "setPointer" << 3 << QList<int>{110} << all;
        QTest::newRow("adding the workbook ends the export")
            << "addWorkbook" << 1 << QList<int>{114} << QStringList{};
        QTest::newRow("counting headers")
            << "resultTable.columnCount" << 1 << QList<int>{118} << QStringList{"A2=a", "B2=A."};
        QTest::newRow("yield before a header") << "yield" << 1 << QList<int>{120} << all;
        QTest::newRow("reading the first header") << "resultTable.header" << 1 << QList<int>{122}
                                                  << QStringList{"B1=Result", "A2=a", "B2=A."};
        QTest::newRow("writing the second header")
            << "writeCell" << 2 << QList<int>{122} << QStringList{"A1= Word(s)", "A2=a", "B2=A."};
        QTest::newRow("fitting a column") << "fitColumn" << 1 << QList<int>{132} << all;
        QTest::newRow("counting rows for the loop")
            << "resultTable.rowCount" << 2 << QList<int>{138} << kHeaders;
        QTest::newRow("yield before a row") << "yield" << 3 << QList<int>{140} << all;
        QTest::newRow("an unreadable tick counts as ticked")
            << "resultTable.checked" << 2 << QList<int>{142} << all + QStringList{"A3=b", "B3=B."};
        QTest::newRow("counting a row's columns")
            << "resultTable.columnCount" << 2 << QList<int>{146} << kHeaders;
        QTest::newRow("yield before a cell") << "yield" << 4 << QList<int>{148} << all;
        QTest::newRow("reading a phrase")
            << "resultTable.text" << 1 << QList<int>{152} << kHeaders + QStringList{"B2=A."};
        QTest::newRow("reading a result")
            << "resultTable.subText" << 1 << QList<int>{156} << kHeaders + QStringList{"A2=a"};
        QTest::newRow("fitting all columns") << "fitAllColumns" << 1 << QList<int>{166} << all;
        QTest::newRow("showing") << "show" << 1 << QList<int>{168} << QStringList{};
        QTest::newRow("default pointer") << "setPointer" << 4 << QList<int>{170} << all;
    }

    void failingStepIsReportedAndTheNextStepRuns()
    {
        QFETCH(QString, operation);
        QFETCH(int, nth);
        QFETCH(QList<int>, lines);
        QFETCH(QStringList, cells);
        TestWindow t;
        Desktop desktop;
        desktop.install(t);
        fill(t, {{"a", "A=.", true}, {"b", "B.", false}});
        test::FaultyContext faulty(t.context());
        (operation.contains('.') || operation == "yield" || operation == "setPointer"
             ? faulty.faults
             : t.spreadsheet->faults)
            .failAt(operation, nth);
        output::saveResultsAsExcelFile(faulty);

        QStringList expected;
        for (int line : lines) expected.append(reportLine(line));
        QCOMPARE(test::reportedLocations(t.dialogs->errorReports), expected);
        QVERIFY(t.dialogs->errorReports[0].startsWith("Injected failure of " + operation + "\r\n"));
        QVERIFY(t.dialogs->messages.isEmpty());
        QCOMPARE(t.context().pointer(), operation == "setPointer" && nth == 4
                                            ? command::Pointer::Busy
                                            : command::Pointer::Default);
        if (cells.isEmpty()) {
            QTest::qWait(200);
            QVERIFY(desktop.launchArguments().isEmpty());
            QVERIFY(desktop.workbookFolders().isEmpty());
        } else {
            QCOMPARE(readBack(openedWorkbook(desktop)).cells, cells);
        }
    }

    void realFailures_data()
    {
        QTest::addColumn<QByteArray>("localc");
        QTest::addColumn<bool>("tempFolderExists");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("description");
        QTest::newRow("an application that cannot start is reported, not taken for success")
            << QByteArray("#!/nonexistent/interpreter\n") << true << "a" << 168
            << "The spreadsheet application localc could not be started";
        QTest::newRow("a workbook that cannot be written is reported")
            << QByteArray() << false << "a" << 168 << "No private folder could be made in ";
        QTest::newRow("a phrase longer than a cell holds is reported, and the result still written")
            << QByteArray() << true << QString(40000, 'x') << 152
            << "A cell holds at most 32767 characters; this text has 40000";
    }

    void realFailures()
    {
        QFETCH(QByteArray, localc);
        QFETCH(bool, tempFolderExists);
        QFETCH(QString, phrase);
        QFETCH(int, line);
        QFETCH(QString, description);
        TestWindow t;
        Desktop desktop(localc);
        if (!tempFolderExists) QDir(desktop.temp).removeRecursively();
        desktop.install(t);
        fill(t, {{phrase, "X.", true}});
        t.click("PushButton12");
        QCOMPARE(t.dialogs->errorReports.size(), 1);
        QVERIFY2(t.dialogs->errorReports[0].startsWith(description),
                 qPrintable(t.dialogs->errorReports[0]));
        QCOMPARE(test::reportedLocations(t.dialogs->errorReports), QStringList{reportLine(line)});
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        if (line == 152) {
            QCOMPARE(readBack(openedWorkbook(desktop)).cells, kHeaders + QStringList{"B2=X."});
        } else {
            // Nobody will see a workbook that was not opened: none is left behind.
            QVERIFY(desktop.workbookFolders().isEmpty());
        }
    }

    void libreOfficeReadsTheExport()
    {
        const QString libreoffice = "/usr/bin/libreoffice";
        if (!QFileInfo(libreoffice).isExecutable()) QSKIP("LibreOffice is not installed");
        TestWindow t;
        Desktop desktop;
        desktop.install(t);
        fill(t, {{" as soon as possible ", "A.S.A.P.", true},
                 {"not this", "N.T.", false},
                 {"=1+1", "=E.Q.", true},
                 {QString::fromUtf8("ünïcödé, \"quoted\""), "U.Q.", true}});
        t.click("PushButton12");
        const QString path = openedWorkbook(desktop);
        QVERIFY(!path.isEmpty());

        QProcess convert;
        convert.start(libreoffice,
                      {"-env:UserInstallation=" +
                           QUrl::fromLocalFile(desktop.dir.filePath("profile")).toString(),
                       "--headless", "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76",
                       "--outdir", desktop.dir.filePath("csv"), path});
        QVERIFY(convert.waitForFinished(180000));
        QFile csv(desktop.dir.filePath("csv/" + QFileInfo(path).completeBaseName() + ".csv"));
        QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(convert.readAllStandardError()));
        QCOMPARE(QString::fromUtf8(csv.readAll()),
                 QString::fromUtf8(" Word(s),Result\n as soon as possible ,A.S.A.P.\n,\n=1+1,E.Q.\n"
                                   "\"ünïcödé, \"\"quoted\"\"\",U.Q.\n"));
    }
};

QTEST_MAIN(TestSpreadsheetExport)
#include "tst_spreadsheet_export.moc"
