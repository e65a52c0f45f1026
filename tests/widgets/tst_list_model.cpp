#include <unistd.h>

#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "platform/platform_error.h"
#include "widgets/list_model.h"

using lexiquill::platform::PlatformError;
using lexiquill::widgets::ListModel;
using lexiquill::widgets::PackedRows;

namespace {

qint64 residentBytes()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

}  // namespace

class TestListModel : public QObject {
    Q_OBJECT

private slots:
    void rowsAreKeptExactlyAndNumberedFromOne()
    {
        ListModel model(true);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.addColumn(" Word(s)");
        model.addColumn("Result");
        QCOMPARE(model.append("  padded  "), 1);
        QCOMPARE(model.append(""), 2);
        QCOMPARE(model.append("  padded  "), 3);
        model.setSubText(3, 2, "P.");
        QCOMPARE(model.text(1), QStringLiteral("  padded  "));
        QCOMPARE(model.text(2), QString());
        QCOMPARE(model.subText(1, 2), QString());
        QCOMPARE(model.subText(3, 2), QStringLiteral("P."));
        QCOMPARE(model.header(1), QStringLiteral(" Word(s)"));
        QVERIFY(!model.checked(1));
        const quint64 changes = model.changeCount();
        model.remove(1);
        QVERIFY(model.changeCount() != changes);  // what the exports watch
        QCOMPARE(model.rows(), 2);
        QCOMPARE(model.subText(2, 2), QStringLiteral("P."));
    }

