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
#include <optional>
#include <set>

#include "raw_http.h"
#include "service/mnemonic_server.h"
#include "service/word_store.h"
#include "support/sentence_shapes.h"

using lexiquill::service::MnemonicServer;
using lexiquill::service::partNamed;
using lexiquill::service::PartOfSpeech;
using lexiquill::service::WordEntry;
using lexiquill::service::WordForm;
using lexiquill::service::WordStore;
using lexiquill::service::WordTraits;

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

QJsonObject jsonOf(int port, const QByteArray& target)
{
    return QJsonDocument::fromJson(rawGet(port, target).body).object();
}

QStringList textsOf(const QJsonValue& array, const char* key = nullptr)
{
    QStringList texts;
    for (const QJsonValue& v : array.toArray()) texts << (key ? v[key] : v).toString();
    return texts;
}

// The entries of the store of the part that have the word (any case) as a form, or as the form.
QList<const WordEntry*> entriesOf(const QJsonValue& word, const QJsonValue& part,
                                  std::optional<WordForm> form = {})
{
    QList<const WordEntry*> found;
    const std::string lower = word.toString().toLower().toStdString();
    for (const WordEntry* e : WordStore::builtIn().entriesWithForm(lower)) {
        if (partNamed(part.toString().toStdString()) == e->part &&
            (!form || e->form(*form) == lower))
            found << e;
    }
    return found;
}

// The plans of the query for twenty seeds, their words as {"word":..,"part":..,"start":..}.
QList<QJsonObject> plansOf(int port, const QByteArray& query)
{
    QList<QJsonObject> plans;
    for (int seed = 0; seed < 20; ++seed) {
        plans << jsonOf(port, "/mnemonics/sentence?" + query + "&seed=" + QByteArray::number(seed));
    }
    return plans;
}

