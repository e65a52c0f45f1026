#include <QTest>

#include "generation/mnemonic.h"

using lexiquill::generation::findMnemonicWords;
using lexiquill::generation::mnemonicQueryUrl;
using lexiquill::generation::servedMnemonicWords;

namespace {

// A page in the service's format: each word as "<big>X</big>rest<br>".
QString page(const QStringList& words)
{
    QString text = QStringLiteral("<html><body>\n");
    for (const QString& word : words) {
        text += QStringLiteral("<big>") + word.left(1) + QStringLiteral("</big>") + word.mid(1) +
                QStringLiteral("<br>\n");
    }
    return text + QStringLiteral("</body></html>");
}

const QString kBase = QStringLiteral("http://127.0.0.1:47800");

// The words the window finds for the phrase.
QStringList wordsFound(const QString& phrase, const QString& page)
{
    QStringList words;
    for (const auto& word : findMnemonicWords(phrase, page)) words.append(word.text);
    return words;
}

}  // namespace

class TestMnemonic : public QObject {
    Q_OBJECT

private slots:
    void queryUrl_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("url");
        const QString path = kBase + QStringLiteral("/mnemonics/?w=");
        QTest::newRow("blank becomes plus") << "ice cream" << path + "ice+cream";
        QTest::newRow("two blanks give two plus signs") << "ice  cream" << path + "ice++cream";
        QTest::newRow("outer blanks are kept") << " cat " << path + "+cat+";
        QTest::newRow("case is kept") << "Cat" << path + "Cat";
        QTest::newRow("ampersand, hash, question mark and plus go unescaped")
            << "a&b#c?d+e" << path + "a&b#c?d+e";
        QTest::newRow("percent and non-ASCII go unescaped") << "100% über" << path + "100%+über";
        QTest::newRow("tab is not a blank") << "a\tb" << path + "a\tb";
        QTest::newRow("empty phrase") << "" << path;
    }

    void queryUrl()
    {
        QFETCH(QString, phrase);
        QFETCH(QString, url);
        QCOMPARE(mnemonicQueryUrl(kBase, phrase), url);
    }

    void exactQueryUrl_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("url");
        const QString path = kBase + QStringLiteral("/mnemonics/?seed=7&w=");
        QTest::newRow("the seed first, then the phrase with all but -._~ escaped")
            << "x&seed=1 #+%~" << path + "x%26seed%3D1%20%23%2B%25~";
        QTest::newRow("non-ASCII as UTF-8 escapes") << "über" << path + "%C3%BCber";
    }

    void exactQueryUrl()
    {
        QFETCH(QString, phrase);
        QFETCH(QString, url);
        QCOMPARE(mnemonicQueryUrl(kBase, phrase, {.exactPhrase = true, .seed = 7}), url);
    }

    void extraction_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("words");

        const QString cat = page({"Clever", "Ants", "Travel"});
        const QStringList catWords{"Clever", "Ants", "Travel"};
        // Matching
        QTest::newRow("one word per letter, in order") << "cat" << cat << catWords;
        QTest::newRow("blanks between letters are skipped") << "c a t" << cat << catWords;
        QTest::newRow("outer and double blanks are skipped") << "  c  at " << cat << catWords;
        QTest::newRow("upper-case phrase matches too") << "CAT" << cat << catWords;
        QTest::newRow("lower-case markers match nothing")
            << "cat"
            << "<big>c</big>lever<br><big>a</big>nts<br>" << QStringList{};
        QTest::newRow("capital tags match nothing")
            << "cat"
            << "<BIG>C</BIG>lever<br><big>A</big>nts<br>" << QStringList{};
        QTest::newRow("capital terminator is no terminator")
            << "c"
            << "<big>C</big>lever<BR>x<br>" << QStringList{"Clever<BR>x"};
        QTest::newRow("non-ASCII letter is upper-cased")
            << "élan" << page({"Élan", "Lion", "Ape", "Nest"})
            << QStringList{"Élan", "Lion", "Ape", "Nest"};

        // Where the search goes on
        QTest::newRow("repeated letter finds the same marker again")
            << "book" << page({"Big", "Old", "Open", "Kite"})
            << QStringList{"Big", "Old", "Old", "Kite"};
        QTest::newRow("repeated letter across a blank finds the same marker")
            << "a a" << page({"Ape", "Ant"}) << QStringList{"Ape", "Ape"};
        QTest::newRow("the first marker of a letter is taken")
            << "c" << page({"Cow", "Cat"}) << QStringList{"Cow"};
        QTest::newRow("a letter is searched only after the previous marker")
            << "ta" << page({"Ant", "Top"}) << QStringList{"Top"};
        QTest::newRow("a missing marker ends the phrase")
            << "cat" << page({"Clever", "Travel"}) << QStringList{"Clever"};
        QTest::newRow("letters after a missing one take nothing, though present")
            << "cxa" << page({"Cat", "Ant"}) << QStringList{"Cat"};
        QTest::newRow("a marker without a later terminator takes no word")
            << "ab"
            << "<big>A</big>pe<big>B</big>ee" << QStringList{};
        QTest::newRow("after a marker without terminator the search starts there")
            << "ab"
            << "<big>B</big>ee<br><big>A</big>pe" << QStringList{};
        QTest::newRow("without a terminator between, a word runs into the next marker")
            << "ca"
            << "<big>C</big>at<big>A</big>nt<br>" << QStringList{"Cat<big>A</big>nt", "Ant"};

        // Which characters are looked up
        QTest::newRow("a digit is looked up like a letter")
            << "1a"
            << "<big>1</big>st<br><big>A</big>pe<br>" << QStringList{"1st", "Ape"};
        QTest::newRow("a digit without marker ends the phrase")
            << "a1b" << page({"Ape", "Bee"}) << QStringList{"Ape"};
        QTest::newRow("a tab is looked up, not skipped")
            << "a\tb" << page({"Ape", "Bee"}) << QStringList{"Ape"};
        QTest::newRow("a non-breaking space is looked up, not skipped")
            << QString("a\u00A0b") << page({"Ape", "Bee"}) << QStringList{"Ape"};
        QTest::newRow("punctuation ends the phrase")
            << "a-b" << page({"Ape", "Bee"}) << QStringList{"Ape"};

        // What a word holds
        QTest::newRow("a word may be the letter alone") << "i"
                                                        << "<big>I</big><br>" << QStringList{"I"};
        QTest::newRow("tags, entities and blanks stay in the word")
            << "t"
            << "<big>T</big> o&amp;<i>p</i> <br>" << QStringList{"T o&amp;<i>p</i> "};
        QTest::newRow("a terminator before the marker does not count")
            << "c"
            << "<br><big>C</big>at<br>" << QStringList{"Cat"};
        QTest::newRow("a marker at the very end takes no word") << "c"
                                                                << "<big>C</big>" << QStringList{};
        QTest::newRow("a marker closes right after its letter")
            << "c"
            << "<big>Cat</big>x<br>" << QStringList{};
        QTest::newRow("a half marker is no marker") << "c"
                                                    << "<big>C</big<br>" << QStringList{};

        // Nothing to work on
        QTest::newRow("empty page") << "cat"
                                    << "" << QStringList{};
        QTest::newRow("empty phrase") << "" << cat << QStringList{};
        QTest::newRow("blanks only") << "   " << cat << QStringList{};
        QTest::newRow("page without markers") << "cat"
                                              << "<html>Service busy</html>" << QStringList{};
    }

    void extraction()
    {
        QFETCH(QString, phrase);
        QFETCH(QString, page);
        QFETCH(QStringList, words);
        QCOMPARE(wordsFound(phrase, page), words);
    }

    void served_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("a repeated letter keeps its own word")
            << page({"Big", "Old", "Open", "Kite"}) << QStringList{"Big", "Old", "Open", "Kite"};
        QTest::newRow("text around and between markers is skipped")
            << "x<br><big>A</big>pe<br>y<big>B</big><br>z" << QStringList{"Ape", "B"};
        QTest::newRow("a half marker is no marker")
            << "<big>C</big<br><big>D</big>og<br><big>" << QStringList{"Dog"};
        QTest::newRow("a marker without a terminator ends the list")
            << "<big>A</big>pe<big>B</big>ee" << QStringList{};
        QTest::newRow("page without markers") << "<html>Service busy</html>" << QStringList{};
    }

    void served()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, words);
        QCOMPARE(servedMnemonicWords(page), words);
    }

    void aPhraseLongerThan32767CharactersGetsAWordPerLetter()
    {
        const QString phrase = QString(40'000, QLatin1Char('a')) + QStringLiteral(" b");
        const auto words = lexiquill::generation::findMnemonicWords(phrase, page({"Ape", "Bee"}));
        QCOMPARE(words.size(), 40'001);
        QCOMPARE(words.first().text, QStringLiteral("Ape"));
        QCOMPARE(words.last().text, QStringLiteral("Bee"));
        QCOMPARE(words.last().at, 40'001);  // the index of its character, past the blank
    }
};

QTEST_GUILESS_MAIN(TestMnemonic)
#include "tst_mnemonic.moc"
