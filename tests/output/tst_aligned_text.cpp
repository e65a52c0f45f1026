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
        QTest::newRow("two ticked rows: widths 10 and 6")
            << table({{"abcdefghij", "A.B."}, {"klmnopqrst", "K.L."}}, {true, true})
            << " Word(s)  \tResult\t\r\nabcdefghij\tA.B.  \t\r\nklmnopqrst\tK.L.  \t\r\n";
        QTest::newRow("empty list gives the header line alone")
            << table({}, {}) << " Word(s)\tResult\t\r\n";
        QTest::newRow("unticked rows still widen the header")
            << table({{"a much longer phrase", "X."}, {"b", "a long result"}}, {false, false})
            << " Word(s)            \tResult       \t\r\n";
        QTest::newRow("header wider than its cells pads every cell")
            << table({{"ab", "A."}}, {true})
            << " Word(s)\tResult\t\r\nab      \tA.    \t\r\n";
        QTest::newRow("only ticked rows, in list order")
            << table({{"one", "O."}, {"two", "T."}, {"three", "T."}}, {false, true, true})
            << " Word(s)\tResult\t\r\ntwo     \tT.    \t\r\nthree   \tT.    \t\r\n";
        QTest::newRow("cells keep their own blanks")
            << table({{" x ", " "}}, {true}) << " Word(s)\tResult\t\r\n x      \t      \t\r\n";
        QTest::newRow("non-ASCII counts UTF-16 units")
            << table({{QString::fromUtf8("Zürich straße 😀"), QString::fromUtf8("Z.S.😀")}}, {true})
            << QString::fromUtf8(" Word(s)        \tResult\t\r\nZürich straße 😀\tZ.S.😀\t\r\n");
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
        QTest::newRow("widths 10 and 4, last tab and trailing spaces cut")
            << table({{"abcdefghij", "A.B."}, {"klmno", "K."}}, {true, true})
            << "abcdefghij\tA.B.\r\nklmno     \tK.\r\n";
        QTest::newRow("no ticked row gives the empty text")
            << table({{"a", "A."}}, {false}) << "";
        QTest::newRow("headers neither appear nor widen")
            << table({{"ab", "A."}, {"c", "C."}}, {true, true}) << "ab\tA.\r\nc \tC.\r\n";
        QTest::newRow("single ticked row: single tab, no trailing spaces")
            << table({{"abc", "A."}, {"longer phrase", "L.P."}}, {true, false})
            << "abc          \tA.\r\n";
        QTest::newRow("empty last cell keeps the tab before it")
            << table({{"ab", ""}, {"abcd", "A."}}, {true, false}) << "ab  \t\r\n";
        QTest::newRow("empty last cell after padded first cell")
            << table({{"ab", ""}, {"abcd", "A."}, {"x", "Y."}}, {true, false, true})
            << "ab  \t\r\nx   \tY.\r\n";
        QTest::newRow("last cell loses its own trailing spaces")
            << table({{"a", "B.  "}}, {true}) << "a\tB.\r\n";
        QTest::newRow("tabs at the end are kept")
            << table({{"a", "B.\t "}}, {true}) << "a\tB.\t\r\n";
        QTest::newRow("all cells empty give a lone tab")
            << table({{"", ""}}, {true}) << "\t\r\n";
        QTest::newRow("non-ASCII counts UTF-16 units")
            << table({{QString::fromUtf8("😀"), "x"}, {"abc", "y"}}, {true, true})
            << QString::fromUtf8("😀 \tx\r\nabc\ty\r\n");
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
