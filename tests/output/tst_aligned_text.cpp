#include <QTest>

#include "output/aligned_text.h"

using lexiquill::output::Table;

namespace {

const QStringList kHeaders{" Word(s)", "Result"};

Table table(const QList<QStringList>& rows, const QList<bool>& ticked)
{
    return Table{kHeaders, rows, ticked};
}

}  // namespace

Q_DECLARE_METATYPE(Table)

class TestAlignedText : public QObject {
    Q_OBJECT

private slots:
    void fileText_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<QString>("text");
        QTest::newRow("only ticked rows, in list order")
            << table({{"one", "O."}, {"two", "T."}, {"three", "T."}}, {false, true, true})
            << " Word(s)\tResult\t\r\ntwo     \tT.    \t\r\nthree   \tT.    \t\r\n";
        QTest::newRow("cells keep their own blanks")
            << table({{" x ", " "}}, {true}) << " Word(s)\tResult\t\r\n x      \t      \t\r\n";
    }

    void fileText()
    {
        QFETCH(Table, table);
        QFETCH(QString, text);
        QCOMPARE(lexiquill::output::alignedFileText(table), text);
    }

    void clipboardText_data()
    {
        QTest::addColumn<Table>("table");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty last cell after padded first cell")
            << table({{"ab", ""}, {"abcd", "A."}, {"x", "Y."}}, {true, false, true})
            << "ab  \t\r\nx   \tY.\r\n";
        QTest::newRow("tabs at the end are kept")
            << table({{"a", "B.\t "}}, {true}) << "a\tB.\t\r\n";
        QTest::newRow("all cells empty give a lone tab")
            << table({{"", ""}}, {true}) << "\t\r\n";
    }

    void clipboardText()
    {
        QFETCH(Table, table);
        QFETCH(QString, text);
        QCOMPARE(lexiquill::output::clipboardText(table), text);
    }

    void longCellGetsTheTabAlone()
    {
        QString line;
        lexiquill::output::appendAlignedCell(line, "abcdef", 3);
        QCOMPARE(line, QStringLiteral("abcdef\t"));
    }

    void clipboardLineEndNeverReachesAnEarlierLine()
    {
        QString buffer = QStringLiteral("a  \r\n");
        lexiquill::output::finishClipboardLine(buffer, buffer.size());
        QCOMPARE(buffer, QStringLiteral("a  \r\n\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestAlignedText)
#include "tst_aligned_text.moc"
