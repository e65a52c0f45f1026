#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "command/app_identity.h"
#include "command/file_system.h"
#include "command/path_helpers.h"

using namespace lexiquill;

class TestAppIdentity : public QObject {
    Q_OBJECT

private slots:
    void applicationTitle_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("short name stays") << "Lexiquill"
                                          << "Lexiquill";
        const QString forty =
            QStringLiteral("a").repeated(19) + ' ' + QStringLiteral("b").repeated(20);
        QTest::newRow("exactly 40 stays") << forty << forty;
        // 46 characters whose last blank is the 38th: the first 37 remain.
        const QString name46 =
            QStringLiteral("x").repeated(37) + ' ' + QStringLiteral("y").repeated(8);
        QTest::newRow("cut at the last blank") << name46 << QStringLiteral("x").repeated(37);
        const QString twice = QStringLiteral("a").repeated(30) + " " +
                              QStringLiteral("b").repeated(12) + " " +
                              QStringLiteral("c").repeated(3);
        QTest::newRow("cut repeats while too long") << twice << QStringLiteral("a").repeated(30);
        QTest::newRow("no blank is cut at 40")
            << QStringLiteral("z").repeated(50) << QStringLiteral("z").repeated(40);
    }

    void applicationTitle()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QCOMPARE(command::applicationTitle(name), title);
    }

    void errorReportText()
    {
        QCOMPARE(
            command::errorReportText("Row 3 does not exist", "Form1", "PushButton2_Click", 116),
            QStringLiteral("Row 3 does not exist\r\nin Lexiquill2021/08/31.Form1.PushButton2_Click "
                           "at line 116\r\rPlease email screenshot of this message to ") +
                command::kSupportAddress);
    }

    void fileNameFromPath_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("backslashes") << "C:\\lists\\words.txt"
                                     << "words.txt";
        QTest::newRow("slashes") << "/home/ann/words.txt"
                                 << "words.txt";
        QTest::newRow("mixed, slash last") << "a\\b/c"
                                           << "c";
        QTest::newRow("mixed, backslash last") << "a/b\\c"
                                               << "c";
        QTest::newRow("no separator") << "portable network graphics"
                                      << "portable network graphics";
        QTest::newRow("trailing separator") << "folder\\"
                                            << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void fileNameFromPath()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(command::fileNameFromPath(text), name);
    }

    void fileExists()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath("HAND-M.CUR"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(command::fileExists(file.fileName()));
        QVERIFY(command::fileExists(dir.path()));
        QVERIFY(!command::fileExists(dir.filePath("missing.cur")));
        QVERIFY(!command::fileExists(QString()));
        QVERIFY(!command::fileExists(QString::fromUtf8("bad\0name", 8)));
        QVERIFY(!command::fileExists(dir.filePath("HAND-M.CUR/inside")));
    }
};

QTEST_APPLESS_MAIN(TestAppIdentity)
#include "tst_app_identity.moc"
