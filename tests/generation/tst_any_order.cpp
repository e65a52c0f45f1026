#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <numeric>

#include "generation/acrostic_cues.h"
#include "generation/any_order.h"

using lexiquill::generation::acrosticLetters;
using lexiquill::generation::KeySpelling;
using lexiquill::generation::orderThatSpells;

class TestAnyOrder : public QObject {
    Q_OBJECT

private slots:
    void spelling_data()
    {
        QTest::addColumn<QStringList>("starts");
        QTest::addColumn<QString>("key");  // empty: any key that spells the order
        QTest::addColumn<int>("spelling");
        QTest::addColumn<QList<qsizetype>>("order");  // empty: any
        QTest::newRow("the Great Lakes spell HOMES")
            << QStringList{"Huron", "Ontario", "Michigan", "Erie", "Superior"} << "HOMES"
            << int(KeySpelling::Word) << QList<qsizetype>{0, 1, 2, 3, 4};
        QTest::newRow("cues spell by their first letters")
            << QStringList{"Su", "Hu", "Mi", "On", "Er"} << "HOMES" << int(KeySpelling::Word)
            << QList<qsizetype>{1, 3, 2, 4, 0};
        QTest::newRow("BRICS spell CRIBS")
            << QStringList{"Brazil", "Russia", "India", "China", "South Africa"} << "CRIBS"
            << int(KeySpelling::Word) << QList<qsizetype>{3, 1, 2, 0, 4};
        QTest::newRow("no word of all: familiar words of two to four letters")
            << QStringList{"Fluorine", "Chlorine", "Bromine", "Iodine", "Astatine"} << "CAB IF"
            << int(KeySpelling::Words) << QList<qsizetype>{1, 4, 2, 3, 0};
        QTest::newRow("no vowel: the letters in the order likeliest in English")
            << QStringList{"Red", "Yellow", "Blue", "Green"} << "" << int(KeySpelling::Letters)
            << QList<qsizetype>{};
        QTest::newRow("equal initials keep their order")
            << QStringList{"Tom", "Tim", "Ox"} << "TOT" << int(KeySpelling::Word)
            << QList<qsizetype>{0, 2, 1};
        QTest::newRow("a start without a letter comes last, the key without it")
            << QStringList{"1984", "tiger", "cat", "ant"} << "ACT" << int(KeySpelling::Word)
            << QList<qsizetype>{3, 2, 1, 0};
        QTest::newRow("thirty items within a second, every one in the key")
            << QString("A B B C C C D D D G H I L L M M M M N N O O P P P S S T U W").split(' ')
            << "" << -1 << QList<qsizetype>{};
    }

    void spelling()
    {
        QFETCH(QStringList, starts);
        QFETCH(QString, key);
        QFETCH(int, spelling);
        QFETCH(QList<qsizetype>, order);
        QElapsedTimer timer;
        timer.start();
        const auto answer = orderThatSpells(starts);
        QVERIFY(timer.elapsed() < 1000);
        QString initials;
        for (const qsizetype i : answer.order) initials += acrosticLetters(starts.value(i), 1);
        QList<qsizetype> all(starts.size());
        std::iota(all.begin(), all.end(), 0);
        QVERIFY(
            std::is_permutation(all.begin(), all.end(), answer.order.begin(), answer.order.end()));
        QCOMPARE(QString(answer.key).remove(u' '), initials);
        if (!key.isEmpty()) QCOMPARE(answer.key, key);
        if (spelling >= 0) QCOMPARE(int(answer.spelling), spelling);
        if (!order.isEmpty()) QCOMPARE(answer.order, order);
    }
};

QTEST_GUILESS_MAIN(TestAnyOrder)
#include "tst_any_order.moc"