// Study lists and letters a plan must read as sentences from; with cues and kept words unless
// only letters are wanted.
void addPhraseRows(bool lettersOnly = false)
{
    QTest::addColumn<QByteArray>("query");
    QTest::newRow("planets") << QByteArray("w=MVEMJSUN");
    QTest::newRow("taxonomic ranks") << QByteArray("w=DKPCOFGS");
    QTest::newRow("order of operations") << QByteArray("w=PEMDAS");
    QTest::newRow("letters short of verbs") << QByteArray("w=xqzxyqzk");
    QTest::newRow("one letter") << QByteArray("w=s");
    QTest::newRow("vowels, where an may stand") << QByteArray("w=aeiouaeioua");
    QTest::newRow("the alphabet") << QByteArray("w=abcdefghijklmnopqrstuvwxyz");
    if (lettersOnly) return;
    QTest::newRow("cranial nerves with cues") << QByteArray("starts=Ol,Op,Oc,T,T,A,Fa,V,G,Va,Ac,H");
    QTest::newRow("kept words planned around") << QByteArray("w=kpcofgs&keep=Kings,,,On");
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
            QVERIFY2(w.word.size() >= 2 && w.word.size() <= 14, w.word.constData());
        }
    }

    void otherWords_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("body");  // a pattern
        const auto words = [](const char* start, int count) {
            return QStringLiteral("\\[\"%1[a-z]*\"(,\"%1[a-z]*\"){%2}\\],\"parts\":\\[")
                .arg(QLatin1String(start))
                .arg(count - 1);
        };
        QTest::newRow("eight words by default")
            << QByteArray("w=cat&at=2") << 200
            << "^\\{\"letter\":\"A\",\"part\":\"[a-z]+\",\"words\":" + words("A", 8);
        QTest::newRow("positions count characters, blanks and accents too")
            << QByteArray("w=%C3%BCber+cAt&at=7&n=3") << 200
            << "^\\{\"letter\":\"A\",\"part\":\"[a-z]+\",\"words\":" + words("A", 3);
        QTest::newRow("characters of three and four bytes count one each")
            << QByteArray("w=%E2%82%AC%F0%9F%98%80a&at=3&n=1") << 200 << "\"letter\":\"A\"";
        QTest::newRow("a byte-order mark is one character")
            << QByteArray("w=%EF%BB%BFa&at=2&n=1") << 200 << "\"letter\":\"A\"";
        QTest::newRow("each byte of a cut sequence counts one")
            << QByteArray("w=%F0%9F%98a&at=4&n=1") << 200 << "\"letter\":\"A\"";
        QTest::newRow("dotless i is I")
            << QByteArray("w=%C4%B1&at=1&n=1") << 200 << "\"letter\":\"I\"";
        QTest::newRow("n of 50") << QByteArray("w=s&at=1&n=50") << 200 << words("S", 50);
        std::set<std::uint32_t> xWords;
        for (const WordEntry* entry : WordStore::builtIn().allWords('x')) xWords.insert(entry->id);
        QTest::newRow("fewer than n only when the letter has no more")
            << QByteArray("w=x&at=1&n=50") << 200 << words("X", int(xWords.size()));
        QTest::newRow("start in any case, seeded")
            << QByteArray("w=Book&at=1&start=bO&seed=3") << 200 << words("Bo", 8);
        QTest::newRow("start of the letter at the position")
            << QByteArray("w=abc&at=2&start=Bo&n=2") << 200 << words("Bo", 2);
        QTest::newRow("start of the first letters, either case")
            << QByteArray("w=a&at=1&start=Aa") << 200 << QStringLiteral("\"words\":\\[\\]");
        QTest::newRow("start of the last letters, either case")
            << QByteArray("w=z&at=1&start=zZ") << 200 << QStringLiteral("\"words\":\\[\\]");
        QTest::newRow("a start no word has gives none")
            << QByteArray("w=x&at=1&start=xq") << 200
            << QStringLiteral("\"words\":\\[\\],\"parts\":\\[\\]\\}$");
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
        // The sentence's refusals: a target of its own.
        const QByteArray sentence = "/mnemonics/sentence?";
        const QString starts = QStringLiteral("^starts must be a comma-separated list of 1 to 3");
        QTest::newRow("sentence, start of four letters")
            << sentence + "starts=Ol,Opti" << 400 << starts;
        QTest::newRow("sentence, empty start") << sentence + "starts=a,,b" << 400 << starts;
        QTest::newRow("sentence, start with a digit")
            << sentence + "starts=O1&w=ab" << 400 << starts;
        QTest::newRow("sentence, more kept words than words")
            << sentence + "w=ab&keep=,,c" << 400 << QStringLiteral("^keep has more");
        QTest::newRow("sentence, a kept word with a full stop")
            << sentence + "w=ab&keep=a.b" << 400 << QStringLiteral("^keep must hold");
    }

    void otherWords()
    {
        QFETCH(QByteArray, query);
        QFETCH(int, status);
        QFETCH(QString, body);
        const RawResponse response =
            rawGet(m_port, query.startsWith('/') ? query : "/mnemonics/words?" + query);
        QCOMPARE(response.status, status);
        QVERIFY(status == 200 || response.body.count('\n') == 1);
        QVERIFY2(QString::fromUtf8(response.body).contains(QRegularExpression(body)),
                 response.body.constData());
    }

    void otherWordsCarryTheirOwnParts_data()
    {
        QTest::addColumn<QByteArray>("phrase");
        QTest::addColumn<int>("at");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("nouns and adjectives of a start")
            << QByteArray("trouble") << 1 << QByteArray("Tro");
        QTest::newRow("planets, a subject's place") << QByteArray("MVEMJSUN") << 2 << QByteArray();
        QTest::newRow("planets, the last place") << QByteArray("MVEMJSUN") << 8 << QByteArray();
    }

    void otherWordsCarryTheirOwnParts()
    {
        // The place's part is the one the sentence of the same seed gives the letter; each word
        // is listed as the part it is said to be, begins with the start and comes once.
        QFETCH(QByteArray, phrase);
        QFETCH(int, at);
        QFETCH(QByteArray, start);
        for (const QByteArray seed : {"0", "1", "2"}) {
            const QByteArray query =
                "w=" + phrase + "&seed=" + seed + (start.isEmpty() ? "" : "&start=" + start);
            const QJsonObject answer =
                jsonOf(m_port, "/mnemonics/words?n=50&at=" + QByteArray::number(at) + "&" + query);
            const QJsonValue place =
                jsonOf(m_port, "/mnemonics/sentence?" + query)["words"][at - 1];
            QCOMPARE(answer["part"], place["part"]);
            const QStringList words = textsOf(answer["words"]), parts = textsOf(answer["parts"]);
            QVERIFY(words.size() >= 2 && parts.size() == words.size());
            QCOMPARE(QSet<QString>(words.begin(), words.end()).size(), words.size());
            for (qsizetype i = 0; i < words.size(); ++i) {
                QVERIFY2(!entriesOf(words[i], parts[i]).isEmpty(), qPrintable(words[i] + parts[i]));
                QVERIFY(words[i].startsWith(start.isEmpty() ? phrase.mid(at - 1, 1) : start,
                                            Qt::CaseInsensitive));
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

    void sentenceWordsBeginWithTheirStarts_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QStringList>("starts");  // as the answer names them
        QTest::newRow("the phrase's letters A to Z")
            << QByteArray("w=%C3%A9Moon+2b") << QStringList{"M", "O", "O", "N", "B"};
        QTest::newRow("cues in any case")
            << QByteArray("starts=oL,OP,t&w=abc") << QStringList{"Ol", "Op", "T"};
        QTest::newRow("a start no word has is its first letter")
            << QByteArray("starts=Xq,Cat") << QStringList{"X", "Cat"};
        QTest::newRow("no word begins with another's longer start")
            << QByteArray("starts=N,No,N,N,N,N,N,N")
            << QStringList{"N", "No", "N", "N", "N", "N", "N", "N"};
        QTest::newRow("a kept word comes back as it was given")
            << QByteArray("starts=K,P,C&keep=,P%C3%A4d%22x,") << QStringList{"K", "P", "C"};
    }

    void sentenceWordsBeginWithTheirStarts()
    {
        QFETCH(QByteArray, query);
        QFETCH(QStringList, starts);
        const QString kept = QStringLiteral("P\u00e4d\"x");
        for (const QJsonObject& plan : plansOf(m_port, query)) {
            const QStringList words = textsOf(plan["words"], "word");
            QCOMPARE(textsOf(plan["words"], "start"), starts);
            QCOMPARE(plan["sentence"].toString().remove('.').remove(',').split(' '), words);
            QVERIFY(plan["sentence"].toString().endsWith('.'));
            QCOMPARE(words.contains(kept), query.contains("keep"));
            for (qsizetype i = 0; i < words.size(); ++i) {
                QVERIFY2(
                    words[i] == kept || (words[i].size() >= 2 && words[i].startsWith(starts[i]) &&
                                         words[i].mid(1) == words[i].mid(1).toLower()),
                    qPrintable(words[i]));
                for (const QString& other : starts) {
                    QVERIFY(other.size() <= starts[i].size() || !words[i].startsWith(other));
                }
            }
        }
    }

    void sentencePartsReadAsSentences_data() { addPhraseRows(); }

    void sentencePartsReadAsSentences()
    {
        QFETCH(QByteArray, query);
        for (const QJsonObject& plan : plansOf(m_port, query)) {
            const QStringList parts = textsOf(plan["words"], "part");
            const QStringList text = plan["sentence"].toString().split(' ');
            std::string letters;
            for (qsizetype i = 0; i < parts.size(); ++i) {
                letters += partLetter(parts[i].toStdString());
                if (text[i].back() == ',' || text[i].back() == '.')
                    letters += text[i].back().toLatin1();
            }
            for (const QString& one :
                 QString::fromStdString(letters).split('.', Qt::SkipEmptyParts)) {
                QVERIFY2(readsAsSentence(one.toStdString()),
                         qPrintable(plan["sentence"].toString()));
            }
        }
    }

    void anOnlyBeforeAVowelSound_data() { addPhraseRows(); }

    void anOnlyBeforeAVowelSound()
    {
        QFETCH(QByteArray, query);
        const WordTraits vowelSound = *lexiquill::service::traitNamed("an");
        int ans = 0;
        for (const QJsonObject& plan : plansOf(m_port, query)) {
            const QJsonArray words = plan["words"].toArray();
            for (qsizetype i = 0; i < words.size(); ++i) {
                if (words[i]["word"] != QJsonValue("An")) continue;
                ++ans;
                const auto next = entriesOf(words[i + 1]["word"], words[i + 1]["part"]);
                QVERIFY2(std::any_of(next.begin(), next.end(),
                                     [&](auto e) { return e->has(vowelSound); }),
                         qPrintable(plan["sentence"].toString()));
            }
        }
        if (query.contains("aeiou")) QVERIFY(ans > 0);  // the rule is put to the test
    }

    void verbsAgreeWithTheirSubjects_data() { addPhraseRows(); }

    void verbsAgreeWithTheirSubjects()
    {
        // A singular subject takes the verb's -s form, a plural one (and "you", "we") its base,
        // as does a sentence that begins with its verb.
        QFETCH(QByteArray, query);
        const WordTraits singular = *lexiquill::service::traitNamed("singular");
        for (const QJsonObject& plan : plansOf(m_port, query)) {
            const QJsonArray words = plan["words"].toArray();
            const QStringList text = plan["sentence"].toString().split(' ');
            qsizetype subject = -1;  // the noun or pronoun last seen in the clause
            for (qsizetype i = 0; i < words.size(); ++i) {
                const QJsonValue part = words[i]["part"];
                if (i > 0 && (text[i - 1].endsWith('.') || text[i - 1].endsWith(','))) subject = -1;
                if (part == QJsonValue("noun") || part == QJsonValue("pronoun")) subject = i;
                if (part != QJsonValue("verb")) continue;
                bool single = false, plural = subject < 0;
                const QString head =
                    words[std::max<qsizetype>(subject, 0)]["word"].toString().toLower();
                for (const WordEntry* e : subject < 0 ? QList<const WordEntry*>()
                                                      : entriesOf(head, words[subject]["part"])) {
                    const bool many = e->part == PartOfSpeech::Pronoun
                                          ? !e->has(singular)
                                          : head.toStdString() == e->forms[0];
                    plural = plural || many;
                    single = single || !many || head.toStdString() == e->word;  // "deer"
                }
                QVERIFY2(
                    (single && !entriesOf(words[i]["word"], part, WordForm::Third).isEmpty()) ||
                        (plural && !entriesOf(words[i]["word"], part, WordForm::Base).isEmpty()),
                    qPrintable(plan["sentence"].toString()));
                subject = i;  // an object that follows is no subject
            }
        }
    }

    void noWordTwiceInASentence_data() { addPhraseRows(); }

    void noWordTwiceInASentence()
    {
        QFETCH(QByteArray, query);
        for (const QJsonObject& plan : plansOf(m_port, query)) {
            QSet<std::uint32_t> seen;
            for (const QJsonValue word : plan["words"].toArray()) {
                for (const WordEntry* e : entriesOf(word["word"], word["part"])) {
                    QVERIFY2(!seen.contains(e->id), qPrintable(plan["sentence"].toString()));
                    seen << e->id;
                }
            }
        }
    }

    void avoidedWordsAndTheirFormsAreNeverPlanned_data()
    {
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<QStringList>("avoided");
        QTest::newRow("a plural item")
            << QByteArray("w=kkkkkkkkkkk&avoid=Kings") << QStringList{"kings"};
        QTest::newRow("an item of two words")
            << QByteArray("w=nynynynynyny&avoid=NEW+York,x") << QStringList{"new", "york"};
        QTest::newRow("a verb's form")
            << QByteArray("starts=Pl,Pl,Pl,Pl,Pl,Pl&avoid=played") << QStringList{"played"};
    }

    void avoidedWordsAndTheirFormsAreNeverPlanned()
    {
        QFETCH(QByteArray, query);
        QFETCH(QStringList, avoided);
        QSet<QString> forms;
        for (const QString& word : avoided) {
            for (const WordEntry* e : WordStore::builtIn().entriesWithForm(word.toStdString())) {
                for (const std::string_view form : {e->word, e->forms[0], e->forms[1], e->forms[2]})
                    forms << QString::fromLatin1(form.data(), form.size());
            }
        }
        QVERIFY(forms.size() > 1);  // the store knows some of them
        forms += QSet<QString>(avoided.begin(), avoided.end());
        for (const QJsonObject& plan : plansOf(m_port, query)) {
            for (const QString& word : textsOf(plan["words"], "word"))
                QVERIFY2(!forms.contains(word.toLower()), qPrintable(plan["sentence"].toString()));
        }
    }

    void pageWordsAreThePlanWords_data() { addPhraseRows(true); }

    void pageWordsAreThePlanWords()
    {
        QFETCH(QByteArray, query);
        for (int seed = 0; seed < 10; ++seed) {
            const QByteArray with = query + "&seed=" + QByteArray::number(seed);
            bool ok = false;
            QStringList page;
            for (const Word& w : wordsOf(rawGet(m_port, "/mnemonics/?" + with).body, &ok)) {
                page.append(QString::fromLatin1(w.word));
            }
            QCOMPARE(page, textsOf(jsonOf(m_port, "/mnemonics/sentence?" + with)["words"], "word"));
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
        QSet<QByteArray> blocked;  // and the forms the list once used: nouns as they are, verbs
        QSet<QByteArray> exact;    // with -s or -es; the forms a sentence uses as the list has them
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QByteArray word = line.split('#').first().trimmed();
            if (!word.isEmpty()) blocked << word << word + "s" << word + "es";
            if (!word.isEmpty()) exact << word;
        }
        QVERIFY(blocked.size() > 300);
        // And the words learners found unsuitable for pupils.
        for (const char* word : {"alcohol", "vodka", "tequila", "cocktail", "nightclub", "inmate",
                                 "cigarette", "toilet"}) {
            blocked << word;
            exact << word << QByteArray(word) + "s";
        }
        const WordStore& store = WordStore::builtIn();
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            for (const WordEntry* entry : store.allWords(letter)) {
                QVERIFY2(!blocked.contains(QByteArray(entry->word.data(), entry->word.size())),
                         std::string(entry->word).c_str());
                for (const std::string_view form : entry->forms) {
                    QVERIFY2(!exact.contains(QByteArray(form.data(), form.size())),
                             std::string(form).c_str());
                }
            }
        }
    }

    void everyLetterHasCandidates_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("fewest");
        // English has few common words starting with X; the common letters have hundreds.
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            const int fewest = letter == 'x' ? 2 : QByteArray("bcps").contains(letter) ? 150 : 10;
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
        // Z has ten words, five of which may end a sentence: six places of each letter.
        QTest::newRow("few words of Q, Y and Z") << QByteArray("qyz").repeated(6);
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
                std::set<std::uint32_t> ids;
                for (const WordEntry* entry : WordStore::builtIn().words(letter))
                    ids.insert(entry->id);
                const qsizetype distinct = qsizetype(ids.size());
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
