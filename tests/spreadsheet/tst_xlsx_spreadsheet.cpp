#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/event_pump.h"
#include "platform/platform_error.h"
#include "spreadsheet/spreadsheet_launcher.h"
#include "spreadsheet/xlsx_spreadsheet.h"

using namespace lexiquill::platform;
using namespace lexiquill::spreadsheet;

namespace {

class Pump final : public EventPump {
protected:
    void processPending() override { QCoreApplication::processEvents(); }
    void quit() override {}
};

// A folder of made-up programs and desktop entries that stands for a desktop.
struct Desktop {
    QTemporaryDir dir;

    void program(const QString& name, const QByteArray& body = "exit 0\n")
    {
        QDir().mkpath(dir.filePath("bin"));
        QFile file(dir.filePath("bin/" + name));
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n" + body);
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }

    void entry(const QString& relative, const QByteArray& text)
    {
        const QString path = dir.filePath("share/applications/" + relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env;
        env.insert("PATH", dir.filePath("bin"));
        env.insert("HOME", dir.filePath("home"));
        env.insert("XDG_DATA_DIRS", dir.filePath("share"));
        return env;
    }
};

QStringList cellsOf(const QString& path)
{
    QProcess python;
    python.start("/usr/bin/python3", {LEXIQUILL_READ_WORKBOOK, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) return {"unreadable"};
    QStringList out;
    const auto cells =
        QJsonDocument::fromJson(python.readAllStandardOutput()).object()["cells"].toArray();
    for (const QJsonValue& value : cells) {
        const QJsonArray cell = value.toArray();
        out.append(
            QString("%1,%2=%3").arg(cell[0].toInt()).arg(cell[1].toInt()).arg(cell[2].toString()));
    }
    return out;
}

}  // namespace

class TestXlsxSpreadsheet : public QObject {
    Q_OBJECT

private slots:
    void findsTheApplication_data()
    {
        QTest::addColumn<QStringList>("programs");
        QTest::addColumn<QString>("defaultEntry");  // what xdg-mime answers
        QTest::addColumn<QByteArray>("entryText");
        QTest::addColumn<QString>("program");  // empty: none found
        QTest::addColumn<QStringList>("arguments");
        const QStringList asNew{"--calc", "-n", "/w/f.xlsx"};
        QTest::newRow("localc before libreoffice")
            << QStringList{"libreoffice", "localc", "gnumeric"} << "" << QByteArray() << "localc"
            << asNew;
        QTest::newRow("libreoffice") << QStringList{"libreoffice", "gnumeric"} << "" << QByteArray()
                                     << "libreoffice" << asNew;
        QTest::newRow("the default for .xlsx before gnumeric")
            << QStringList{"xdg-mime", "calc", "gnumeric"} << "calc.desktop"
            << QByteArray(
                   "[Desktop Entry]\nType=Application\nName=Calc\nIcon=calc\nExec=calc --view "
                   "\"%f\" --name=%c %i 100%%\n")
            << "calc"
            << QStringList{"--view", "/w/f.xlsx", "--name=Calc", "--icon", "calc", "100%"};
        QTest::newRow("an entry with no field code is given the file at the end")
            << QStringList{"xdg-mime", "calc"} << "kde-calc.desktop"
            << QByteArray(
                   "[Desktop Entry]\nExec=\"calc\" \"two words\" \"a "
                   "\\\\\\\\\\\"quoted\\\\\\\\\\\" \\\\$x\"\n")
            << "calc" << QStringList{"two words", "a \\\"quoted\\\" $x", "/w/f.xlsx"};
        QTest::newRow("a default whose program is missing gives way to gnumeric")
            << QStringList{"xdg-mime", "gnumeric"} << "calc.desktop"
            << QByteArray("[Desktop Entry]\nExec=calc %U\n") << "gnumeric"
            << QStringList{"/w/f.xlsx"};
        QTest::newRow("a hidden default gives way to gnumeric")
            << QStringList{"xdg-mime", "calc", "gnumeric"} << "calc.desktop"
            << QByteArray("[Desktop Entry]\nExec=calc %U\nHidden=true\n") << "gnumeric"
            << QStringList{"/w/f.xlsx"};
        QTest::newRow("broken quoting gives way to gnumeric")
            << QStringList{"xdg-mime", "calc", "gnumeric"} << "calc.desktop"
            << QByteArray("[Desktop Entry]\nExec=calc \"%U\n") << "gnumeric"
            << QStringList{"/w/f.xlsx"};
        QTest::newRow("nothing at all")
            << QStringList{"xdg-mime"} << "" << QByteArray() << "" << QStringList{};
    }

    void findsTheApplication()
    {
        QFETCH(QStringList, programs);
        QFETCH(QString, defaultEntry);
        QFETCH(QByteArray, entryText);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        Desktop desktop;
        for (const QString& name : programs) {
            desktop.program(
                name, name == "xdg-mime" ? "echo '" + defaultEntry.toUtf8() + "'\n" : "exit 0\n");
        }
        if (!defaultEntry.isEmpty())
            desktop.entry(QString(defaultEntry).replace("kde-", "kde/"), entryText);

        const auto found = findSpreadsheetApplication(desktop.environment());
        QCOMPARE(found.has_value(), !program.isEmpty());
        if (!found) return;
        QCOMPARE(found->program, desktop.dir.filePath("bin/" + program));
        QCOMPARE(launchArguments(*found, "/w/f.xlsx"), arguments);
    }

