// The mnemonic service as a client meets it: a real server on loopback, real sockets.

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <algorithm>

#include "raw_http.h"
#include "service/mnemonic_page.h"
#include "service/mnemonic_server.h"
#include "service/word_store.h"

using lexiquill::service::MnemonicServer;
using lexiquill::service::PartOfSpeech;
using lexiquill::service::phraseShape;
using lexiquill::service::WordStore;

namespace {

struct Word {
    QChar letter;
    QByteArray word;
};

// Every "<big>X</big>rest<br>" of a page, in order. Anything else that looks like a marker
// makes the list invalid (empty with ok false).
QList<Word> wordsOf(const QByteArray& page, bool* ok)
{
    static const QRegularExpression marker(QStringLiteral("<big>([A-Z])</big>([a-z]*)<br>"));
    QList<Word> words;
    const QString text = QString::fromUtf8(page);
    for (const QRegularExpressionMatch& m : marker.globalMatch(text)) {
        words.append({m.captured(1)[0], (m.captured(1) + m.captured(2)).toUtf8()});
    }
    *ok = text.count(QStringLiteral("<big>")) == words.size() &&
          text.count(QStringLiteral("<br>")) == words.size();
    return words;
}

QByteArray lettersOf(const QList<Word>& words)
{
    QByteArray letters;
    for (const Word& w : words) letters += w.letter.toLatin1();
    return letters;
}

}  // namespace

class TestMnemonicServer : public QObject {
    Q_OBJECT

private:
    MnemonicServer m_server;
    int m_port = 0;

private slots:
    void initTestCase()
    {
        std::string error;
        QVERIFY2(m_server.start("127.0.0.1", 0, &error), error.c_str());
        m_port = m_server.port();
        QVERIFY(m_port > 0);
    }

