// The sentence plan as the command line and the window get it: the real HTTP client against the
// program's own service on a loopback port of its own, or a loopback server answering no plan.

#include <QTest>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "generation/sentence_plan.h"
#include "support/loopback_server.h"

using namespace lexiquill;

class TestSentencePlan : public QObject {
    Q_OBJECT

private slots:
    void plansComeThroughTheClient_data()
    {
        QTest::addColumn<QStringList>("starts");
        QTest::addColumn<QByteArray>("answer");  // a loopback server's; empty: the service's
        QTest::addColumn<QString>("result");     // the words' starts, or the failure
        QTest::newRow("a phrase's letters") << QStringList() << QByteArray() << "K I N G S";
        QTest::newRow("cues, a kept word an address must escape")
            << QStringList{"Ol", "op", "T"} << QByteArray() << "Ol Op T";
        QTest::newRow("a start the service refuses")
            << QStringList{"Opti"} << QByteArray() << "Server replied 400";
        const QString notAPlan = QStringLiteral("not a sentence plan");
        QTest::newRow("no sentence") << QStringList() << QByteArray(R"({"words":[]})") << notAPlan;
        QTest::newRow("a word without its part")
            << QStringList()
            << QByteArray(R"({"sentence":"Ab.","words":[{"word":"Ab","start":"A"}]})") << notAPlan;
        QTest::newRow("a page") << QStringList() << QByteArray("<big>A</big>b<br>") << notAPlan;
    }

    void plansComeThroughTheClient()
    {
        QFETCH(QStringList, starts);
        QFETCH(QByteArray, answer);
        QFETCH(QString, result);
        test::LoopbackServer server;
        server.server().Get("/mnemonics/sentence", [&](const auto&, auto& response) {
            response.set_content(answer.toStdString(), "application/json");
        });
        server.start();
        adapters::CurlHttpClient client;
        adapters::InProcessServiceHost host;
        const QString baseUrl =
            answer.isEmpty() ? QStringLiteral("http://127.0.0.1:%1").arg(test::freeLoopbackPort())
                             : server.baseUrl();
        const QStringList keep{"", "O&p#?\u00e9"};
        const generation::SentenceRequest request{"Kings!", starts, keep, {"King"}, 7};
        try {
            const generation::SentencePlan plan =
                generation::fetchSentencePlan(client, host, baseUrl, request);
            QStringList words, answered;
            for (const generation::PlannedWord& word : plan.words) {
                QVERIFY(!word.part.isEmpty() && word.word != "King" && word.word != "Kings");
                words << word.word;
                answered << word.start;
            }
            QCOMPARE(answered.join(' '), result);
            QCOMPARE(words[1], keep[1]);
            QCOMPARE(QString(plan.sentence).remove('.').remove(',').split(' '), words);
        } catch (const platform::PlatformError& error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(result), error.what());
        }
    }
};

QTEST_GUILESS_MAIN(TestSentencePlan)
#include "tst_sentence_plan.moc"