    void withoutApplicationStartFails()
    {
        Desktop desktop;
        Pump pump;
        XlsxSpreadsheet spreadsheet(pump, desktop.environment(), desktop.dir.path(),
                                    desktop.dir.filePath("kept"));
        QVERIFY_THROWS_EXCEPTION(PlatformError, spreadsheet.start());
    }

    void cellsOutsideTheSheetFail_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("length");
        QTest::newRow("row 0") << 0 << 1 << 1;
        QTest::newRow("row past the last") << 1048577 << 1 << 1;
        QTest::newRow("column past the last") << 1 << 16385 << 1;
        QTest::newRow("text longer than a cell holds") << 1 << 1 << 32768;
        QTest::newRow("none: the last row and column, and the longest text")
            << 1048576 << 16384 << 32767;
    }

    void cellsOutsideTheSheetFail()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, length);
        Desktop desktop;
        desktop.program("gnumeric");
        Pump pump;
        XlsxSpreadsheet spreadsheet(pump, desktop.environment(), desktop.dir.path(),
                                    desktop.dir.filePath("kept"));
        auto application = spreadsheet.start();
        Workbook& workbook = application->addWorkbook();
        if (row == 1048576) {
            workbook.writeCell(row, column, QString(length, 'x'));
            return;
        }
        QVERIFY_THROWS_EXCEPTION(PlatformError,
                                 workbook.writeCell(row, column, QString(length, 'x')));
    }

    void theUsersOwnDesktopEntryComesFirst()
    {
        Desktop desktop;
        for (const char* name : {"calc", "gnumeric"}) desktop.program(name);
        desktop.program("xdg-mime", "echo calc.desktop\n");
        desktop.entry("calc.desktop", "[Desktop Entry]\nExec=gnumeric %f\n");
        desktop.entry("../../home/.local/share/applications/calc.desktop",
                      "[Desktop Entry]\nExec=calc --mine %f\n");
        const auto found = findSpreadsheetApplication(desktop.environment());
        QVERIFY(found);
        QCOMPARE(launchArguments(*found, "/w/f.xlsx"), (QStringList{"--mine", "/w/f.xlsx"}));
    }

    // Rows go to the file while the export still runs; a write to a row already
    // gone must still reach the workbook.
    void largeSheets_data()
    {
        QTest::addColumn<bool>("rewriteFirstRow");
        QTest::newRow("rows in order") << false;
        QTest::newRow("an early row written again at the end") << true;
    }

    void largeSheets()
    {
        QFETCH(bool, rewriteFirstRow);
        Desktop desktop;
        desktop.program("gnumeric", "printf '%s' \"$1\" > \"$0.opened\"\n");
        Pump pump;
        XlsxSpreadsheet spreadsheet(pump, desktop.environment(), desktop.dir.path(),
                                    desktop.dir.filePath("kept"));
        auto application = spreadsheet.start();
        Workbook& workbook = application->addWorkbook();
        QStringList expected;
        for (int row = 1; row <= 3000; ++row) {
            workbook.writeCell(row, 1, QString::number(row));
            workbook.writeCell(row, 3, QChar(0) + QString("row %1").arg(row) + QChar(0));
        }
        if (rewriteFirstRow) workbook.writeCell(1, 2, "again");
        for (int row = 1; row <= 3000; ++row) {
            expected << QString("%1,1=%1").arg(row);
            if (row == 1 && rewriteFirstRow) expected << "1,2=again";
            expected << QString("%1,3=_x0000_row %1_x0000_").arg(row);
        }
        application->show();
        QString opened;
        QTRY_VERIFY_WITH_TIMEOUT(!(opened =
                                       [&] {
                                           QFile file(desktop.dir.filePath("bin/gnumeric.opened"));
                                           return file.open(QIODevice::ReadOnly)
                                                      ? QString::fromUtf8(file.readAll())
                                                      : QString();
                                       }())
                                      .isEmpty(),
                                 10000);
        QCOMPARE(cellsOf(opened), expected);
        // Only the workbook is left in its folder.
        QCOMPARE(QDir(QFileInfo(opened).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void workbookNotShownLeavesNothing()
    {
        Desktop desktop;
        desktop.program("gnumeric");
        Pump pump;
        XlsxSpreadsheet spreadsheet(pump, desktop.environment(), desktop.dir.filePath("temp"),
                                    desktop.dir.filePath("kept"));
        QDir().mkpath(desktop.dir.filePath("temp"));
        {
            auto application = spreadsheet.start();
            Workbook& workbook = application->addWorkbook();
            for (int row = 1; row <= 3000; ++row) workbook.writeCell(row, 1, "x");
            QCOMPARE(QDir(desktop.dir.filePath("temp"))
                         .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                         .size(),
                     1);
        }
        QVERIFY(QDir(desktop.dir.filePath("temp"))
                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                    .isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestXlsxSpreadsheet)
#include "tst_xlsx_spreadsheet.moc"
