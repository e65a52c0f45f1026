// The HTTP client against real servers on 127.0.0.1: what it sends, what it hands
// back, and the description of every way a request can fail.

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>
#include <chrono>
#include <mutex>
#include <string>

#include "adapters/curl_http_client.h"
#include "support/loopback_server.h"

using namespace std::chrono_literals;
using lexiquill::adapters::CurlHttpClient;
using lexiquill::platform::ConnectionLost;
using lexiquill::platform::ConnectionRefused;
using lexiquill::platform::PlatformError;
using lexiquill::test::LoopbackServer;

namespace {

constexpr qint64 kMiB = 1024 * 1024;

// Streams size bytes of "x" in pieces.
httplib::ContentProviderWithoutLength stream(qint64 size)
{
    return [size](size_t offset, httplib::DataSink& sink) {
        const qint64 at = static_cast<qint64>(offset);
        if (at >= size) {
            sink.done();
            return true;
        }
        const std::string piece(static_cast<size_t>(std::min<qint64>(size - at, 256 * 1024)), 'x');
        return sink.write(piece.data(), piece.size());
    };
}

// Sets up the server for one of the failure rows.
void serveFailure(httplib::Server& server, const QString& kind)
{
    server.Get("/", [kind](const httplib::Request&, httplib::Response& res) {
        if (kind == "500") {
            res.status = 500;
            res.set_content("<big>B</big>oom<br>", "text/html");
        } else if (kind == "503") {
            res.status = 503;
        } else if (kind == "404") {
            res.status = 404;
            res.set_content("no such page", "text/plain");
        } else if (kind == "cut") {
            res.set_content_provider(1000, "text/html",
                                     [](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset > 0) return false;
                                         return sink.write(std::string(500, 'x').data(), 500);
                                     });
        } else if (kind == "long length") {
            res.set_content_provider(static_cast<size_t>(16 * kMiB + 1), "text/html",
                                     [](size_t, size_t, httplib::DataSink&) { return false; });
        } else if (kind == "long stream") {
            res.set_chunked_content_provider("text/html", stream(16 * kMiB + 1));
        } else if (kind == "silent after headers") {
            res.set_chunked_content_provider("text/html",
                                             [](size_t offset, httplib::DataSink& sink) {
                                                 if (offset == 0) return sink.write("<big>", 5);
                                                 std::this_thread::sleep_for(3500ms);
                                                 return false;
                                             });
        }
    });
}

}  // namespace

