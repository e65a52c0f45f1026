// lexiquill --acronyms and --mnemonics as a user runs them: the real executable, with
// no display, against real files, pipes and a real mnemonic service on loopback.

#include <fcntl.h>
#include <unistd.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <thread>

#include "service/mnemonic_server.h"
#include "support/flashcard_reader.h"
#include "support/loopback_server.h"

namespace {

struct Result {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// A phrase with a tab, quotes, a comma, text outside ASCII, a backslash and a control
// character, and a plain one.
const QByteArray kAwkwardInput =
    "say \"hi\",\tworld \xC3\xBCn\xC3\xAF\\\x1f\r\nportable network graphics\n";

class TestCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // Arguments before the first option that read NAME=value set the environment, as
    // in a shell. childSetup runs in the child before the program starts.
    Result run(QStringList arguments, const QByteArray& input = {}, const QString& outputFile = {},
               const std::function<void()>& childSetup = {})
    {
        QProcess program;
        if (!outputFile.isEmpty()) program.setStandardOutputFile(outputFile);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LEXIQUILL_SERVICE_URL"}) {
            env.remove(QString::fromLatin1(name));
        }
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path());
        while (!arguments.isEmpty() && arguments.first().contains(u'=') &&
               !arguments.first().startsWith(u'-')) {
            const QString setting = arguments.takeFirst();
            env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        }
        program.setProcessEnvironment(env);
        if (childSetup) program.setChildProcessModifier(childSetup);
        program.start(QStringLiteral(LEXIQUILL_EXECUTABLE), arguments);
        program.write(input);
        program.closeWriteChannel();
        if (!program.waitForFinished(30000)) return {};
        return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                program.readAllStandardOutput(), program.readAllStandardError()};
    }

    QString file(const QString& name, const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
        return f.fileName();
    }