    void routes_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        const QByteArray end = " HTTP/1.1\r\nHost: x\r\n\r\n";
        QTest::newRow("mnemonics page")
            << "GET /mnemonics/?w=cat" + end << 200 << QByteArray("text/html; charset=utf-8");
        QTest::newRow("health check") << "GET /healthz" + end << 200 << QByteArray();
        QTest::newRow("HEAD is answered like GET")
            << "HEAD /mnemonics/?w=cat" + end << 200 << QByteArray("text/html; charset=utf-8");
        QTest::newRow("unknown path is 404") << "GET /words" + end << 404 << QByteArray();
        QTest::newRow("root is 404") << "GET /" + end << 404 << QByteArray();
        QTest::newRow("without the final slash is 404")
            << "GET /mnemonics?w=cat" + end << 404 << QByteArray();
        QTest::newRow("POST is 405") << QByteArray(
                                            "POST /mnemonics/?w=cat HTTP/1.1\r\nHost: x\r\n"
                                            "Content-Length: 0\r\n\r\n")
                                     << 405 << QByteArray();
        QTest::newRow("PUT is 405")
            << QByteArray("PUT /healthz HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n") << 405
            << QByteArray();
        QTest::newRow("DELETE is 405") << "DELETE /mnemonics/" + end << 405 << QByteArray();
        QTest::newRow("unknown method is 405") << "BREW /mnemonics/" + end << 405 << QByteArray();
        QTest::newRow("request line of exactly 8 KiB is served")
            << "GET /mnemonics/?w=" + QByteArray(8192 - 29, 'a') + end << 200
            << QByteArray("text/html; charset=utf-8");
        QTest::newRow("request line one byte over 8 KiB is 414")
            << "GET /mnemonics/?w=" + QByteArray(8192 - 28, 'a') + end << 414 << QByteArray();
        QTest::newRow("seed that is not a number is 400")
            << "GET /mnemonics/?w=cat&seed=twelve" + end << 400 << QByteArray();
        QTest::newRow("negative seed is 400")
            << "GET /mnemonics/?w=cat&seed=-1" + end << 400 << QByteArray();
        QTest::newRow("seed beyond 64 bits is 400")
            << "GET /mnemonics/?w=cat&seed=18446744073709551616" + end << 400 << QByteArray();
        QTest::newRow("seed with letters after the digits is 400")
            << "GET /mnemonics/?w=cat&seed=12abc" + end << 400 << QByteArray();
        const QByteArray chunked =
            "POST /healthz HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
        // From the CRLF after the last data on, a last chunk and its trailer take 24,580 bytes.
        const QByteArray trailerAtItsLimit = "1;a=b\r\nx\r\n0\r\nT: " + QByteArray(24568, 't');
        QTest::newRow("chunked body with an extension and a trailer at its limit is read")
            << chunked + trailerAtItsLimit + "\r\n\r\n"
            << 405 << QByteArray();
        QTest::newRow("trailer one byte over its limit is 431")
            << chunked + trailerAtItsLimit + "t\r\n\r\n"
            << 431 << QByteArray();
        QTest::newRow("chunk line of exactly 8 KiB is read")
            << chunked + "1;" + QByteArray(8188, 'e') + "\r\nx\r\n0\r\n\r\n"
            << 405 << QByteArray();
        QTest::newRow("chunk size of 8 KiB of zeros with no end yet is 400 at once")
            << chunked + QByteArray(8192, '0') << 400 << QByteArray();
        QTest::newRow("chunk line at 8 KiB with no end yet is 400 at once")
            << chunked + "1;" + QByteArray(8190, 'e') << 400 << QByteArray();
        QTest::newRow("empty lines before the request line are skipped")
            << "\r\n\n\r\nGET /healthz" + end << 200 << QByteArray("text/plain; charset=utf-8");
        QTest::newRow("absolute-form target is served")
            << "GET http://127.0.0.1:47800/mnemonics/?w=cat" + end << 200
            << QByteArray("text/html; charset=utf-8");
        QTest::newRow("absolute-form target in capitals, with https")
            << "GET HTTPS://X/healthz" + end << 200 << QByteArray("text/plain; charset=utf-8");
        QTest::newRow("absolute-form target without a host is 400")
            << "GET http:///healthz" + end << 400 << QByteArray();
        QTest::newRow("absolute-form target with user information is 400")
            << "GET http://me@x/healthz" + end << 400 << QByteArray();
        QTest::newRow("question mark inside the phrase is served")
            << "GET /mnemonics/?w=why?+not?" + end << 200 << QByteArray("text/html; charset=utf-8");
    }

    void routes()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        RawConnection connection(m_port);
        const RawResponse response = connection.exchange(request);
        QCOMPARE(response.status, status);
        if (!contentType.isEmpty()) QCOMPARE(response.header("Content-Type"), contentType);
        if (status == 405) QCOMPARE(response.header("Allow"), QByteArray("GET, HEAD"));
    }

    void answerThatEndsTheConnection_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        const QByteArray get = "GET /healthz HTTP/1.1\r\nHost: x\r\n";
        QTest::newRow("Connection: close") << get + "Connection: close\r\n\r\n" << 200;
        QTest::newRow("Connection: close on a long page, much sent after it")
            << "GET /mnemonics/?w=" + QByteArray(8000, 'e') + " HTTP/1.1\r\nHost: x\r\n" +
                   "Connection: close\r\n\r\n" + QByteArray(300000, 'x')
            << 200;
        QTest::newRow("HTTP/1.0, without Host")
            << QByteArray("GET /healthz HTTP/1.0\r\n\r\n") << 200;
        QTest::newRow("gzip as the only coding") << get + "Transfer-Encoding: gzip\r\n\r\n" << 400;
        QTest::newRow("chunked not the last coding")
            << get + "Transfer-Encoding: chunked, gzip\r\n\r\n"
            << 400;
        QTest::newRow("Content-Length beside Transfer-Encoding")
            << get + "Transfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n0\r\n\r\n"
            << 400;
        QTest::newRow("HTTP/1.1 without Host")
            << QByteArray("GET /healthz HTTP/1.1\r\n\r\n") << 400;
        QTest::newRow("two Host fields") << get + "Host: y\r\n\r\n" << 400;
        QTest::newRow("Host that is no host name")
            << QByteArray("GET /healthz HTTP/1.1\r\nHost: a b\r\n\r\n") << 400;
    }

    void answerThatEndsTheConnection()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        RawConnection connection(m_port);
        // A request sent after it, or smuggled inside its body, gets no answer.
        const RawResponse response =
            connection.exchange(request + "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(response.status, status);
        QCOMPARE(response.body.size(), response.header("Content-Length").toInt());
        QCOMPARE(response.header("Connection"), QByteArray("close"));
        QVERIFY(connection.endsStream());
    }

    void markers_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QByteArray>("letters");
        QTest::newRow("one word") << QByteArray("w=cat") << QByteArray("CAT");
        QTest::newRow("plus is a blank and gets no marker")
            << QByteArray("w=john+smith") << QByteArray("JOHNSMITH");
        QTest::newRow("escaped blank") << QByteArray("w=ice%20cream") << QByteArray("ICECREAM");
        QTest::newRow("escaped letters count") << QByteArray("w=%41b%63") << QByteArray("ABC");
        QTest::newRow("upper and lower case") << QByteArray("w=BoOk") << QByteArray("BOOK");
        QTest::newRow("digits and punctuation get no marker")
            << QByteArray("w=r2-d2%21") << QByteArray("RD");
        QTest::newRow("every letter of the alphabet") << QByteArray("w=abcdefghijklmnopqrstuvwxyz")
                                                      << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        QTest::newRow("letters with accents get no marker")
            << QByteArray("w=%C3%A9lan+%C3%BCber") << QByteArray("LANBER");
        QTest::newRow("sharp s gets no marker")
            << QByteArray("w=stra%C3%9Fe") << QByteArray("STRAE");
        QTest::newRow("dotless i and long s upper-case to I and S")
            << QByteArray("w=%C4%B1%C5%BF") << QByteArray("IS");
        QTest::newRow("empty phrase") << QByteArray("w=") << QByteArray();
        QTest::newRow("no w at all") << QByteArray("seed=5") << QByteArray();
        QTest::newRow("no query at all") << QByteArray() << QByteArray();
        QTest::newRow("broken escapes stand for themselves")
            << QByteArray("w=%zz%4") << QByteArray("ZZ");
        QTest::newRow("NUL byte") << QByteArray("w=a%00b") << QByteArray("AB");
        QTest::newRow("invalid UTF-8") << QByteArray("w=%FFa%C3") << QByteArray("A");
        QTest::newRow("ampersand ends the phrase")
            << QByteArray("w=tom&jerry") << QByteArray("TOM");
        QTest::newRow("first w counts") << QByteArray("w=cat&w=dog") << QByteArray("CAT");
        QTest::newRow("question mark in the phrase")
            << QByteArray("w=why?+not?") << QByteArray("WHYNOT");
    }

    void markers()
    {
        QFETCH(QByteArray, query);
        QFETCH(QByteArray, letters);
        const RawResponse response =
            rawGet(m_port, "/mnemonics/" + (query.isEmpty() ? QByteArray() : "?" + query));
        QCOMPARE(response.status, 200);
        bool ok = false;
        const QList<Word> words = wordsOf(response.body, &ok);
        QVERIFY2(ok, response.body.constData());
        QCOMPARE(lettersOf(words), letters);
        for (const Word& w : words) {
            QVERIFY2(w.word.size() >= 3 && w.word.size() <= 10, w.word.constData());
        }
    }

    void everyLetterGetsVariedWords()
    {
        // Across many draws each letter offers a choice, not one fixed word; X has the fewest.
        QHash<QChar, QSet<QByteArray>> seen;
        for (int seed = 0; seed < 60; ++seed) {
            bool ok = false;
            const RawResponse response =
                rawGet(m_port,
                       "/mnemonics/?w=abcdefghijklmnopqrstuvwxyz&seed=" + QByteArray::number(seed));
            for (const Word& w : wordsOf(response.body, &ok)) seen[w.letter].insert(w.word);
        }
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            QVERIFY2(seen[QChar(letter)].size() >= 2, QByteArray(1, letter).constData());
        }
    }

    void seedMakesTheDrawReproducible()
    {
        const QByteArray target = "/mnemonics/?w=the+quick+brown+fox&seed=";
        const RawResponse seeded = rawGet(m_port, target + "42");
        const QByteArray first = seeded.body;
        QCOMPARE(rawGet(m_port, target + "42").body, first);
        QCOMPARE(seeded.header("Cache-Control"), QByteArray());  // the same page every time
        QVERIFY(rawGet(m_port, target + "43").body != first);
        // Without a seed, two requests draw afresh.
        const RawResponse unseeded = rawGet(m_port, "/mnemonics/?w=the+quick+brown+fox");
        const QByteArray fresh = unseeded.body;
        QCOMPARE(unseeded.header("Cache-Control"), QByteArray("no-store"));
        QVERIFY(rawGet(m_port, "/mnemonics/?w=the+quick+brown+fox").body != fresh);
    }

    void wordsFollowThePhraseShape_data()
    {
        QTest::addColumn<QByteArray>("phrase");
        QTest::newRow("three letters: adjective, noun, verb") << QByteArray("cat");
        QTest::newRow("two letters: noun, verb") << QByteArray("be");
        QTest::newRow("four letters") << QByteArray("book");
        QTest::newRow("seven letters") << QByteArray("pancake");
    }

    void wordsFollowThePhraseShape()
    {
        QFETCH(QByteArray, phrase);
        const WordStore& store = WordStore::builtIn();
        const std::vector<PartOfSpeech> shape = phraseShape(phrase.size());
        for (int seed = 0; seed < 20; ++seed) {
            bool ok = false;
            const QList<Word> words = wordsOf(
                rawGet(m_port, "/mnemonics/?w=" + phrase + "&seed=" + QByteArray::number(seed))
                    .body,
                &ok);
            QCOMPARE(words.size(), phrase.size());
            for (qsizetype i = 0; i < words.size(); ++i) {
                const std::string word = words[i].word.toLower().toStdString();
                const auto choices = store.words(word[0], shape[i]);
                QVERIFY2(std::find(choices.begin(), choices.end(), word) != choices.end(),
                         word.c_str());
            }
        }
    }

    void blockedWordsAreNeverDrawn_data()
    {
        QTest::addColumn<QByteArray>("word");
        // Words the sources would offer in an innocent sense.
        QTest::newRow("ass, the animal") << QByteArray("Ass");
        QTest::newRow("cock, the bird") << QByteArray("Cock");
        QTest::newRow("tit, the bird") << QByteArray("Tit");
        QTest::newRow("bitch, the animal") << QByteArray("Bitch");
        QTest::newRow("faggot, the bundle") << QByteArray("Faggot");
        QTest::newRow("coon, the animal") << QByteArray("Coon");
        QTest::newRow("screw, the verb") << QByteArray("Screws");
        QTest::newRow("gun") << QByteArray("Gun");
        QTest::newRow("dung") << QByteArray("Dung");
        QTest::newRow("kill") << QByteArray("Kills");
    }

    void blockedWordsAreNeverDrawn()
    {
        QFETCH(QByteArray, word);
        // A long phrase of the word's initial draws every part of speech of that letter many
        // times over: 40 pages of 600 words each.
        const QByteArray phrase(600, word.at(0));
        for (int seed = 0; seed < 40; ++seed) {
            bool ok = false;
            const RawResponse response =
                rawGet(m_port, "/mnemonics/?w=" + phrase + "&seed=" + QByteArray::number(seed));
            for (const Word& w : wordsOf(response.body, &ok)) {
                QVERIFY2(w.word != word, w.word.constData());
            }
        }
    }

    void noBlockedWordIsInTheList()
    {
        // Every entry of the block list, in every form the list uses (nouns as they are, verbs
        // with -s or -es), against every word the service can draw.
        QFile file(QStringLiteral(LEXIQUILL_BLOCKLIST));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QSet<QByteArray> blocked;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QByteArray word = line.split('#').first().trimmed();
            if (!word.isEmpty()) blocked << word << word + "s" << word + "es";
        }
        QVERIFY(blocked.size() > 300);
        const WordStore& store = WordStore::builtIn();
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            for (const std::string_view word : store.words(letter)) {
                QVERIFY2(!blocked.contains(QByteArray(word.data(), word.size())),
                         std::string(word).c_str());
            }
        }
    }

    void everyLetterHasCandidates_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("fewest");
        // English has few common words starting with X; the common letters have hundreds.
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            const int fewest = letter == 'x' ? 2 : QByteArray("bcps").contains(letter) ? 150 : 20;
            QTest::newRow(QByteArray(1, letter).constData()) << letter << fewest;
        }
    }

    void everyLetterHasCandidates()
    {
        QFETCH(char, letter);
        QFETCH(int, fewest);
        const auto words = WordStore::builtIn().words(letter);
        QVERIFY2(int(words.size()) >= fewest,
                 QByteArray::number(qsizetype(words.size())).constData());
    }

    void badRequestsAreAnsweredWithoutHarm_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("huge query")
            << "GET /mnemonics/?w=" + QByteArray(100000, 'x') + " HTTP/1.1\r\n\r\n";
        QTest::newRow("huge header")
            << "GET /healthz HTTP/1.1\r\nX: " + QByteArray(100000, 'y') + "\r\n\r\n";
        QTest::newRow("raw NUL byte in the target")
            << QByteArray("GET /mnemonics/?w=a\0b HTTP/1.1\r\n\r\n", 35);
        QTest::newRow("raw invalid UTF-8 in the target")
            << QByteArray("GET /mnemonics/?w=\xff\xfe\xc3 HTTP/1.1\r\n\r\n");
        QTest::newRow("no version") << QByteArray("GET /mnemonics/?w=a\r\n\r\n");
        QTest::newRow("garbage") << QByteArray(
            "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", 15);
        QTest::newRow("percent at the end") << QByteArray("GET /mnemonics/?w=a% HTTP/1.1\r\n\r\n");
        QTest::newRow("lone ampersands and equals")
            << QByteArray("GET /mnemonics/?&&=&w&=w=&seed HTTP/1.1\r\n\r\n");
    }

    void badRequestsAreAnsweredWithoutHarm()
    {
        QFETCH(QByteArray, request);
        {
            RawConnection connection(m_port);
            QVERIFY(connection.connected());
            connection.exchange(request);
        }
        QCOMPARE(rawGet(m_port, "/healthz").status, 200);
    }

    void clientHangingUpMidAnswerLeavesTheHostRunning()
    {
        // The answers are large enough not to fit the socket buffers, and each client resets
        // the connection without reading: the server's writes fail, and this process, which
        // hosts the server, must not be ended by SIGPIPE (the library ignores the signal for
        // the whole process as it starts).
        const QByteArray request =
            "GET /mnemonics/?w=" + QByteArray(8000, 'w') + " HTTP/1.1\r\nHost: x\r\n\r\n";
        for (int i = 0; i < 20; ++i) {
            RawConnection connection(m_port);
            connection.sendOnly(request);
            QTest::qSleep(5);
            connection.reset();
        }
        QTest::qSleep(50);
        QCOMPARE(rawGet(m_port, "/healthz").status, 200);
    }

    void keepAliveAnswersWithoutDelay()
    {
        // Small answers on one connection must not wait for delayed acknowledgements (about
        // 26 ms each when the server leaves Nagle's algorithm on).
        RawConnection connection(m_port);
        QCOMPARE(connection.get("/healthz").header("Keep-Alive"),
                 QByteArray("timeout=10, max=100000"));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(connection.get("/mnemonics/?w=cat").status, 200);
        }
        QVERIFY2(timer.elapsed() < 1500, QByteArray::number(timer.elapsed()).constData());
    }

    void secondServerOnTheSamePortFails()
    {
        MnemonicServer second;
        std::string error;
        QVERIFY(!second.start("127.0.0.1", m_port, &error));
        QVERIFY2(error.find("already in use") != std::string::npos, error.c_str());
        QCOMPARE(rawGet(m_port, "/healthz").status, 200);
    }

    void stopFreesThePort()
    {
        int port = 0;
        {
            MnemonicServer server;
            QVERIFY(server.start("127.0.0.1", 0));
            port = server.port();
            QCOMPARE(rawGet(port, "/healthz").status, 200);
            server.stop();
            server.stop();
            QCOMPARE(rawGet(port, "/healthz").status, 0);
        }
        MnemonicServer again;
        std::string error;
        QVERIFY2(again.start("127.0.0.1", port, &error), error.c_str());
        QCOMPARE(rawGet(port, "/healthz").status, 200);
    }

    void pageNeverRepeatsAWordOfALetterWithTwentyWords_data()
    {
        QTest::addColumn<QByteArray>("phrase");
        QTest::newRow("one letter twenty times") << QByteArray(20, 'e');
        QTest::newRow("the alphabet three times")
            << QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(3);
    }

    void pageNeverRepeatsAWordOfALetterWithTwentyWords()
    {
        QFETCH(QByteArray, phrase);
        for (int seed = 0; seed < 50; ++seed) {
            bool ok = false;
            QSet<QByteArray> seen;
            const RawResponse response =
                rawGet(m_port, "/mnemonics/?w=" + phrase + "&seed=" + QByteArray::number(seed));
            for (const Word& w : wordsOf(response.body, &ok)) {
                const char letter = w.letter.toLower().toLatin1();
                if (WordStore::builtIn().words(letter).size() < 20) continue;
                QVERIFY2(!seen.contains(w.word), w.word.constData());
                seen.insert(w.word);
            }
        }
    }

    void unusableAddressIsReported()
    {
        MnemonicServer server;
        std::string error;
        QVERIFY(!server.start("192.0.2.1", 0, &error));  // an address no machine here owns
        QVERIFY2(error.find("192.0.2.1") != std::string::npos, error.c_str());
    }
};

QTEST_GUILESS_MAIN(TestMnemonicServer)
#include "tst_mnemonic_server.moc"
