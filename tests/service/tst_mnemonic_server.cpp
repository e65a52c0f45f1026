// The mnemonic service as a client meets it: a real server on loopback, real sockets.

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <set>

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
        QTest::newRow("empty line after the fields ended by LF alone is 400 at once")
            << QByteArray("GET /healthz HTTP/1.1\r\nHost: x\r\n\n") << 400 << QByteArray();
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
        QTest::newRow("other words") << "GET /mnemonics/words?w=cat&at=1" + end << 200
                                     << QByteArray("application/json; charset=utf-8");
        QTest::newRow("other words, HEAD") << "HEAD /mnemonics/words?w=cat&at=1" + end << 200
                                           << QByteArray("application/json; charset=utf-8");
        QTest::newRow("other words with a final slash is 404")
            << "GET /mnemonics/words/?w=cat&at=1" + end << 404 << QByteArray();
        QTest::newRow("sentence plan") << "GET /mnemonics/sentence?w=cat" + end << 200
                                       << QByteArray("application/json; charset=utf-8");
        QTest::newRow("sentence plan, start of four letters is 400")
            << "GET /mnemonics/sentence?starts=Ol,Opti" + end << 400 << QByteArray();
        QTest::newRow("sentence plan, request line one byte over 8 KiB is 414")
            << "GET /mnemonics/sentence?w=" + QByteArray(8192 - 36, 'a') + end << 414
            << QByteArray();
        QTest::newRow("other words, request line one byte over 8 KiB is 414")
            << "GET /mnemonics/words?at=1&w=" + QByteArray(8192 - 33, 'a') + end << 414
            << QByteArray();
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
        // A refused seed says why.
        if (status == 400 && request.contains("&seed=")) {
            QVERIFY(response.body.startsWith("seed must be a whole number from 0 to "));
        }
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

    void otherWords_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("body");  // a pattern
        const auto words = [](const char* start, int count) {
            return QStringLiteral("\\[\"%1[a-z]*\"(,\"%1[a-z]*\"){%2}\\]\\}$")
                .arg(QLatin1String(start))
                .arg(count - 1);
        };
        QTest::newRow("eight nouns by default")
            << QByteArray("w=cat&at=2") << 200
            << "^\\{\"letter\":\"A\",\"part\":\"noun\",\"words\":" + words("A", 8);
        QTest::newRow("the part the page gives: adjective, noun, verb")
            << QByteArray("w=cat&at=3") << 200 << "\"part\":\"verb\",\"words\":" + words("T", 8);
        QTest::newRow("positions count characters, blanks and accents too")
            << QByteArray("w=%C3%BCber+cAt&at=7&n=3") << 200
            << "^\\{\"letter\":\"A\",\"part\":\"noun\",\"words\":" + words("A", 3);
        QTest::newRow("characters of three and four bytes count one each")
            << QByteArray("w=%E2%82%AC%F0%9F%98%80a&at=3&n=1") << 200 << "\"letter\":\"A\"";
        QTest::newRow("a byte-order mark is one character")
            << QByteArray("w=%EF%BB%BFa&at=2&n=1") << 200 << "\"letter\":\"A\"";
        QTest::newRow("each byte of a cut sequence counts one")
            << QByteArray("w=%F0%9F%98a&at=4&n=1") << 200 << "\"letter\":\"A\"";
        QTest::newRow("dotless i is I")
            << QByteArray("w=%C4%B1&at=1&n=1") << 200 << "\"letter\":\"I\",\"part\":\"noun\"";
        QTest::newRow("n of 50") << QByteArray("w=s&at=1&n=50") << 200 << words("S", 50);
        QTest::newRow("fewer than n only when the letter has no more")
            << QByteArray("w=x&at=1&n=50") << 200 << words("X", 2);
        QTest::newRow("start in any case, seeded")
            << QByteArray("w=Book&at=1&start=bO&seed=3") << 200 << words("Bo", 8);
        QTest::newRow("start of the letter at the position")
            << QByteArray("w=abc&at=2&start=Bo&n=2") << 200 << words("Bo", 2);
        QTest::newRow("start of the first letters, either case")
            << QByteArray("w=a&at=1&start=Aa") << 200 << QStringLiteral("\"words\":\\[\\]");
        QTest::newRow("start of the last letters, either case")
            << QByteArray("w=z&at=1&start=zZ") << 200 << QStringLiteral("\"words\":\\[\\]");
        QTest::newRow("a start no word has gives none")
            << QByteArray("w=x&at=1&start=xq") << 200 << QStringLiteral("\"words\":\\[\\]\\}$");
        const QString at = QStringLiteral("^at must be the position of a character of the phrase");
        QTest::newRow("at missing") << QByteArray("w=cat") << 400 << at;
        QTest::newRow("at 0") << QByteArray("w=cat&at=0") << 400 << at;
        QTest::newRow("at not a whole number") << QByteArray("w=cat&at=1.5") << 400 << at;
        QTest::newRow("at beyond the phrase")
            << QByteArray("w=%C3%BCber&at=5") << 400
            << QStringLiteral("^position 5 is beyond the phrase, which has 4 characters\n$");
        QTest::newRow("at on a blank")
            << QByteArray("w=a+cat&at=2") << 400
            << QStringLiteral("^position 2 of the phrase is not a letter A to Z\n$");
        QTest::newRow("at on a letter with an accent")
            << QByteArray("w=%C3%BCber&at=1") << 400 << QStringLiteral("not a letter A to Z");
        QTest::newRow("at on an invalid byte")
            << QByteArray("w=%FFa&at=1") << 400 << QStringLiteral("not a letter A to Z");
        QTest::newRow("n 0") << QByteArray("w=cat&at=1&n=0") << 400
                             << QStringLiteral("^n must be a whole number from 1 to 50\n$");
        QTest::newRow("n 51") << QByteArray("w=cat&at=1&n=51") << 400 << QStringLiteral("^n must");
        QTest::newRow("n empty") << QByteArray("w=cat&at=1&n=") << 400 << QStringLiteral("^n must");
        QTest::newRow("bad seed") << QByteArray("w=cat&at=1&seed=x") << 400
                                  << QStringLiteral("^seed must be a whole number");
        QTest::newRow("start of another letter")
            << QByteArray("w=cat&at=2&start=ca") << 400
            << QStringLiteral("^start must begin with the letter at position 2, A\n$");
        QTest::newRow("start of four letters")
            << QByteArray("w=cat&at=1&start=cata") << 400
            << QStringLiteral("^start must be 1 to 3 letters A to Z\n$");
        QTest::newRow("start empty")
            << QByteArray("w=cat&at=1&start=") << 400 << QStringLiteral("^start must be 1 to 3");
        QTest::newRow("start with a digit")
            << QByteArray("w=cat&at=1&start=c1") << 400 << QStringLiteral("^start must be 1 to 3");
    }

    void otherWords()
    {
        QFETCH(QByteArray, query);
        QFETCH(int, status);
        QFETCH(QString, body);
        const RawResponse response = rawGet(m_port, "/mnemonics/words?" + query);
        QCOMPARE(response.status, status);
        QVERIFY2(QString::fromUtf8(response.body).contains(QRegularExpression(body)),
                 response.body.constData());
    }

    void otherWordsFitTheirPlaceFamiliarFirst()
    {
        // Every letter at each place of a phrase's shape: the part's words first, in the order of
        // the word list (most familiar first, the wide tier too), then the letter's others; each
        // once. A seed draws the same words in its own order, the same for the same seed.
        QFile file(QStringLiteral(LEXIQUILL_WORDS));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QHash<QByteArray, QByteArrayList> listed;  // "a noun": its words in order; "a": all
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QByteArrayList fields = line.split(' ');
            if (line.startsWith('#') || fields.size() < 2) continue;
            listed[fields[1].left(1) + ' ' + fields[0]].append(fields[1]);
            if (!listed[fields[1].left(1)].contains(fields[1])) {
                listed[fields[1].left(1)].append(fields[1]);
            }
        }
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            const QByteArrayList all = listed.value(QByteArray(1, letter));
            for (const QByteArray part : {"adjective", "noun", "verb"}) {
                const QByteArray target =
                    "/mnemonics/words?n=50&w=" + QByteArray(3, letter) +
                    "&at=" + QByteArray::number(1 + (part[0] == 'n') + 2 * (part[0] == 'v'));
                const QJsonObject answer =
                    QJsonDocument::fromJson(rawGet(m_port, target).body).object();
                QCOMPARE(answer[QStringLiteral("part")].toString().toLatin1(), part);
                const QStringList words =
                    answer[QStringLiteral("words")].toVariant().toStringList();
                QCOMPARE(words.size(), std::min<qsizetype>(50, all.size()));
                QCOMPARE(QSet<QString>(words.begin(), words.end()).size(), words.size());
                const QByteArrayList expected = listed.value(letter + (' ' + part)).mid(0, 50);
                for (qsizetype i = 0; i < expected.size(); ++i) {
                    QCOMPARE(words[i].toLower().toLatin1(), expected[i]);
                }
                for (const QString& word : words) {
                    QVERIFY2(word[0].isUpper() && all.contains(word.toLower().toLatin1()),
                             qPrintable(word));
                }
                const QByteArray seeded = rawGet(m_port, target + "&seed=9").body;
                QCOMPARE(rawGet(m_port, target + "&seed=9").body, seeded);
                if (expected.size() > 2) {
                    QVERIFY(rawGet(m_port, target + "&seed=10").body != seeded);
                }
            }
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
        QTest::addColumn<bool>("offered");  // among the other words of its start
        // A word of the wide tier: among the other words, never on a page.
        QTest::newRow("trombone, other words only") << QByteArray("Trombone") << true;
        // Words the sources would offer in an innocent sense.
        QTest::newRow("ass, the animal") << QByteArray("Ass") << false;
        QTest::newRow("cock, the bird") << QByteArray("Cock") << false;
        QTest::newRow("tit, the bird") << QByteArray("Tit") << false;
        QTest::newRow("bitch, the animal") << QByteArray("Bitch") << false;
        QTest::newRow("faggot, the bundle") << QByteArray("Faggot") << false;
        QTest::newRow("coon, the animal") << QByteArray("Coon") << false;
        QTest::newRow("screw, the verb") << QByteArray("Screws") << false;
        QTest::newRow("gun") << QByteArray("Gun") << false;
        QTest::newRow("dung") << QByteArray("Dung") << false;
        QTest::newRow("kill") << QByteArray("Kills") << false;
        QTest::newRow("pecker, the bird") << QByteArray("Pecker") << false;
        QTest::newRow("pansy, the flower") << QByteArray("Pansy") << false;
    }

    void blockedWordsAreNeverDrawn()
    {
        QFETCH(QByteArray, word);
        QFETCH(bool, offered);
        const QByteArray others =
            rawGet(m_port, "/mnemonics/words?n=50&at=1&w=" + word + "&start=" + word.left(3)).body;
        QCOMPARE(others.contains('"' + word + '"'), offered);
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
            for (const std::string_view word : store.allWords(letter)) {
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

    void pageNeverRepeatsAWordUntilTheLetterIsUsedUp_data()
    {
        QTest::addColumn<QByteArray>("phrase");
        QTest::newRow("one letter twenty times") << QByteArray(20, 'e');
        QTest::newRow("both words of X") << QByteArray("xx");
        QTest::newRow("few words of Q, Y and Z") << QByteArray("qyzqyzqyzqyzqyzqyzqyzqyz");
        QTest::newRow("X used up twice over") << QByteArray("xxxxx");
        QTest::newRow("the alphabet three times, X then used up")
            << QByteArray("abcdefghijklmnopqrstuvwxyz").repeated(3);
    }

    void pageNeverRepeatsAWordUntilTheLetterIsUsedUp()
    {
        // A letter's words come round in turn: none twice before all have been given.
        QFETCH(QByteArray, phrase);
        for (int seed = 0; seed < 50; ++seed) {
            bool ok = false;
            QHash<QByteArray, int> seen;
            const RawResponse response =
                rawGet(m_port, "/mnemonics/?w=" + phrase + "&seed=" + QByteArray::number(seed));
            for (const Word& w : wordsOf(response.body, &ok)) {
                const char letter = w.letter.toLower().toLatin1();
                const auto all = WordStore::builtIn().words(letter);
                const qsizetype distinct =
                    std::set<std::string_view>(all.begin(), all.end()).size();
                const qsizetype rounds = (phrase.count(letter) + distinct - 1) / distinct;
                QVERIFY2(++seen[w.word] <= rounds, w.word.constData());
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
