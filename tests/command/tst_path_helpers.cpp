#include <QTest>

#include "command/path_helpers.h"

using lexiquill::command::collapseSeparators;

class TestPathHelpers : public QObject {
    Q_OBJECT

private slots:
    void separatorsCollapse_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("collapsed");
        QTest::newRow("the root folder joined with a name") << "//a.txt"
                                                            << "/a.txt";
        QTest::newRow("a folder ending in a separator, joined") << "/tmp/lists//a.txt"
                                                                << "/tmp/lists/a.txt";
        QTest::newRow("three in a row become one") << "a///b"
                                                   << "a/b";
        QTest::newRow("backslashes are names, not separators") << R"(/a\b)"
                                                               << R"(/a\b)";
        QTest::newRow("empty stays empty") << ""
                                           << "";
    }

    void separatorsCollapse()
    {
        QFETCH(QString, path);
        QFETCH(QString, collapsed);
        QCOMPARE(collapseSeparators(path), collapsed);
    }
};

QTEST_APPLESS_MAIN(TestPathHelpers)
#include "tst_path_helpers.moc"