private slots:
    void formats_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("tsv by default escapes the tab and the backslash, keeps quotes and commas")
            << QStringList{"--acronyms"}
            << QByteArray(
                   "say \"hi\",\\tworld \xC3\xBCn\xC3\xAF\\\\\x1f\tS.\".\xC3\x9C.\n"
                   "portable network graphics\tP.N.G.\n");
        QTest::newRow("csv quotes fields with quotes and commas, CR LF")
            << QStringList{"--acronyms", "--format", "csv"}
            << QByteArray(
                   "\"say \"\"hi\"\",\tworld \xC3\xBCn\xC3\xAF\\\x1f\",\"S.\"\".\xC3\x9C.\"\r\n"
                   "portable network graphics,P.N.G.\r\n");
        QTest::newRow("json lines escape the quote, the tab and the backslash")
            << QStringList{"--acronyms", "--format=json"}
            << QByteArray(
                   "{\"phrase\": \"say \\\"hi\\\",\\tworld \xC3\xBCn\xC3\xAF\\\\\\u001f\", "
                   "\"acronym\": \"S.\\\".\xC3\x9C.\"}\n"
                   "{\"phrase\": \"portable network graphics\", \"acronym\": \"P.N.G.\"}\n");
        QTest::newRow("text as the text file: header, widths in UTF-16 units, tab after each")
            << QStringList{"--acronyms", "--format", "text", "-"}
            << QByteArray(
                   " Word(s)                 \tResult\t\r\n"
                   "say \"hi\",\tworld \xC3\xBCn\xC3\xAF\\\x1f    \tS.\".\xC3\x9C.\t\r\n"
                   "portable network graphics\tP.N.G.\t\r\n");
    }

    void formats()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const Result result = run(arguments, kAwkwardInput);
        QCOMPARE(result.err, QByteArray());
        QCOMPARE(result.out, expected);
        QCOMPARE(result.status, 0);
    }

    void cards_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("notes");  // "front|back|deck" as read, HTML: patterns
        const auto literally = [](const QStringList& notes) {
            QStringList patterns;
            for (const QString& note : notes) patterns << QRegularExpression::escape(note);
            return patterns;
        };
        const QString awkward = QString::fromUtf8(kAwkwardInput).section("\r\n", 0, 0);
        QTest::newRow(
            "a note a phrase, HTML read back as it was; a blank or repeated one makes none")
            << QStringList{"--acronyms", "--format", "cards"}
            << kAwkwardInput + "\"hi\" there\n \n\na<b & c\nportable network graphics\n"
            << literally({QString(awkward).replace("\"", "&quot;").replace("\t", "&#9;") +
                              "|S.&quot;.\u00dc.|Lexiquill",
                          "portable network graphics|P.N.G.|Lexiquill",
                          "&quot;hi&quot; there|&quot;.T.|Lexiquill",
                          "a&lt;b &amp; c|A.&amp;.C.|Lexiquill"});
        QTest::newRow("--deck names the deck, a quote in it quoted")
            << QStringList{"--acronyms", "--format=cards", "--deck", "Anatomy::\"Nerves\""}
            << QByteArray("ox") << literally({"ox|O.|Anatomy::\"Nerves\""});
        QTest::newRow("an acrostic is one card: the items; the key, sentence and each item's word")
            << QStringList{"--mnemonics", "--acrostic", "--any-order", "--format", "cards"}
            << QByteArray("Superior\nHuron\nOntario\nMichigan\nErie\n")
            << QStringList{
                   "Huron<br>Ontario<br>Michigan<br>Erie<br>Superior\\|<b>HOMES</b><br>H\\w+,? "
                   "O\\w+,? M\\w+,? E\\w+,? S\\w+\\.<br><br><b>H</b>uron: "
                   "<b>H</b>\\w+<br><b>O</b>ntario: "
                   "<b>O</b>\\w+<br><b>M</b>ichigan: <b>M</b>\\w+<br><b>E</b>rie: <b>E</b>\\w+<br>"
                   "<b>S</b>uperior: <b>S</b>\\w+\\|Lexiquill"};
    }

    void cards()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QStringList, notes);
        lexiquill::service::MnemonicServer server;
        QVERIFY(server.start("127.0.0.1", 0));
        const Result result = run(
            arguments << "--service" << QStringLiteral("http://127.0.0.1:%1").arg(server.port()),
            input);
        const lexiquill::test::FlashcardFile cards = lexiquill::test::readFlashcards(result.out);
        QVERIFY2(cards.ok, qPrintable(cards.error));
        QCOMPARE(cards.headers, (QMap<QString, QString>{{"separator", "Tab"},
                                                        {"html", "true"},
                                                        {"tags", "lexiquill"},
                                                        {"guid column", "1"},
                                                        {"deck column", "4"}}));
        QCOMPARE(cards.notes.size(), notes.size());
        for (int i = 0; i < notes.size(); ++i) {
            const QStringList& note = cards.notes[i];
            const QString shown = note.mid(1).join(u'|');
            QVERIFY2(QRegularExpression("^" + notes[i] + "$").match(shown).hasMatch(),
                     qPrintable(shown));
            QVERIFY(note[0].contains(QRegularExpression("^[0-9a-f]{20}$")));
        }
        QCOMPARE(result.status, 0);
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");  // a pattern stderr must match
        QTest::addColumn<QByteArray>("out");
        const QString hint = QStringLiteral("\nTry 'lexiquill --help' for more information.\n$");
        QTest::newRow("unknown option") << QStringList{"--acronyms", "--colour"} << 2
                                        << "Unknown option 'colour'\\." + hint << QByteArray();
        QTest::newRow("unknown format")
            << QStringList{"--acronyms", "--format", "xml"} << 2
            << "unknown format 'xml' \\(tsv, text, csv, json or cards\\)" + hint << QByteArray();
        QTest::newRow("--sentence without --mnemonics")
            << QStringList{"--acronyms", "--sentence"} << 2 << "--sentence needs --mnemonics" + hint
            << QByteArray();
        QTest::newRow("a seed that is no whole number")
            << QStringList{"--mnemonics", "--seed", "-3"} << 2 << "not '-3'" + hint << QByteArray();
        QTest::newRow("a seed with a sign") << QStringList{"--mnemonics", "--seed", "+5"} << 2
                                            << "not '\\+5'" + hint << QByteArray();
        QTest::newRow("port 0 for the service")
            << QStringList{"--acronyms", "--service", "http://127.0.0.1:0"} << 2
            << "its port is outside 1 to 65535\\." + hint << QByteArray();
        QTest::newRow("an empty --service") << QStringList{"--acronyms", "--service", " "} << 2
                                            << "--service needs an address" + hint << QByteArray();
        QTest::newRow("a bad address from the environment is no usage error")
            << QStringList{"LEXIQUILL_SERVICE_URL=http://[::1]:0", "--mnemonics"} << 1
            << "^lexiquill: The mnemonic service address 'http://\\[::1\\]:0' \\(from "
               "LEXIQUILL_SERVICE_URL\\) is not usable: its port is outside 1 to 65535\\.\n$"
            << QByteArray();
        QTest::newRow("the window's -style is no option here")
            << QStringList{"--acronyms", "-style", file("style.txt", "a b")} << 2
            << "Unknown option 'style'\\." + hint << QByteArray();
        QTest::newRow("malformed service address")
            << QStringList{"--mnemonics", "--service", "http//x"} << 2
            << "'http//x' \\(from --service\\) is not a valid URL." + hint << QByteArray();
        QTest::newRow("missing file is reported, the next still done")
            << QStringList{"--acronyms", "no-such.txt", file("ok.txt", "as soon as possible")} << 1
            << "^lexiquill: no-such.txt: No such file or directory\n$"
            << QByteArray("as soon as possible\tA.S.A.P.\n");
        QTest::newRow("control characters in a name, DEL and C1 ones too, are shown escaped")
            << QStringList{"--acronyms", "no\x1b[2J\x01\x7f\xc2\x85\xc2\x9b"} << 1
            << "^lexiquill: no\\\\x1b\\[2J\\\\x01\\\\x7f\\\\x85\\\\x9b: No such file"
            << QByteArray();
        QTest::newRow("a line over 64 MiB is named and left out, the run goes on")
            << QStringList{"--acronyms",
                           file("long.txt", "a\n" + QByteArray((64 << 20) + 1, 'x') + "\nb")}
            << 1 << "^lexiquill: [^\\n]*long.txt: line 2 is longer than 64 MiB; it is left out\n$"
            << QByteArray("a\tA.\nb\tB.\n");
        QTest::newRow("a JSON field far longer than the output block")
            << QStringList{"--acronyms", "--format", "json", file("zeros", QByteArray(11606, 0))}
            << 0 << "^$"
            << "{\"phrase\": \"" + QByteArray("\\u0000").repeated(11606) +
                   "\", \"acronym\": \"\\u0000.\"}\n";
        QTest::newRow("a folder is reported") << QStringList{"--acronyms", m_dir.path()} << 1
                                              << ": Is a directory\n$" << QByteArray();
        QTest::newRow("--cues without --acrostic")
            << QStringList{"--mnemonics", "--cues"} << 2 << "--cues needs --acrostic" + hint
            << QByteArray();
        QTest::newRow("--deck without --format cards")
            << QStringList{"--acronyms", "--deck", "x"} << 2 << "--deck needs --format cards" + hint
            << QByteArray();
        const auto deck = [](const QString& name) {
            return QStringList{"--acronyms", "--format=cards", "--deck", name};
        };
        QTest::newRow("a deck name with a line break")
            << deck("a\nb") << 2 << "--deck: the deck name holds a tab, a line break"
            << QByteArray();
        QTest::newRow("a deck name of digits would be a deck's id to Anki")
            << deck("2024") << 2
            << "the deck name is a number, which Anki would take for the id of a deck" + hint
            << QByteArray();
        QTest::newRow("an empty part between ::")
            << deck("a:: ::b") << 2
            << "empty part between \"::\", which Anki would call \"blank\"" + hint << QByteArray();
        QTest::newRow("a blank deck name")
            << deck(" ") << 2 << "the deck name is empty" + hint << QByteArray();
        QTest::newRow("--any-order without --acrostic")
            << QStringList{"--mnemonics", "--any-order"} << 2
            << "--any-order needs --acrostic" + hint << QByteArray();
        QTest::newRow("a list too long for one sentence says so")
            << QStringList{"--mnemonics", "--acrostic",
                           file("many.txt", QByteArray("t\n").repeated(10000)), "--service",
                           QStringLiteral("http://127.0.0.1:%1")
                               .arg(lexiquill::test::freeLoopbackPort())}
            << 1
            << "^lexiquill: The list has 10000 items, too many for one sentence: it takes at most "
               "8163\n$"
            << QByteArray();
        QTest::newRow("full disk on standard output")
            << QStringList{"--acronyms", file("out.txt", "a b"), "--format", "json"} << 1
            << "^lexiquill: write error: No space left on device\n$" << QByteArray();
    }

    void errors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QByteArray, out);
        const bool full = QTest::currentDataTag() == QLatin1String("full disk on standard output");
        const Result result = run(arguments, {}, full ? QStringLiteral("/dev/full") : QString());
        QVERIFY2(QString::fromLocal8Bit(result.err).contains(QRegularExpression(message)),
                 result.err.constData());
        QCOMPARE(result.out, out);
        QCOMPARE(result.status, status);
    }

    void service_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("out");  // a pattern
        QTest::addColumn<QString>("err");
        const QString word = QStringLiteral("[^\\t\\n ]*");
        QTest::newRow("a row per letter, none for an empty phrase")
            << QStringList{"--mnemonics"} << QByteArray("cat\n\nox")
            << QStringLiteral("^cat\tC%1\ncat\tA%1\ncat\tT%1\nox\tO%1\nox\tX%1\n$").arg(word)
            << QString();
        QTest::newRow("a sentence per phrase, also an empty one")
            << QStringList{"--mnemonics", "--sentence"} << QByteArray("cat\n\nox\n")
            << QStringLiteral("^cat\tC%1 A%1 T%1\n\t\nox\tO%1 X%1\n$").arg(word) << QString();
        QTest::newRow("json words")
            << QStringList{"--mnemonics", "--format", "json"} << QByteArray("ox")
            << QStringLiteral("^\\{\"phrase\": \"ox\", \"words\": \\[\"O%1\", \"X%1\"\\]\\}\n$")
                   .arg(word)
            << QString();
        // The service draws no word twice in a page: each letter keeps its own.
        QTest::newRow("a repeated letter keeps its own word, a digit is skipped")
            << QStringList{"--mnemonics"} << QByteArray("ee9e")
            << QStringLiteral(
                   "^ee9e\tE([a-z]+)\nee9e\tE(?!\\1\n)([a-z]+)\nee9e\tE(?!\\1\n|\\2\n)[a-z]+\n$")
            << QString();
        QTest::newRow("sentence of a word with a repeated letter")
            << QStringList{"--mnemonics", "--sentence", "--format", "csv"} << QByteArray("book")
            << QStringLiteral(
                   "^book,\"?B[a-z]+,? O([a-z]+),? O(?!\\1[ ,])[a-z]+,? K[a-z]+\\.\"?\r\n$")
            << QString();
        QTest::newRow("acrostic of shared initials")
            << QStringList{"--mnemonics", "--acrostic", "--format", "json"}
            << QByteArray("otter\nowl\nox\n")
            << QStringLiteral(
                   "^\\{\"phrase\": \"OOO\", \"sentence\": "
                   "\"O([a-z]+),? O(?!\\1[ ,])([a-z]+),? O(?!\\1\\.|\\2\\.)[a-z]+\\.\"\\}\n$")
            << QString();
        QTest::newRow("acrostic of first letters, a phrase without one left out")
            << QStringList{"--mnemonics", "--acrostic"}
            << QByteArrayLiteral("Apollo\n  venus\n4\x1b[1\0002\n(Zeus)\n")
            << QStringLiteral("^AVZ\tA%1 V%1 Z%1\n$").arg(word)
            << QStringLiteral(
                   "^lexiquill: \"4\\\\x1b\\[1\\\\x002\" has no letter A to Z; it is left out\n$");
        QTest::newRow("the phrase is sent exactly as it is")
            << QStringList{"--mnemonics", "--seed", "1"} << QByteArray("x&seed=abc")
            << QStringLiteral("^x&seed=abc\tX%1\n(x&seed=abc\t[SEDABC]%1\n){7}$").arg(word)
            << QString();
        const QString cued = QStringLiteral("Ol Op Oc Tro Tri Ab F Ve G Va Ac H");
        QTest::newRow("cranial nerves with cues: the key, each word beginning with its cue")
            << QStringList{"--mnemonics", "--acrostic", "--cues"}
            << QByteArray(
                   "Olfactory\nOptic\nOculomotor\nTrochlear\nTrigeminal\nAbducens\nFacial\n"
                   "Vestibulocochlear\nGlossopharyngeal\nVagus\nAccessory\nHypoglossal\n")
            << "^" + cued + "\t" + QString(cued).replace(" ", word + " ") + word + "\n$"
            << QString();
        QTest::newRow(
            "a cue no word begins with keeps its letter, its phrase named by 60 characters")
            << QStringList{"--mnemonics", "--acrostic", "--cues", "--format=json"}
            << "Qzar" + QByteArray(70, 'x') + "\nQuilt\n"
            << QStringLiteral("^\\{\"phrase\": \"Q Qu\", \"sentence\": \"Q%1 Qu%1\"\\}\n$")
                   .arg(word)
            << "^lexiquill: no word begins with \"Qz\" for \"Qzar" + QString(56, 'x') +
                   "...\"; it keeps the letter Q\n$";
        QTest::newRow("items sharing leading words: the key shows where they differ")
            << QStringList{"--mnemonics", "--acrostic", "--cues"}
            << QByteArray("Catherine of Aragon\nCatherine Howard\nNew York\nNew Hampshire\n")
            << QStringLiteral("^A Ho Y Ha\tA%1 Ho%1 Y%1 Ha%1\n$").arg(word) << QString();
    }

    void service()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, out);
        QFETCH(QString, err);
        lexiquill::service::MnemonicServer server;
        QVERIFY(server.start("127.0.0.1", 0));
        arguments << "--service" << QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        const Result result = run(arguments, input);
        QVERIFY2(QString::fromUtf8(result.err).contains(QRegularExpression(err)),
                 result.err.constData());
        QVERIFY2(QString::fromUtf8(result.out).contains(QRegularExpression(out)),
                 result.out.constData());
        QCOMPARE(result.status, 0);
    }

    void seedGivesTheSameWords()
    {
        // Nothing listens at first: the program serves itself, as the window does.
        const QString service =
            QStringLiteral("http://127.0.0.1:%1").arg(lexiquill::test::freeLoopbackPort());
        const QByteArray phrases = "the quick brown fox\njumps over the lazy dog\n";
        const auto words = [&](const char* seed) {
            const Result result =
                run({"--mnemonics", "--service", service, "--seed", seed}, phrases);
            return result.status == 0 ? result.out : QByteArray();
        };
        const QByteArray seven = words("7");
        QCOMPARE(seven.count('\n'), 35);
        QCOMPARE(words("7"), seven);
        QVERIFY(words("8") != seven);
    }

    void guids_data()
    {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<bool>("same");
        const QString planets = file("planets.txt", "mars\ncat\n");
        QTest::newRow("another draw keeps the note")
            << QStringList{"--mnemonics", "--seed", "1", planets}
            << QStringList{"--mnemonics", "--seed", "2", planets} << true;
        QTest::newRow("the acronym and the mnemonic of a phrase are two notes")
            << QStringList{"--acronyms", planets} << QStringList{"--mnemonics", planets} << false;
        QTest::newRow("the same phrase in another list is another note")
            << QStringList{"--acronyms", planets}
            << QStringList{"--acronyms", file("pets.txt", "dog\ncat\n")} << false;
        QTest::newRow("a list card keeps its note over draws")
            << QStringList{"--mnemonics", "--acrostic", "--seed", "1", planets}
            << QStringList{"--mnemonics", "--acrostic", "--seed", "2", planets} << true;
    }

    // The GUID of the last note of two runs with --format cards.
    void guids()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(bool, same);
        lexiquill::service::MnemonicServer server;
        QVERIFY(server.start("127.0.0.1", 0));
        QStringList guids;
        for (QStringList arguments : {first, second}) {
            arguments << "--format=cards"
                      << "--service" << QStringLiteral("http://127.0.0.1:%1").arg(server.port());
            const auto notes = lexiquill::test::readFlashcards(run(arguments).out).notes;
            QVERIFY(!notes.isEmpty());
            guids << notes.last().first();
        }
        QCOMPARE(guids[0] == guids[1], same);
    }

    void sheet_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("items");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("paper");  // and the number of pages, as pdfinfo says them
        QTest::newRow("German: A4") << "de_DE" << 5 << "sheet.pdf"
                                    << "A4 1";
        QTest::newRow("US English: Letter") << "en_US" << 5 << "sheet.pdf"
                                            << "letter 1";
        QTest::newRow("Canadian French: Letter, by the territory") << "fr_CA" << 5 << "sheet.pdf"
                                                                   << "letter 1";
        QTest::newRow("a list longer than a page goes on over the next")
            << "de_DE" << 60 << "sheet.pdf"
            << "A4 2";
        QTest::newRow("a sheet that cannot be written is said, the acrostic still printed")
            << "de_DE" << 5 << "missing/sheet.pdf"
            << "";
    }

    // --sheet of the Great Lakes read back with poppler's tools: the list's file name, the
    // key, the sentence, and each item with its word, starts in a bold font.
    void sheet()
    {
        QFETCH(QString, locale);
        QFETCH(int, items);
        QFETCH(QString, sheet);
        QFETCH(QString, paper);
        lexiquill::service::MnemonicServer server;
        QVERIFY(server.start("127.0.0.1", 0));
        const QString lakes =
            file("lakes.txt",
                 QByteArray("Huron\nOntario\nMichigan\nErie\nSuperior\n").repeated(items / 5));
        const QString pdf = m_dir.filePath(sheet);
        QFile::remove(pdf);
        const Result result = run({"LC_ALL=" + locale + ".UTF-8", "XDG_RUNTIME_DIR=" + m_dir.path(),
                                   "--mnemonics", "--acrostic", "--sheet", pdf, lakes, "--service",
                                   QStringLiteral("http://127.0.0.1:%1").arg(server.port())});
        QVERIFY(result.out.startsWith("HOMES"));
        const auto tool = [&](const QString& name) {
            QProcess process;
            process.start(name, name == "pdftotext" ? QStringList{pdf, "-"} : QStringList{pdf});
            process.waitForFinished(30000);
            return QString::fromUtf8(process.readAllStandardOutput());
        };
        if (paper.isEmpty()) {
            QCOMPARE(result.err, "lexiquill: Cannot create the file " + pdf.toUtf8() +
                                     ": No such file or directory\n");
            QCOMPARE(result.status, 1);
            return;
        }
        const QString info = tool("pdfinfo");
        QVERIFY2(info.contains(QRegularExpression("Pages: +" + paper.section(' ', 1) +
                                                  "\n(.*\n)*"
                                                  "Page size:.*\\(" +
                                                  paper.section(' ', 0, 0))),
                 qPrintable(info));
        const QString text = tool("pdftotext").split(QRegularExpression("[\n\f]+")).join(u'\n');
        QVERIFY2(
            text.startsWith("lakes\nHOMES") &&
                text.contains(QRegularExpression(
                    "\nH\\w+,? O\\w+,? M\\w+,? E\\w+,? S\\w+\\.?[ \n](.*\n)*Huron \u2013 "
                    "H\\w+\nOntario "
                    "\u2013 O\\w+\nMichigan \u2013 M\\w+\nErie \u2013 E\\w+\nSuperior \u2013 S")),
            qPrintable(text));
        QCOMPARE(text.count(u'\u2013'), items);
        QVERIFY(tool("pdffonts").contains("Bold"));
        QCOMPARE(result.status, 0);
    }

    void serviceFailures_data()
    {
        QTest::addColumn<QString>("kind");  // of the answer for "cat"; "dog" gets its word
        QTest::addColumn<QString>("err");   // %1: the service's address
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("404 stops the run") << "404"
                                           << "lexiquill: %1: Server replied 404 Not Found\n"
                                           << QByteArray();
        QTest::newRow("500 stops the run")
            << "500"
            << "lexiquill: %1: Server replied 500 Internal Server Error\n"
            << QByteArray();
        QTest::newRow("a page that breaks off stops the run")
            << "cut"
            << "lexiquill: %1: The server closed the connection before the whole page arrived\n"
            << QByteArray();
        QTest::newRow("a refused phrase is named, the run goes on")
            << "400"
            << "lexiquill: \"cat\": Server replied 400 Bad Request\n"
            << QByteArray("dog\tDog\n");
        QTest::newRow("a phrase too long is named, the run goes on")
            << "414"
            << "lexiquill: \"cat\": The phrase is too long for the mnemonic service: a phrase may "
               "have at most 8163 characters, fewer with letters outside A to Z\n"
            << QByteArray("dog\tDog\n");
        QTest::newRow("a page without words is named, the run goes on")
            << "login"
            << "lexiquill: \"cat\": %1 gave a page without words\n"
            << QByteArray("dog\tDog\n");
    }

    void serviceFailures()
    {
        QFETCH(QString, kind);
        QFETCH(QString, err);
        QFETCH(QByteArray, out);
        lexiquill::test::LoopbackServer server;
        server.server().Get(
            "/mnemonics/", [kind](const httplib::Request& req, httplib::Response& res) {
                if (req.get_param_value("w") != "cat") {
                    res.set_content("<big>D</big>og<br>", "text/html");
                } else if (kind == "cut") {
                    res.set_content_provider(
                        1000, "text/html", [](size_t offset, size_t, httplib::DataSink& sink) {
                            return offset == 0 && sink.write("<big>C</big>", 12);
                        });
                } else if (kind == "login") {
                    res.set_content("<html>Please log in</html>", "text/html");
                } else {
                    res.status = kind.toInt();
                }
            });
        server.start();
        const Result result = run({"--mnemonics", "--service", server.baseUrl()}, "cat\ndog\n");
        QCOMPARE(QString::fromUtf8(result.err), QString(err).replace("%1", server.baseUrl()));
        QCOMPARE(result.out, out);
        QCOMPARE(result.status, 1);
    }

    void rowsShowWhileTheNextPhraseWaits()
    {
        lexiquill::test::LoopbackServer server;
        std::promise<void> firstRowSeen;
        std::shared_future<void> seen = firstRowSeen.get_future().share();
        server.server().Get(
            "/mnemonics/", [&](const httplib::Request& req, httplib::Response& res) {
                // The second phrase is answered once the first one's row is out, or after 10 s.
                if (req.get_param_value("w") == "dog") seen.wait_for(std::chrono::seconds(10));
                res.set_content(
                    req.get_param_value("w") == "dog" ? "<big>D</big>og<br>" : "<big>C</big>at<br>",
                    "text/html");
            });
        server.start();
        QProcess program;
        program.start(QStringLiteral(LEXIQUILL_EXECUTABLE),
                      {"--mnemonics", "--service", server.baseUrl()});
        program.write("cat\ndog\n");
        program.closeWriteChannel();
        while (program.bytesAvailable() == 0 && program.waitForReadyRead(20000)) {
        }
        firstRowSeen.set_value();
        QCOMPARE(program.readAllStandardOutput(), QByteArray("cat\tCat\n"));
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.readAllStandardOutput(), QByteArray("dog\tDog\n"));
    }

    void progressOnATerminal_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("terminal");  // a pattern
        // Two phrases, 0.7 s each: the line shows at the second, and goes. The last has
        // no line end, and the share still stops at 100 %.
        const QString list = file("two.txt", "cat\ndog");
        QTest::newRow("from a pipe: phrases and rate")
            << "<" + list << ">/dev/null"
            << "^\\rlexiquill: 2 phrases, [01]/s\\x1b\\[K\\r\\x1b\\[K$";
        QTest::newRow("from a file: the share read, and the time left")
            << list << ">/dev/null"
            << "^\\rlexiquill: 2 phrases, 100 %, [01]/s, 0 s left\\x1b\\[K\\r\\x1b\\[K$";
        QTest::newRow("from two files: the share of both")
            << list + " " + list << ">/dev/null"
            << "^(\\r[^\\r]*)+\\rlexiquill: 4 phrases, 100 %, [01]/s, 0 s "
               "left\\x1b\\[K\\r\\x1b\\[K$";
        QTest::newRow("--quiet shows nothing") << list << "--quiet >/dev/null"
                                               << "^$";
        QTest::newRow("a line left out for its length counts as read")
            << file("skipped.txt", QByteArray((64 << 20) + 1, 'x') + "\ncat\ndog")
            << ">/dev/null || true"
            << "^lexiquill: [^\\n]*skipped.txt: line 1 is longer than 64 MiB; it is left out\r\n"
               "(\\rlexiquill: 1 phrases, 99 %, [01]/s, 0 s left\\x1b\\[K)?"
               "\\rlexiquill: 2 phrases, 100 %, [01]/s, 0 s left\\x1b\\[K\\r\\x1b\\[K$";
        QTest::newRow("a message takes the line away first")
            << list << "no-such.txt >/dev/null || true"
            << "^\\rlexiquill: 2 phrases, [01]/s\\x1b\\[K\\r\\x1b\\[Klexiquill: no-such.txt: No "
               "such "
               "file or directory\r\n$";
        QTest::newRow("rows on the same terminal are the progress")
            << list << QString() << "^cat\tCat\r\ndog\tDog\r\n$";
    }

    void progressOnATerminal()
    {
        QFETCH(QString, input);
        QFETCH(QString, options);
        QFETCH(QString, terminal);
        lexiquill::test::LoopbackServer server;
        server.server().Get("/mnemonics/", [](const httplib::Request& req, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            res.set_content(
                req.get_param_value("w") == "dog" ? "<big>D</big>og<br>" : "<big>C</big>at<br>",
                "text/html");
        });
        server.start();
        const QString command =
            QStringLiteral("'%1' --mnemonics --service %2 %3 %4")
                .arg(QStringLiteral(LEXIQUILL_EXECUTABLE), server.baseUrl(), input, options);
        // script gives the program a terminal for standard error.
        QProcess script;
        script.start(QStringLiteral("script"), {"-qec", command, "/dev/null"});
        QVERIFY(script.waitForFinished(20000));
        QCOMPARE(script.exitCode(), 0);
        const QString shown = QString::fromUtf8(script.readAllStandardOutput());
        QVERIFY2(shown.contains(QRegularExpression(terminal)), qPrintable(shown));
    }

    void longLinesReachAReaderThatLagsWhole()
    {
        // A parent may leave standard output non-blocking: writes then take what the
        // pipe has room for, and the rest must follow.
        const QByteArray phrase = QByteArray("ab ").repeated(40'000) + "z";
        const QByteArray row = phrase + '\t' + QByteArray("A.").repeated(40'000) + "Z.\n";
        const Result result = run({"--acronyms"}, (phrase + '\n').repeated(8), {}, [] {
            ::fcntl(STDOUT_FILENO, F_SETFL, ::fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
        });
        QCOMPARE(result.err, QByteArray());
        QVERIFY(result.out == row.repeated(8));
    }

    void readerGoingAwayEndsQuietly_data()
    {
        QTest::addColumn<QString>("parent");  // what the parent does with SIGPIPE
        QTest::newRow("by SIGPIPE") << "";
        QTest::newRow("also when the parent ignores SIGPIPE") << "ignores";
        QTest::newRow("also when the parent blocks SIGPIPE") << "blocks";
    }

    void readerGoingAwayEndsQuietly()
    {
        QFETCH(QString, parent);
        // Endless input: only ending when head leaves gets this test done.
        QProcess shell;
        shell.setChildProcessModifier([ignores = parent == "ignores", blocks = parent == "blocks"] {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            if (blocks) sigprocmask(SIG_BLOCK, &pipe, nullptr);
            if (ignores) std::signal(SIGPIPE, SIG_IGN);
        });
        shell.start(QStringLiteral("bash"),
                    {"-c",
                     "yes 'portable network graphics' 2>/dev/null | \"$0\" --acronyms | head -n 1; "
                     "echo \"${PIPESTATUS[1]}\" >&2",
                     QStringLiteral(LEXIQUILL_EXECUTABLE)});
        QVERIFY(shell.waitForFinished(20000));
        QCOMPARE(shell.readAllStandardOutput(), QByteArray("portable network graphics\tP.N.G.\n"));
        QCOMPARE(shell.readAllStandardError(), QByteArray("141\n"));  // SIGPIPE, nothing said
    }
};

}  // namespace

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
