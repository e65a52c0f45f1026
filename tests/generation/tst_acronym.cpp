#include <QTest>

#include "generation/acronym.h"
#include "platform/platform_error.h"

using lexiquill::generation::buildAcronym;
using lexiquill::generation::progressPercent;

class TestAcronym : public QObject {
    Q_OBJECT

private slots:
    void acronym_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("acronym");
        QTest::newRow("three words") << "portable network graphics"
                                     << "P.N.G.";
        QTest::newRow("mixed case") << "As Soon As Possible"
                                    << "A.S.A.P.";
        QTest::newRow("one word") << "radar"
                                  << "R.";
        QTest::newRow("outer blanks are trimmed") << "  rock and roll  "
                                                  << "R.A.R.";
        QTest::newRow("two blanks inside give an empty word") << "rock  and roll"
                                                              << "R..A.R.";
        QTest::newRow("three blanks give two empty words") << "a   b"
                                                           << "A...B.";
        QTest::newRow("hyphen does not separate") << "x-ray vision"
                                                  << "X.V.";
        QTest::newRow("digit is kept") << "3d model"
                                       << "3.M.";
        QTest::newRow("tab does not separate") << "alpha\tbeta"
                                               << "A.";
        QTest::newRow("leading tab belongs to the first word") << "\talpha beta"
                                                               << "\t.B.";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("blanks only") << "     "
                                     << "";
        QTest::newRow("upper and lower give the same") << "Apple apple"
                                                       << "A.A.";
        QTest::newRow("non-ASCII letters are cased") << "élan über"
                                                     << "É.Ü.";
        QTest::newRow("no case mapping stays") << "日本 語"
                                               << "日.語.";
        QTest::newRow("a character outside the BMP is taken whole")
            << QString::fromUtf8("\xF0\x9F\x98\x80 smile")
            << QString::fromUtf8("\xF0\x9F\x98\x80.S.");
        QTest::newRow("and upper-cased whole")
            << QString::fromUtf8("\xF0\x90\x90\xA8xyz") << QString::fromUtf8("\xF0\x90\x90\x80.");
        QTest::newRow("half a pair, after a letter or at the end, stays as it is")
            << QString::fromUtf8("\xC3\xA9") + QChar(0xDC01) + " " + QChar(0xD801)
            << QString::fromUtf8("\xC3\x89.") + QChar(0xD801) + ".";
        QTest::newRow("non-breaking space does not separate") << QString("a\u00A0b c") << "A.C.";
    }

    void acronym()
    {
        QFETCH(QString, phrase);
        QFETCH(QString, acronym);
        const QString before = phrase;
        QCOMPARE(buildAcronym(phrase), acronym);
        QCOMPARE(phrase, before);
    }

    void manyWordsDoNotOverflow()
    {
        // Past the 32,767 words a 16-bit counter would hold.
        const QString phrase = QStringLiteral("w ").repeated(40000).trimmed();
        QCOMPARE(buildAcronym(phrase), QStringLiteral("W.").repeated(40000));
    }

    void progress_data()
    {
        QTest::addColumn<int>("i");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("value");
        QTest::newRow("first of three") << 1 << 3 << 33;
        QTest::newRow("second of three") << 2 << 3 << 66;
        QTest::newRow("last is 100") << 3 << 3 << 100;
        QTest::newRow("29 of 100 rounds down to 28") << 29 << 100 << 28;
        QTest::newRow("57 of 100 rounds down to 56") << 57 << 100 << 56;
        QTest::newRow("beyond 16 bits") << 40000 << 80000 << 50;
    }

    void progress()
    {
        QFETCH(int, i);
        QFETCH(int, count);
        QFETCH(int, value);
        QCOMPARE(progressPercent(i, count), value);
    }

    void progressOfNoRowsFails()
    {
        QVERIFY_THROWS_EXCEPTION(lexiquill::platform::PlatformError, progressPercent(1, 0));
    }
};

QTEST_APPLESS_MAIN(TestAcronym)
#include "tst_acronym.moc"
