#include <QTest>

#include "shell/path_helpers.h"

using lexiquill::shell::CollapseDoubleBackslashes;
using lexiquill::shell::collapseDoubledSeparators;

class TestPathHelpers : public QObject {
    Q_OBJECT

private slots:
    void doubledBackslashesCollapse_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("collapsed");
        QTest::newRow("folder ending in a backslash, joined") << R"(C:\Lists\\a.txt)"
                                                              << R"(C:\Lists\a.txt)";
        QTest::newRow("three in a row become two") << R"(a\\\b)"
                                                   << R"(a\\b)";
        QTest::newRow("four in a row become two") << R"(a\\\\b)"
                                                  << R"(a\\b)";
        QTest::newRow("five in a row become three") << R"(a\\\\\b)"
                                                    << R"(a\\\b)";
        QTest::newRow("network folder keeps its two") << R"(\\server\share\\a.txt)"
                                                      << R"(\\server\share\a.txt)";
        QTest::newRow("one at the start becomes two") << R"(\a.txt)"
                                                      << R"(\\a.txt)";
        QTest::newRow("five at the start become two") << R"(\\\\\a\\b)"
                                                      << R"(\\a\b)";
        QTest::newRow("only backslashes give two") << R"(\\\)"
                                                   << R"(\\)";
        QTest::newRow("a single backslash gives two") << R"(\)"
                                                      << R"(\\)";
        QTest::newRow("empty stays empty") << ""
                                           << "";
        QTest::newRow("slashes are not backslashes") << "a//b"
                                                     << "a//b";
        QTest::newRow("doubled at the end") << R"(C:\a\\)"
                                            << R"(C:\a\)";
    }

    void doubledBackslashesCollapse() {
        QFETCH(QString, path);
        QFETCH(QString, collapsed);
        QCOMPARE(CollapseDoubleBackslashes(path), collapsed);
        // The same rule for this platform's separator.
        QString slashes = path;
        slashes.replace('\\', '/');
        QString expected = collapsed;
        expected.replace('\\', '/');
        if (!path.contains('/')) QCOMPARE(collapseDoubledSeparators(slashes, '/'), expected);
    }

    void slashRuleLeavesBackslashesAlone() {
        QCOMPARE(collapseDoubledSeparators(R"(/tmp/a\\b//c.txt)", '/'), R"(//tmp/a\\b/c.txt)");
    }
};

QTEST_APPLESS_MAIN(TestPathHelpers)
#include "tst_path_helpers.moc"
