// Many clients at once, and clients that stall, against a real server on loopback.

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>
#include <memory>
#include <thread>
#include <vector>

#include "raw_http.h"
#include "service/mnemonic_server.h"

using lexiquill::service::MnemonicServer;
using lexiquill::service::ServerLimits;

class TestMnemonicServerConnections : public QObject {
    Q_OBJECT

private:
    MnemonicServer m_server;
    int m_port = 0;

private slots:
    void initTestCase()
    {
        ServerLimits limits;
        limits.threads = 2;
        limits.idleTimeout = std::chrono::seconds(1);
        m_server.setLimits(limits);
        QVERIFY(m_server.start("127.0.0.1", 0));
        m_port = m_server.port();
    }

    void everyKeepAliveConnectionIsAnswered()
    {
        std::vector<std::unique_ptr<RawConnection>> clients;
        for (int i = 0; i < 300; ++i) clients.push_back(std::make_unique<RawConnection>(m_port));
        for (int round = 0; round < 2; ++round) {
            for (auto& client : clients)
                client->sendOnly("GET /mnemonics/?w=cat HTTP/1.1\r\nHost: x\r\n\r\n");
            for (auto& client : clients) QCOMPARE(client->exchange({}).status, 200);
        }
    }

    void requestsOnIdleConnectionsAreAnsweredAtAStop()
    {
        // Requests sent on idle keep-alive connections just before a stop: some are read
        // before it, the others are owed their answer as well.
        int unanswered = 0;
        for (int round = 0; round < 10; ++round) {
            MnemonicServer server;
            QVERIFY(server.start("127.0.0.1", 0));
            std::vector<std::unique_ptr<RawConnection>> clients;
            for (int i = 0; i < 200; ++i) {
                clients.push_back(std::make_unique<RawConnection>(server.port()));
                QCOMPARE(clients.back()->get("/healthz").status, 200);
            }
            for (auto& client : clients)
                client->sendOnly("GET /mnemonics/?w=cat HTTP/1.1\r\nHost: x\r\n\r\n");
            std::thread stop([&server] { server.stop(std::chrono::seconds(5)); });
            for (auto& client : clients) {
                unanswered += client->exchange({}).status != 200 || !client->endsStream();
            }
            clients.clear();
            stop.join();
        }
        QCOMPARE(unanswered, 0);
    }

    void stalledClientsDoNotDelayAFreshOne()
    {
        std::vector<std::unique_ptr<RawConnection>> stalled;
        for (int i = 0; i < 200; ++i) {
            stalled.push_back(std::make_unique<RawConnection>(m_port));
            if (i % 2) stalled.back()->sendOnly("GET /mnemon");
        }
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(rawGet(m_port, "/healthz").status, 200);
        QVERIFY2(timer.elapsed() < 500, QByteArray::number(timer.elapsed()).constData());
    }

    void silentConnectionIsClosed_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("pauseFirst");
        const QByteArray request = "GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n";
        QTest::newRow("nothing sent") << QByteArray() << 0;
        QTest::newRow("half a request line") << QByteArray("GET /mnemonics/?w=c") << 0;
        QTest::newRow("after an answer") << request << 0;
        // Counted from the last answer, not from the connection's start.
        QTest::newRow("after an answer late in the time-out") << request << 700;
    }

    void silentConnectionIsClosed()
    {
        QFETCH(QByteArray, sent);
        QFETCH(int, pauseFirst);
        RawConnection client(m_port);
        QTest::qSleep(pauseFirst);
        client.sendOnly(sent);
        if (sent.endsWith("\r\n\r\n")) QCOMPARE(client.exchange({}).status, 200);
        QElapsedTimer timer;
        timer.start();
        // Closed by the server after its second of silence, well before the client's own
        // five-second time-out.
        QVERIFY(client.endsStream());
        QVERIFY2(timer.elapsed() > 500 && timer.elapsed() < 3000,
                 QByteArray::number(timer.elapsed()).constData());
    }

    void headerFieldsOverTheirLimitAre431_data()
    {
        QTest::addColumn<int>("fieldBytes");
        QTest::addColumn<int>("status");
        QTest::newRow("16 KiB of fields are served") << 16384 << 200;
        QTest::newRow("one byte more is 431") << 16385 << 431;
    }

    void headerFieldsOverTheirLimitAre431()
    {
        QFETCH(int, fieldBytes);
        QFETCH(int, status);
        // "Host: x\r\nX: ...\r\n" is the whole field block, its line ending included.
        const QByteArray field = "Host: x\r\nX: " + QByteArray(fieldBytes - 14, 'y') + "\r\n";
        // The next request comes right behind it: the header ends where its empty line does.
        RawConnection client(m_port);
        QCOMPARE(
            client.exchange("GET /healthz HTTP/1.1\r\n" + field + "\r\nGET /healthz HTTP/1.1\r\n")
                .status,
            status);
    }

    void connectionsBeyondTheLimitAreRefusedAtOnce()
    {
        MnemonicServer server;
        ServerLimits limits;
        limits.maxConnections = 3;
        server.setLimits(limits);
        QVERIFY(server.start("127.0.0.1", 0));
        std::vector<std::unique_ptr<RawConnection>> clients;
        for (int i = 0; i < 3; ++i) {
            clients.push_back(std::make_unique<RawConnection>(server.port()));
            QCOMPARE(clients.back()->get("/healthz").status, 200);
        }
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(rawGet(server.port(), "/healthz").status, 503);
        QVERIFY2(timer.elapsed() < 1000, QByteArray::number(timer.elapsed()).constData());
        // A place frees once the server has seen a client hang up. Asked once per try: each
        // answered try holds a place itself until the server sees it close.
        clients.pop_back();
        QDeadlineTimer deadline(5000);
        int status = 0;
        while ((status = rawGet(server.port(), "/healthz").status) != 200 &&
               !deadline.hasExpired()) {
            QTest::qWait(20);
        }
        QCOMPARE(status, 200);
    }
};

QTEST_GUILESS_MAIN(TestMnemonicServerConnections)
#include "tst_mnemonic_server_connections.moc"
