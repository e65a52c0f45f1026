// The lexiquill-mnemonic-service executable as someone hosting it runs it.

#include <fcntl.h>
#include <sys/resource.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <memory>
#include <vector>

#include "raw_http.h"
#include "service/mnemonic_server.h"

using lexiquill::service::MnemonicServer;

namespace {

// A port that was free a moment ago.
int freePort()
{
    MnemonicServer probe;
    if (!probe.start("127.0.0.1", 0)) return 0;
    return probe.port();
}

bool waitUntilServing(int port)
{
    for (int i = 0; i < 100; ++i) {
        if (rawGet(port, "/healthz").status == 200) return true;
        QTest::qWait(50);
    }
    return false;
}

// What the process has resident now (VmRSS) or has had at most (VmHWM), in KiB.
int residentKiB(qint64 pid, const char* field = "VmHWM")
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    const QRegularExpression value(QLatin1String(field) + QStringLiteral(":\\s*(\\d+)"));
    return status.open(QIODevice::ReadOnly) ? value.match(status.readAll()).captured(1).toInt() : 0;
}

}  // namespace

class TestMnemonicServiceProgram : public QObject {
    Q_OBJECT

private slots:
    void help()
    {
        QProcess program;
        program.start(QStringLiteral(LEXIQUILL_SERVICE_EXECUTABLE), {QStringLiteral("--help")});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        const QByteArray out = program.readAllStandardOutput();
        QVERIFY2(out.contains("--listen ADDR:PORT") && out.contains("--verbose") &&
                     out.contains("127.0.0.1:47800"),
                 out.constData());
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("unknown option")
            << QStringList{"--port", "80"} << QByteArray("unknown option '--port'");
        QTest::newRow("listen without a port")
            << QStringList{"--listen", "127.0.0.1"} << QByteArray("is not ADDR:PORT");
        QTest::newRow("port out of range")
            << QStringList{"--listen=127.0.0.1:65536"} << QByteArray("is not ADDR:PORT");
        QTest::newRow("listen with nothing after it")
            << QStringList{"--listen"} << QByteArray("needs ADDR:PORT");
        QTest::newRow("no threads") << QStringList{"--threads=0"}
                                    << QByteArray("'0' is not a number of threads (1 to 1024)");
    }