    void missingRowOrColumnIsAnError_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("row 0") << 0 << 2;
        QTest::newRow("row past the end") << 3 << 2;
        QTest::newRow("column 0") << 1 << 0;
        QTest::newRow("column past the end") << 1 << 3;
        QTest::newRow("column 1 is no sub-item") << 1 << 1;
    }

    void missingRowOrColumnIsAnError()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        ListModel model(false);
        model.addColumn("a");
        model.addColumn("b");
        model.append("one");
        model.append("two");
        QVERIFY_THROWS_EXCEPTION(PlatformError, model.subText(row, column));
        QVERIFY_THROWS_EXCEPTION(PlatformError, model.setSubText(row, column, "x"));
        QCOMPARE(model.rows(), 2);
    }

    void missingRowMessageIsReadable()
    {
        ListModel model(false);
        try {
            model.text(1);
            QFAIL("no error");
        } catch (const PlatformError& e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                     QStringLiteral("Row 1 does not exist: the list has 0 row(s)."));
        }
    }

    void viewsHearOfAppendedRowsInBatches()
    {
        ListModel model(true);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.addColumn("a");
        model.addColumn("b");
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 1000; ++i) model.append(QString::number(i));
        QCOMPARE(model.rows(), 1000);
        QCOMPARE(model.rowCount(), 0);
        QTRY_COMPARE(model.rowCount(), 1000);
        QCOMPARE(inserted.count(), 1);
        // Rows that views have not heard of yet can be changed and removed quietly.
        model.append("late");
        model.setSubText(1001, 2, "x");
        model.remove(1001);
        model.remove(1);
        QCOMPARE(model.rowCount(), 999);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("1"));
        model.publishRows();
        QCOMPARE(model.rowCount(), 999);
    }

    void ticksChangeOnlyThroughTheModelAndSignal()
    {
        ListModel model(true);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.addColumn("a");
        model.addColumn("b");
        model.append("row");
        model.publishRows();
        const QModelIndex first = model.index(0, 0);
        QVERIFY(model.flags(first) & Qt::ItemIsUserCheckable);
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable));
        QCOMPARE(first.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(first, Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!model.setData(first, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(changed.count(), 1);
        QVERIFY(model.checked(1));
        QVERIFY(!model.setData(first, "edited", Qt::EditRole));
        QCOMPARE(model.text(1), QStringLiteral("row"));
    }

    void wordListHasNoTickBoxes()
    {
        ListModel model(false);
        model.addColumn("a");
        model.append("row");
        model.publishRows();
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable));
        QVERIFY(!model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!model.index(0, 0).data(Qt::CheckStateRole).isValid());
    }

    // The packed rows against a plain list of the same texts: every text whole, in
    // one or two bytes a character, across blocks, with the second column set both
    // right after its row was appended and later, after removals.
    void rowsKeepTheirTextsWhateverTheirSize_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<int>>("removed");
        const qsizetype block = lexiquill::widgets::PackedRows::kBlockBytes;
        QTest::newRow("wider text after Latin-1 text, and back")
            << QStringList{"café", "Ωmega", "", "naïve", "a😀b", "ÿ"} << QList<int>{};
        QStringList many;
        for (int i = 0; i < 3000; ++i) many.append(QString(700 + i % 7, QChar(u'a' + i % 26)));
        many[1500] = QString(700, u'Ж');
        QTest::newRow("rows filling several blocks, removed at both ends and in the middle")
            << many << QList<int>{1, 2999, 1500, 1};
        // A surrogate pair across the end of what the list shows.
        const QString longWide = QString(4095, u'ж') + QStringLiteral("😀") + QString(block, u'ж');
        QTest::newRow("phrases longer than a block between short ones")
            << QStringList{"short", QString(2 * block, u'x'), "between", longWide, "after"}
            << QList<int>{2, 2};
        // Lengths are written seven bits a byte after two flag bits: each boundary of
        // that, and of a block of its own, in one and two bytes a character.
        QStringList lengths;
        for (const qsizetype n : {0, 1, 31, 32, 127, 128, 4095, 4096, 16383, 16384, 65535, 65536,
                                  131071, 131072, 524287, 524288}) {
            lengths << QString(n, QChar(char16_t(u'a' + lengths.size() % 26))) << QString(n, u'Ж')
                    << "b";
        }
        QTest::newRow("every length class of both encodings, each before another row")
            << lengths << QList<int>{};
    }

    void rowsKeepTheirTextsWhateverTheirSize()
    {
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, removed);
        ListModel model(true);
        model.addColumn("a");
        model.addColumn("b");
        QStringList second;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            model.append(texts[i]);
            second.append(i % 2 == 0 ? QStringLiteral("Ü") + texts[i].left(3) : QString());
            if (!second[i].isEmpty()) model.setSubText(model.rows(), 2, second[i]);
        }
        model.publishRows();
        QVERIFY(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
        QList<bool> ticked(texts.size(), false);
        ticked[0] = true;
        for (const int row : removed) {
            model.remove(row);
            texts.removeAt(row - 1);
            second.removeAt(row - 1);
            ticked.removeAt(row - 1);
        }
        for (int row = 1; row <= model.rows(); ++row) {
            if (!second[row - 1].isEmpty()) continue;
            second[row - 1] = texts[row - 1].right(2);
            model.setSubText(row, 2, second[row - 1]);
        }
        QCOMPARE(model.rows(), texts.size());
        for (int row = 1; row <= model.rows(); ++row) {
            const QString& text = texts[row - 1];
            QCOMPARE(model.text(row), text);
            QCOMPARE(model.subText(row, 2), second[row - 1]);
            QCOMPARE(model.checked(row), ticked[row - 1]);
            const qsizetype shown =
                text.size() > 4096 && text[4095].isHighSurrogate() ? 4095 : 4096;
            QCOMPARE(model.index(row - 1, 0).data().toString(), text.left(shown));
        }
    }

    // Memory is what counts here: the process's resident size before and after.
    void memoryFollowsTheTexts_data()
    {
        QTest::addColumn<bool>("large");
        QTest::newRow("two million short rows share blocks: under 24 bytes a row") << false;
        QTest::newRow("rows over 128 KiB give their memory back when replaced or removed") << true;
    }

    void memoryFollowsTheTexts()
    {
        QFETCH(bool, large);
#ifdef __SANITIZE_ADDRESS__
        if (large) QSKIP("the address sanitizer holds freed memory back");
#endif
        const qint64 before = residentBytes();
        PackedRows rows;
        const int count = large ? 64 : 2'000'000;
        for (int i = 0; i < count && !large; ++i) rows.append(QLatin1StringView("12345678"));
        for (int i = 0; i < count && large; ++i) {
            rows.append(QString(1 << 20, QChar(u'a' + i % 26)));
            rows.setText(0, 1, QString(1 << 19, u'Ж'));
            rows.remove(0);
        }
        const qint64 grown = residentBytes() - before;
        QVERIFY2(grown < (large ? 32 << 20 : 24 * count), qPrintable(QString::number(grown)));
    }

    void clearEmptiesEverything()
    {
        ListModel model(true);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.addColumn("a");
        model.addColumn("b");
        for (int i = 0; i < 10; ++i) model.setSubText(model.append("x"), 2, "y");
        model.publishRows();
        model.append("unpublished");
        model.clear();
        QCOMPARE(model.rows(), 0);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.append("again"), 1);
        QCOMPARE(model.subText(1, 2), QString());
    }
};

QTEST_GUILESS_MAIN(TestListModel)
#include "tst_list_model.moc"
