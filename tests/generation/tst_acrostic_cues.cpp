#include <QRegularExpression>
#include <QTest>

#include "generation/acrostic_cues.h"

using lexiquill::generation::acrosticCues;
using lexiquill::generation::fitToCues;

class TestAcrosticCues : public QObject {
    Q_OBJECT

private slots:
    void cues_data()
    {
        QTest::addColumn<QStringList>("phrases");
        QTest::addColumn<QStringList>("cues");
        QTest::newRow("cranial nerves: shared initials get two or three letters")
            << QStringList{"Olfactory",        "Optic",    "Oculomotor", "Trochlear",
                           "Trigeminal",       "Abducens", "Facial",     "Vestibulocochlear",
                           "Glossopharyngeal", "Vagus",    "Accessory",  "Hypoglossal"}
            << QStringList{"Ol", "Op", "Oc", "Tro", "Tri", "Ab", "F", "Ve", "G", "Va", "Ac", "H"};
        QTest::newRow("an initial no other shares keeps one letter")
            << QStringList{"mercury", "venus", "earth"} << QStringList{"M", "V", "E"};
        QTest::newRow("the same first three letters keep one letter, the others still split")
            << QStringList{"Catherine", "Cathedral", "Cromwell"} << QStringList{"C", "C", "Cr"};
        QTest::newRow("items sharing leading words take the first word where they differ")
            << QStringList{"Stratum corneum", "stratum Lucidum", "(1) New Hampshire", "New York",
                           "North Carolina"}
            << QStringList{"C", "L", "H", "Y", "N"};
        QTest::newRow("small words after the shared ones are passed over")
            << QStringList{"Catherine of Aragon", "Catherine Howard", "Anne of Cleves",
                           "Anne Boleyn",         "The Hague",        "The Netherlands",
                           "Jane Seymour"}
            << QStringList{"A", "Ho", "C", "B", "Ha", "N", "J"};
        QTest::newRow("the words where items differ split into cues as initials do")
            << QStringList{"Stratum spinosum", "Stratum superficiale", "Stratum basale"}
            << QStringList{"Sp", "Su", "B"};
        QTest::newRow("an item that is another's leading words, or the same, keeps its start")
            << QStringList{"New", "New York", "Adams", "adams", "World War 1", "World War 2"}
            << QStringList{"N", "Y", "A", "A", "W", "W"};
        QTest::newRow("two equal phrases keep one letter")
            << QStringList{"Adams", "Adams", "Jefferson"} << QStringList{"A", "A", "J"};
        QTest::newRow("a phrase that begins another keeps one letter, the longer splits")
            << QStringList{"Ol", "Olfactory", "Old"} << QStringList{"O", "Olf", "Old"};
        QTest::newRow("one-letter phrases: alone one letter, beside another the other splits")
            << QStringList{"a", "b", "bee"} << QStringList{"A", "B", "Be"};
        QTest::newRow("blanks, digits and punctuation are skipped, case does not count")
            << QStringList{"  (o-l)ive", "3 OPAL", "x"} << QStringList{"Ol", "Op", "X"};
        QTest::newRow("accented letters are skipped as the acrostic skips them")
            << QStringList{"Ödem", "Ostium", "Éclair", "Clever"}
            << QStringList{"D", "O", "Cla", "Cle"};
        QTest::newRow("a phrase without a letter gets no cue and shares nothing")
            << QStringList{"42", "Oak", "...", "Elm"} << QStringList{"", "O", "", "E"};
        QTest::newRow("no phrases") << QStringList{} << QStringList{};
    }

    void cues()
    {
        QFETCH(QStringList, phrases);
        QFETCH(QStringList, cues);
        QCOMPARE(acrosticCues(phrases), cues);
    }

    void fitting_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("cues");
        QTest::addColumn<QStringList>("served");  // "cue:word word ..." for each cue asked
        QTest::addColumn<QStringList>("fitted");  // words, cues, what was asked, the cues cut
        QTest::newRow("each word of a longer cue is replaced by the first served")
            << QStringList{"Orange", "Onion", "Tiny", "Tough"}
            << QStringList{"Ol", "Op", "Tro", "Tri"}
            << QStringList{"Ol:Old Olive", "Op:Open", "Tro:Trout", "Tri:Trim"}
            << QStringList{"Old Open Trout Trim", "Ol Op Tro Tri", "Ol@0:1 Op@1:1 Tro@2:1 Tri@3:1",
                           ""};
        QTest::newRow("words the sentence has are passed over, and asked for beyond")
            << QStringList{"Olive", "Old", "Onion"} << QStringList{"O", "O", "Ol"}
            << QStringList{"Ol:Olive old Oldest"}
            << QStringList{"Olive Old Oldest", "O O Ol", "Ol@2:3", ""};
        QTest::newRow("no word for a cue, or none that begins with it: the cue keeps its letter")
            << QStringList{"Quick", "Quiet", "Tiny"} << QStringList{"Qz", "Qu", "Tro"}
            << QStringList{"Qz:", "Qu:Tiny Quilt", "Tro:Tiny"}
            << QStringList{"Quick Quilt Tiny", "Q Qu T", "Qz@0:1 Qu@1:2 Tro@2:1", "Q T"};
        QTest::newRow("a cut word that another cue took gives way to a fresh word of its letter")
            << QStringList{"Open", "Olive"} << QStringList{"Ol", "Olf"}
            << QStringList{"Ol:Olive Old", "Olf:", "O:Olive Oak"}
            << QStringList{"Olive Oak", "Ol O", "Ol@0:1 Olf@1:1 O@1:2", "O"};
        QTest::newRow("one-letter cues ask nothing; a sentence cut short asks no more")
            << QStringList{"Ant"} << QStringList{"A", "Be"} << QStringList{}
            << QStringList{"Ant", "A Be", "", ""};
    }

    void fitting()
    {
        QFETCH(QStringList, words);
        QFETCH(QStringList, cues);
        QFETCH(QStringList, served);
        QFETCH(QStringList, fitted);
        QStringList asked;
        const QList<qsizetype> cut =
            fitToCues(words, cues, [&](qsizetype at, const QString& cue, int count) {
                asked << QStringLiteral("%1@%2:%3").arg(cue).arg(at).arg(count);
                const QString answer = served.filter(QRegularExpression('^' + cue + ':')).value(0);
                return answer.section(':', 1).split(' ', Qt::SkipEmptyParts);
            });
        QStringList cutCues;
        for (const qsizetype i : cut) cutCues << cues[i];
        QCOMPARE((QStringList{words.join(' '), cues.join(' '), asked.join(' '), cutCues.join(' ')}),
                 fitted);
    }
};

QTEST_GUILESS_MAIN(TestAcrosticCues)
#include "tst_acrostic_cues.moc"