    void badArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        QProcess program;
        program.start(QStringLiteral(LEXIQUILL_SERVICE_EXECUTABLE), arguments);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 2);
        const QByteArray err = program.readAllStandardError();
        QVERIFY2(err.contains(message), err.constData());
    }

    void portTakenFailsClearly()
    {
        MnemonicServer holder;
        QVERIFY(holder.start("127.0.0.1", 0));
        QProcess program;
        program.start(QStringLiteral(LEXIQUILL_SERVICE_EXECUTABLE),
                      {"--listen", QStringLiteral("127.0.0.1:%1").arg(holder.port())});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QByteArray err = program.readAllStandardError();
        QVERIFY2(err.contains("already in use"), err.constData());
    }

    void servesUntilSignalled_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("verbose");
        QTest::newRow("SIGTERM, quiet") << int(SIGTERM) << false;
        QTest::newRow("SIGINT, verbose") << int(SIGINT) << true;
    }

    void servesUntilSignalled()
    {
        QFETCH(int, signal);
        QFETCH(bool, verbose);
        const int port = freePort();
        QStringList arguments{"--listen", QStringLiteral("127.0.0.1:%1").arg(port)};
        if (verbose) arguments << "--verbose";
        QProcess program;
        program.start(QStringLiteral(LEXIQUILL_SERVICE_EXECUTABLE), arguments);
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(waitUntilServing(port));

        const RawResponse page = rawGet(port, "/mnemonics/?w=cat&seed=1");
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("<big>C</big>"));
        QCOMPARE(rawGet(port, "/nothing").status, 404);

        ::kill(static_cast<pid_t>(program.processId()), signal);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(rawGet(port, "/healthz").status, 0);

        const QByteArray err = program.readAllStandardError();
        if (verbose) {
            QVERIFY2(err.contains("\"GET /mnemonics/?w=cat&seed=1 HTTP/1.1\" 200"),
                     err.constData());
            QVERIFY2(err.contains("\"GET /nothing HTTP/1.1\" 404"), err.constData());
            // One line per request; the readiness polls count too.
            QCOMPARE(err.count("HTTP/1.1\" "), err.count("\" 200 ") + err.count("\" 404 "));
        } else {
            QVERIFY2(err.isEmpty(), err.constData());
        }
    }

    void stopAnswersRequestsInFlight()
    {
        const int port = freePort();
        QProcess program;
        program.start(QStringLiteral(LEXIQUILL_SERVICE_EXECUTABLE),
                      {"--listen", QStringLiteral("127.0.0.1:%1").arg(port)});
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(waitUntilServing(port));
        // Requests begun in their header and in their body, finished after the signal.
        const QByteArray line = "GET /mnemonics/?w=cat&seed=1 HTTP/1.1\r\n";
        const QList<QByteArrayList> halves = {
            {line, "Host: x\r\n\r\n"},
            {line + "Host: x\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nx", "\r\n0\r\n\r\n"}};
        std::vector<std::unique_ptr<RawConnection>> begun;
        for (const QByteArrayList& request : halves) {
            begun.push_back(std::make_unique<RawConnection>(port));
            begun.back()->sendOnly(request[0]);
        }
        // An idle keep-alive connection must not hold the stop up.
        RawConnection idle(port);
        QCOMPARE(idle.get("/healthz").status, 200);
        // Pipelined requests for pages far larger than the socket buffers: most answers are
        // still to be written at the signal, and every one is owed in full.
        auto pipelined = std::make_unique<RawConnection>(port);
        pipelined->sendOnly(
            ("GET /mnemonics/?w=" + QByteArray(8000, 'e') + " HTTP/1.1\r\nHost: x\r\n\r\n")
                .repeated(30));

        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        // The listener closes once the loop that holds it is between two answers, which under
        // a sanitizer may be a long page away.
        QTRY_COMPARE_WITH_TIMEOUT(rawGet(port, "/healthz").status, 0, 20000);
        for (qsizetype i = 0; i < halves.size(); ++i) {
            const RawResponse answer = begun[i]->exchange(halves[i][1]);
            QCOMPARE(answer.status, 200);
            QVERIFY(answer.body.contains("<big>C</big>"));
            QCOMPARE(answer.header("Connection"), QByteArray("close"));
        }
        for (int i = 0; i < 30; ++i) {
            QTest::qSleep(20);  // a slow reader
            const RawResponse answer = pipelined->exchange({});
            QCOMPARE(answer.status, 200);
            QCOMPARE(answer.body.size(), answer.header("Content-Length").toInt());
            QCOMPARE(answer.header("Connection"), QByteArray(i == 29 ? "close" : ""));
        }
        QVERIFY(pipelined->endsStream());
        // The clients hang up once they have read the end.
        begun.clear();
        pipelined.reset();
        QVERIFY(program.waitForFinished(3000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    void slowClientsCostTheirBytesAndGiveThemBack()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("AddressSanitizer pads and holds back freed memory: the figures are its own");
#endif
        const int port = freePort();
        QProcess program;
        program.start(QStringLiteral(LEXIQUILL_SERVICE_EXECUTABLE),
                      {"--listen", QStringLiteral("127.0.0.1:%1").arg(port), "--idle-timeout=60"});
        QVERIFY(waitUntilServing(port));
        const int start = residentKiB(program.processId(), "VmRSS");
        // 800 clients each send 24,000 bytes of a request line and header fields, no end.
        const QByteArray unfinished = "GET /mnemonics/?w=" + QByteArray(7971, 'a') +
                                      " HTTP/1.1\r\nHost: x\r\nX: " + QByteArray(15988, 'b');
        std::vector<std::unique_ptr<RawConnection>> clients;
        for (int i = 0; i < 800; ++i) {
            clients.push_back(std::make_unique<RawConnection>(port));
            clients.back()->sendOnly(unfinished);
        }
        const auto grown = [&] { return residentKiB(program.processId(), "VmRSS") - start; };
        QDeadlineTimer deadline(5000);
        while (grown() < 800 * 23 && !deadline.hasExpired()) QTest::qWait(50);
        QTest::qWait(200);
        const int held = grown();
        QVERIFY2(held > 800 * 23 && held < 800 * 27, QByteArray::number(held).constData());
        clients.clear();
        deadline.setRemainingTime(5000);
        while (grown() > held / 4 && !deadline.hasExpired()) QTest::qWait(100);
        const int kept = grown();
        QVERIFY2(kept <= held / 4, QByteArray::number(kept).constData());
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
    }

    void connectionsPastTheDescriptorLimitGet503()
    {
        const int port = freePort();
        QProcess program;
        // As started by hand from a shell with a low limit and 40 files open: the service
        // lifts its soft limit to the hard one, and answers the connections it has no room
        // for with 503.
        program.setChildProcessModifier([] {
            const rlimit limit{64, 128};
            ::setrlimit(RLIMIT_NOFILE, &limit);
            for (int i = 0; i < 40; ++i) ::open("/dev/null", O_RDONLY);
        });
        program.start(QStringLiteral(LEXIQUILL_SERVICE_EXECUTABLE),
                      {"--listen", QStringLiteral("127.0.0.1:%1").arg(port)});
        QVERIFY(waitUntilServing(port));
        std::vector<std::unique_ptr<RawConnection>> clients;
        QList<int> statuses;
        while (statuses.size() < 140 && !statuses.contains(0)) {
            clients.push_back(std::make_unique<RawConnection>(port));
            statuses << clients.back()->get("/healthz").status;
        }
        const qsizetype served = statuses.count(200);
        QVERIFY2(served > 40 && statuses.lastIndexOf(200) == served - 1,
                 QByteArray::number(served).constData());
        QCOMPARE(statuses.count(503), 140 - served);
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QVERIFY(program.readAllStandardError().contains("serving at most"));
    }

    void endlessChunkedRequestIsRefusedInBoundedMemory_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<int>("status");
        QTest::newRow("chunk extension") << QByteArray("1;") << 400;
        QTest::newRow("trailer") << QByteArray("0\r\nX: ") << 431;
    }

    void endlessChunkedRequestIsRefusedInBoundedMemory()
    {
        QFETCH(QByteArray, start);
        QFETCH(int, status);
        const int port = freePort();
        QProcess program;
        program.start(QStringLiteral(LEXIQUILL_SERVICE_EXECUTABLE),
                      {"--listen", QStringLiteral("127.0.0.1:%1").arg(port)});
        QVERIFY(waitUntilServing(port));
        RawConnection client(port);
        client.sendOnly("GET /healthz HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n" +
                        start);
        for (int i = 0; i < 100; ++i) client.sendOnly(QByteArray(1 << 20, 'e'));  // 100 MiB
        const int peak = residentKiB(program.processId());
        QCOMPARE(client.exchange({}).status, status);
        QVERIFY(client.endsStream());
        QVERIFY2(peak > 0 && peak < 64 * 1024, QByteArray::number(peak).constData());
        program.terminate();
    }
};

QTEST_GUILESS_MAIN(TestMnemonicServiceProgram)
#include "tst_mnemonic_service_program.moc"
