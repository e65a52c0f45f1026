#include "service/mnemonic_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "service/mnemonic_page.h"
#include "service/mnemonic_query.h"

namespace lexiquill::service {

namespace {

// Each keep-alive connection holds one worker for as long as it stays open, so the pool must
// be at least as large as the number of clients expected at once; idle workers cost next to
// nothing. Beyond this, connections wait in the listen queue.
constexpr std::size_t kWorkers = 32;
constexpr std::size_t kKeepAliveRequests = 100000;

// A server whose listen queue can be widened after binding: the library's compiled-in queue of
// five refuses bursts of new connections, which clients then retry only after a second.
class Server : public httplib::Server {
public:
    void widenListenQueue() { ::listen(svr_sock_, SOMAXCONN); }
};

// SO_REUSEADDR only. The library's default also sets SO_REUSEPORT, which lets a second server
// bind a port that is already being served and silently share its connections.
void socketOptions(socket_t socket)
{
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

std::uint64_t freshSeed()
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    return generator();
}

// Control characters and bytes outside ASCII shown as \xHH, so that a request cannot forge
// or garble log lines.
std::string printable(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '\\' || c == '"') {
            result += "\\x";
            result += kHex[byte >> 4];
            result += kHex[byte & 0xF];
        } else {
            result += c;
        }
    }
    return result;
}

const char* reasonOf(int status)
{
    switch (status) {
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 414: return "URI Too Long";
    default: return status >= 500 ? "Server Error" : "Error";
    }
}

bool isRead(const std::string& method) { return method == "GET" || method == "HEAD"; }

bool isToken(const std::string& text)
{
    if (text.empty()) return false;
    for (const char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("!#$%&'*+-.^_`|~", c)) {
            return false;
        }
    }
    return true;
}

void answerMnemonics(const httplib::Request& request, httplib::Response& response)
{
    const MnemonicQuery query = parseMnemonicQuery(request.target);
    if (query.badSeed) {
        response.status = 400;
        response.set_content("seed must be a whole number from 0 to 18446744073709551615\n",
                             "text/plain; charset=utf-8");
        return;
    }
    const std::uint64_t seed = query.seed ? *query.seed : freshSeed();
    response.set_content(mnemonicPage(mnemonicLetters(query.phrase), seed),
                         "text/html; charset=utf-8");
    // Without a seed every answer is new; a cache in between must not hand out an old one.
    if (!query.seed) response.set_header("Cache-Control", "no-store");
}

}  // namespace

struct MnemonicServer::Impl {
    std::unique_ptr<Server> server;
    std::thread thread;
    std::atomic<bool> finished{false};
    int port = 0;
    bool running = false;
    std::function<void(const std::string&)> log;

    void configure();
};

void MnemonicServer::Impl::configure()
{
    server = std::make_unique<Server>();
    server->set_tcp_nodelay(true);
    server->set_socket_options(socketOptions);
    server->set_keep_alive_max_count(kKeepAliveRequests);
    server->new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };

    server->set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
        if (request.method == "GET" || request.method == "HEAD") {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        response.status = 405;
        response.set_header("Allow", "GET, HEAD");
        response.set_content("405 Method Not Allowed\n", "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    });

    server->Get("/healthz", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("ok\n", "text/plain; charset=utf-8");
    });

    server->Get("/mnemonics/", answerMnemonics);

    server->set_error_handler([](const httplib::Request& request, httplib::Response& response) {
        // The library refuses a target with a second "?" before routing, but the program sends
        // phrases unescaped and "what?" is a fair phrase: answer it like any other.
        if (response.status == 400 && isRead(request.method) && request.path == "/mnemonics/" &&
            std::count(request.target.begin(), request.target.end(), '?') > 1) {
            response.status = 200;
            answerMnemonics(request, response);
            return;
        }
        // Likewise it refuses methods it does not know with 400; to a client they are just
        // methods this service does not allow.
        if (response.status == 400 && isToken(request.method) && !isRead(request.method) &&
            request.version.starts_with("HTTP/1.")) {
            response.status = 405;
            response.set_header("Allow", "GET, HEAD");
        }
        if (response.body.empty()) {
            response.set_content(std::to_string(response.status) + " " + reasonOf(response.status) +
                                     "\n",
                                 "text/plain; charset=utf-8");
        }
    });

    server->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        if (!log) return;
        log((request.remote_addr.empty() ? std::string("-") : request.remote_addr) + " \"" + printable(request.method) + " " +
            printable(request.target) + " " + printable(request.version) + "\" " +
            std::to_string(response.status) + " " + std::to_string(response.body.size()));
    });
}

MnemonicServer::MnemonicServer() : m_impl(std::make_unique<Impl>()) {}

MnemonicServer::~MnemonicServer() { stop(); }

void MnemonicServer::setRequestLog(std::function<void(const std::string&)> log)
{
    m_impl->log = std::move(log);
}

bool MnemonicServer::start(const std::string& host, int port, std::string* error)
{
    auto fail = [&](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    if (m_impl->running) return fail("the service is already running");
    if (port < 0 || port > 65535) return fail("port " + std::to_string(port) + " is out of range");

    // The word list is parsed here rather than by the first request.
    WordStore::builtIn();
    m_impl->configure();

    errno = 0;
    int bound = -1;
    if (port == 0) {
        bound = m_impl->server->bind_to_any_port(host);
    } else if (m_impl->server->bind_to_port(host, port)) {
        bound = port;
    }
    if (bound <= 0) {
        const int cause = errno;
        std::string reason = "cannot listen on " + host + ":" + std::to_string(port);
        if (cause == EADDRINUSE) {
            reason += ": the port is already in use";
        } else if (cause != 0) {
            reason += std::string(": ") + std::strerror(cause);
        } else {
            reason += ": not an address of this machine";
        }
        return fail(reason);
    }
    m_impl->server->widenListenQueue();
    m_impl->port = bound;
    m_impl->running = true;
    m_impl->finished = false;
    m_impl->thread = std::thread([impl = m_impl.get()] {
        impl->server->listen_after_bind();
        impl->finished = true;
    });
    // stop() only reaches a server whose accept loop has begun.
    while (!m_impl->server->is_running() && !m_impl->finished) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void MnemonicServer::stop()
{
    if (!m_impl->running) return;
    m_impl->server->stop();
    if (m_impl->thread.joinable()) m_impl->thread.join();
    m_impl->running = false;
}

int MnemonicServer::port() const { return m_impl->port; }

}  // namespace lexiquill::service
