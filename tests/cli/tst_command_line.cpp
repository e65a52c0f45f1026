// lexiquill --acronyms and --mnemonics as a user runs them: the real executable, with
// no display, against real files, pipes and a real mnemonic service on loopback.

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
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

// A phrase with a tab, quotes, a comma, text outside ASCII and a backslash, and a plain one.
const QByteArray kAwkwardInput =
    "say \"hi\",\tworld \xC3\xBCn\xC3\xAF\\\r\nportable network graphics\n";

class TestCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    Result run(const QStringList& arguments, const QByteArray& input = {},
               const QString& outputFile = {})
    {
        QProcess program;
        if (!outputFile.isEmpty()) program.setStandardOutputFile(outputFile);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LEXIQUILL_SERVICE_URL"}) {
            env.remove(QString::fromLatin1(name));
        }
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path());
        program.setProcessEnvironment(env);
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
                   "say \"hi\",\\tworld \xC3\xBCn\xC3\xAF\\\\\tS.\".\xC3\x9C.\n"
                   "portable network graphics\tP.N.G.\n");
        QTest::newRow("csv quotes fields with quotes and commas, CR LF")
            << QStringList{"--acronyms", "--format", "csv"}
            << QByteArray(
                   "\"say \"\"hi\"\",\tworld \xC3\xBCn\xC3\xAF\\\",\"S.\"\".\xC3\x9C.\"\r\n"
                   "portable network graphics,P.N.G.\r\n");
        QTest::newRow("json lines escape the quote, the tab and the backslash")
            << QStringList{"--acronyms", "--format=json"}
            << QByteArray(
                   "{\"phrase\": \"say \\\"hi\\\",\\tworld \xC3\xBCn\xC3\xAF\\\\\", "
                   "\"acronym\": \"S.\\\".\xC3\x9C.\"}\n"
                   "{\"phrase\": \"portable network graphics\", \"acronym\": \"P.N.G.\"}\n");
        QTest::newRow("text as the text file: header, widths in UTF-16 units, tab after each")
            << QStringList{"--acronyms", "--format", "text", "-"}
            << QByteArray(
                   " Word(s)                 \tResult\t\r\n"
                   "say \"hi\",\tworld \xC3\xBCn\xC3\xAF\\     \tS.\".\xC3\x9C.\t\r\n"
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
        QTest::addColumn<QString>("deck");
        QTest::newRow("a note per phrase: GUID, the phrase read back with its quotes and tab")
            << QStringList{"--format", "cards"} << "Lexiquill";
        QTest::newRow("--deck names the deck")
            << QStringList{"--format=cards", "--deck", "Anatomy::Nerves"} << "Anatomy::Nerves";
    }

    void cards()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, deck);
        const QStringList results{"S.\".\u00dc.", "P.N.G."};
        // The same phrase again gives no second note.
        const Result result = run(QStringList{"--acronyms"} << arguments,
                                  kAwkwardInput + "portable network graphics\n");
        const lexiquill::test::FlashcardFile cards = lexiquill::test::readFlashcards(result.out);
        QVERIFY2(cards.ok, qPrintable(cards.error));
        QCOMPARE(cards.headers, (QMap<QString, QString>{{"separator", "tab"},
                                                        {"html", "false"},
                                                        {"notetype", "Basic"},
                                                        {"deck", deck},
                                                        {"guid column", "1"},
                                                        {"tags column", "4"}}));
        const QStringList phrases =
            QString::fromUtf8(kAwkwardInput).split(QRegularExpression("\r?\n"));
        QCOMPARE(cards.notes.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(cards.notes[i].mid(1), (QStringList{phrases[i], results[i], "lexiquill"}));
            QVERIFY(cards.notes[i][0].contains(QRegularExpression("^lexiquill-[0-9a-f]{20}$")));
        }
        QVERIFY(cards.notes[0][0] != cards.notes[1][0]);
        QVERIFY(result.out.endsWith("lexiquill\r\n"));
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
        QTest::newRow("malformed service address")
            << QStringList{"--mnemonics", "--service", "http//x"} << 2
            << "'http//x' \\(from --service\\) is not a valid URL." + hint << QByteArray();
        QTest::newRow("missing file is reported, the next still done")
            << QStringList{"--acronyms", "no-such.txt", file("ok.txt", "as soon as possible")} << 1
            << "^lexiquill: no-such.txt: No such file or directory\n$"
            << QByteArray("as soon as possible\tA.S.A.P.\n");
        QTest::newRow("a folder is reported") << QStringList{"--acronyms", m_dir.path()} << 1
                                              << ": Is a directory\n$" << QByteArray();
        QTest::newRow("--cues without --acrostic")
            << QStringList{"--mnemonics", "--cues"} << 2 << "--cues needs --acrostic" + hint
            << QByteArray();
        QTest::newRow("--deck without --format cards")
            << QStringList{"--acronyms", "--deck", "x"} << 2 << "--deck needs --format cards" + hint
            << QByteArray();
        QTest::newRow("a deck name with a line break")
            << QStringList{"--acronyms", "--format=cards", "--deck", "a\nb"} << 2
            << "--deck needs a name, without tabs or line breaks" + hint << QByteArray();
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
            << QStringLiteral("^book,B[a-z]+ O([a-z]+) O(?!\\1 )[a-z]+ K[a-z]+\r\n$") << QString();
        QTest::newRow("acrostic of shared initials")
            << QStringList{"--mnemonics", "--acrostic", "--format", "json"}
            << QByteArray("otter\nowl\nox\n")
            << QStringLiteral(
                   "^\\{\"phrase\": \"OOO\", \"sentence\": "
                   "\"O([a-z]+) O(?!\\1 )([a-z]+) O(?!\\1\"|\\2\")[a-z]+\"\\}\n$")
            << QString();
        QTest::newRow("acrostic of first letters, a phrase without one left out")
            << QStringList{"--mnemonics", "--acrostic"}
            << QByteArray("mercury\n  venus\n42\n(earth)\n")
            << QStringLiteral("^MVE\tM%1 V%1 E%1\n$").arg(word)
            << QStringLiteral("^lexiquill: \"42\" has no letter A to Z; it is left out\n$");
        const QString cued = QStringLiteral("Ol Op Oc Tro Tri Ab F Ve G Va Ac H");
        QTest::newRow("cranial nerves with cues: the key, each word beginning with its cue")
            << QStringList{"--mnemonics", "--acrostic", "--cues"}
            << QByteArray(
                   "Olfactory\nOptic\nOculomotor\nTrochlear\nTrigeminal\nAbducens\nFacial\n"
                   "Vestibulocochlear\nGlossopharyngeal\nVagus\nAccessory\nHypoglossal\n")
            << "^" + cued + "\t" + QString(cued).replace(" ", word + " ") + word + "\n$"
            << QString();
        QTest::newRow("a cue no word begins with keeps its letter, with a warning")
            << QStringList{"--mnemonics", "--acrostic", "--cues", "--format=json"}
            << QByteArray("Qzar\nQuilt\n")
            << QStringLiteral("^\\{\"phrase\": \"Q Qu\", \"sentence\": \"Q%1 Qu%1\"\\}\n$")
                   .arg(word)
            << QStringLiteral(
                   "^lexiquill: no word begins with \"Qz\" for \"Qzar\"; it keeps the letter Q\n$");
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

    void cardsKeepTheirGuidsWithOtherWords()
    {
        lexiquill::service::MnemonicServer server;
        QVERIFY(server.start("127.0.0.1", 0));
        const auto notes = [&](const char* seed) {
            return lexiquill::test::readFlashcards(
                       run({"--mnemonics", "--format", "cards", "--seed", seed, "--service",
                            QStringLiteral("http://127.0.0.1:%1").arg(server.port())},
                           "cat\ndog\n")
                           .out)
                .notes;
        };
        const QList<QStringList> one = notes("1");
        const QList<QStringList> two = notes("2");
        QCOMPARE(one.size(), 2);
        QCOMPARE(two.size(), 2);
        QVERIFY2(one[0][2].contains(QRegularExpression("^C\\S* A\\S* T\\S*$")),
                 qPrintable(one[0][2]));
        QVERIFY(one[0][2] != two[0][2] || one[1][2] != two[1][2]);
        for (int i = 0; i < 2; ++i) QCOMPARE(one[i].first(2), two[i].first(2));
    }

    void serviceFailures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("404") << "404"
                             << "Server replied 404 Not Found";
        QTest::newRow("500") << "500"
                             << "Server replied 500 Internal Server Error";
        QTest::newRow("page breaks off")
            << "cut"
            << "The server closed the connection before the whole page arrived";
    }

    void serviceFailures()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        lexiquill::test::LoopbackServer server;
        server.server().Get("/mnemonics/", [kind](const httplib::Request&, httplib::Response& res) {
            if (kind == "cut") {
                res.set_content_provider(1000, "text/html",
                                         [](size_t offset, size_t, httplib::DataSink& sink) {
                                             return offset == 0 && sink.write("<big>C</big>", 12);
                                         });
            } else {
                res.status = kind.toInt();
            }
        });
        server.start();
        const Result result = run({"--mnemonics", "--service", server.baseUrl()}, "cat\ndog\n");
        QCOMPARE(QString::fromUtf8(result.err),
                 QStringLiteral("lexiquill: %1: %2\n").arg(server.baseUrl(), reason));
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(result.status, 1);
    }

    void progressOnATerminal_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("quiet");
        QTest::addColumn<QString>("terminal");  // a pattern
        // Two phrases, 0.7 s each: the line shows at the second, and goes.
        const QString list = file("two.txt", "cat\ndog\n");
        QTest::newRow("from a pipe: phrases and rate")
            << "<" + list << QString() << "^\\rlexiquill: 2 phrases, [01]/s\\x1b\\[K\\r\\x1b\\[K$";
        QTest::newRow("from a file: of how many, and the time left")
            << list << QString()
            << "^\\rlexiquill: 2 of 2 phrases, [01]/s, 0 s left\\x1b\\[K\\r\\x1b\\[K$";
        QTest::newRow("--quiet shows nothing") << list << QStringLiteral("--quiet") << "^$";
    }

    void progressOnATerminal()
    {
        QFETCH(QString, input);
        QFETCH(QString, quiet);
        QFETCH(QString, terminal);
        lexiquill::test::LoopbackServer server;
        server.server().Get("/mnemonics/", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            res.set_content("", "text/html");
        });
        server.start();
        const QString command =
            QStringLiteral("'%1' --mnemonics --service %2 %3 %4 >/dev/null")
                .arg(QStringLiteral(LEXIQUILL_EXECUTABLE), server.baseUrl(), quiet, input);
        // script gives the program a terminal for standard error.
        QProcess script;
        script.start(QStringLiteral("script"), {"-qec", command, "/dev/null"});
        QVERIFY(script.waitForFinished(20000));
        QCOMPARE(script.exitCode(), 0);
        const QString shown = QString::fromUtf8(script.readAllStandardOutput());
        QVERIFY2(shown.contains(QRegularExpression(terminal)), qPrintable(shown));
    }

    void readerGoingAwayEndsQuietly()
    {
        // Endless input: only ending when head leaves gets this test done.
        QProcess shell;
        shell.start(QStringLiteral("bash"),
                    {"-c",
                     "yes 'portable network graphics' | \"$0\" --acronyms | head -n 1; "
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