class TestHttpClient : public QObject {
    Q_OBJECT

private slots:
    void addressIsSentTheWayABrowserSendsIt_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("target");
        QTest::newRow("non-ASCII letters go as UTF-8 escapes")
            << "/mnemonics/?w=über+café"
            << "/mnemonics/?w=%C3%BCber+caf%C3%A9";
        QTest::newRow("what follows # is not sent") << "/mnemonics/?w=a#b+c"
                                                    << "/mnemonics/?w=a";
        QTest::newRow("plus and ampersand go unchanged") << "/mnemonics/?w=a+&b=c"
                                                         << "/mnemonics/?w=a+&b=c";
        QTest::newRow("a tab is escaped") << "/mnemonics/?w=a\tb"
                                          << "/mnemonics/?w=a%09b";
        QTest::newRow("an escape already written is kept") << "/mnemonics/?w=100%25"
                                                           << "/mnemonics/?w=100%25";
        QTest::newRow("a lone percent sign is escaped") << "/mnemonics/?w=100%"
                                                        << "/mnemonics/?w=100%25";
        QTest::newRow("quotes and angle brackets are escaped") << "/mnemonics/?w=\"<b>\""
                                                               << "/mnemonics/?w=%22%3Cb%3E%22";
        QTest::newRow("a redirection is followed") << "/moved"
                                                   << "/mnemonics/?w=moved";
    }

    void addressIsSentTheWayABrowserSendsIt()
    {
        QFETCH(QString, query);
        QFETCH(QString, target);
        LoopbackServer loopback;
        std::mutex mutex;
        std::string seenTarget;
        std::string seenEncoding;
        loopback.server().Get(
            "/mnemonics/", [&](const httplib::Request& req, httplib::Response& res) {
                const std::lock_guard lock(mutex);
                seenTarget = req.target;
                seenEncoding = req.get_header_value("Accept-Encoding");
                res.set_content("<big>Ü</big>ber<br>", "text/html; charset=utf-8");
            });
        loopback.server().Get("/moved", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/mnemonics/?w=moved", 302);
        });
        loopback.start();
        CurlHttpClient client;
        try {
            QCOMPARE(client.get(loopback.baseUrl() + query), QStringLiteral("<big>Ü</big>ber<br>"));
        } catch (const PlatformError& e) {
            QFAIL(e.what());
        }
        const std::lock_guard lock(mutex);
        QCOMPARE(QString::fromStdString(seenTarget), target);
        QCOMPARE(QString::fromStdString(seenEncoding), QStringLiteral("identity"));
    }

    void requestsToOneServerShareAConnection()
    {
        LoopbackServer loopback;
        std::mutex mutex;
        QList<int> ports;
        loopback.server().Get("/", [&](const httplib::Request& req, httplib::Response& res) {
            const std::lock_guard lock(mutex);
            ports.append(req.remote_port);
            res.set_content("ok", "text/plain");
        });
        loopback.start();
        CurlHttpClient client;
        for (int i = 0; i < 3; ++i) QCOMPARE(client.get(loopback.baseUrl() + "/"), "ok");
        const std::lock_guard lock(mutex);
        QCOMPARE(ports.size(), 3);
        QCOMPARE(ports.count(ports.first()), 3);
    }

    void aPageOfExactly16MiBArrivesWhole()
    {
        LoopbackServer loopback;
        loopback.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html", stream(16 * kMiB));
        });
        loopback.start();
        CurlHttpClient client;
        QCOMPARE(client.get(loopback.baseUrl() + "/").size(), 16 * kMiB);
    }

    void aTricklingAnswerTimesOutAtTheLimit()
    {
        LoopbackServer loopback;
        loopback.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html",
                                             [](size_t offset, httplib::DataSink& sink) {
                                                 if (offset >= 6) {
                                                     sink.done();
                                                     return true;
                                                 }
                                                 std::this_thread::sleep_for(150ms);
                                                 return sink.write("x", 1);
                                             });
        });
        loopback.start();
        CurlHttpClient client(400ms);  // a byte every 150 ms: never silent that long
        try {
            client.get(loopback.baseUrl() + "/");
            QFAIL("the request succeeded");
        } catch (const PlatformError& e) {
            QCOMPARE(e.what(), "The request timed out after 0.4 seconds");
        }
    }

    void failuresAreReadable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("description");
        QTest::newRow("server error") << "500"
                                      << "Server replied 500 Internal Server Error";
        QTest::newRow("service unavailable") << "503"
                                             << "Server replied 503 Service Unavailable";
        QTest::newRow("no such page") << "404"
                                      << "Server replied 404 Not Found";
        const QString cut = "The server closed the connection before the whole page arrived";
        QTest::newRow("body breaks off half-way") << "cut" << cut;
        QTest::newRow("declared length over 16 MiB") << "long length"
                                                     << "The page is larger than 16 MiB";
        QTest::newRow("streamed body over 16 MiB") << "long stream"
                                                   << "The page is larger than 16 MiB";
        QTest::newRow("silence after the headers") << "silent after headers"
                                                   << "The request timed out after 2.5 seconds";
    }

    void failuresAreReadable()
    {
        QFETCH(QString, kind);
        QFETCH(QString, description);
        LoopbackServer loopback;
        serveFailure(loopback.server(), kind);
        loopback.start();
        // Long enough for 16 MiB through a sanitizer build on a busy machine.
        CurlHttpClient client(2500ms);
        try {
            client.get(loopback.baseUrl() + "/");
            QFAIL("the request succeeded");
        } catch (const PlatformError& e) {
            QCOMPARE(QString::fromStdString(e.what()), description);
            QCOMPARE(dynamic_cast<const ConnectionLost*>(&e) != nullptr, kind == "cut");
        }
    }

    void onlyNothingListeningIsARefusal()
    {
        CurlHttpClient client;
        const auto refused = [&](const QString& address) {
            try {
                client.get(address);
            } catch (const ConnectionRefused&) {
                return true;
            } catch (const PlatformError&) {
            }
            return false;
        };
        QVERIFY(refused(
            QStringLiteral("http://127.0.0.1:%1/").arg(lexiquill::test::freeLoopbackPort())));
        // The system refuses to connect a stream to a broadcast address: no packet leaves.
        QVERIFY(!refused("http://255.255.255.255:9/"));
    }

    void aServerThatNeverAnswersTimesOut()
    {
        QTcpServer mute;  // accepts connections and never says a word
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        CurlHttpClient client(1500ms);
        QElapsedTimer clock;
        clock.start();
        try {
            client.get(QStringLiteral("http://127.0.0.1:%1/").arg(mute.serverPort()));
            QFAIL("the request succeeded");
        } catch (const PlatformError& e) {
            QCOMPARE(QString::fromStdString(e.what()),
                     QStringLiteral("The request timed out after 1.5 seconds"));
        }
        QVERIFY2(clock.elapsed() >= 1490 && clock.elapsed() < 4200,
                 qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_MAIN(TestHttpClient)
#include "tst_http_client.moc"
