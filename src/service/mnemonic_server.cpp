#include "service/mnemonic_server.h"

#include <sched.h>
#include <sys/socket.h>

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http/parser.hpp>
#include <limits>
#include <list>
#include <optional>
#include <thread>
#include <vector>

#include "service/http_answer.h"
#include "service/word_store.h"

namespace lexiquill::service {

namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using boost::system::error_code;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kLineLimit = kRequestLineLimit;
constexpr std::size_t kFieldsLimit = 16384;  // the header fields after it, without the blank line
constexpr std::size_t kFirstBuffer = 4096;
constexpr int kRequestsPerConnection = 100000;  // as the Keep-Alive header announces
// Accepting again too soon after running out of descriptors would spin.
constexpr auto kAcceptPause = std::chrono::milliseconds(50);

// No route takes a body: what a client sends is read and dropped.
struct DiscardBody {
    struct value_type {};
    class reader {
    public:
        template <bool isRequest, class Fields>
        reader(http::header<isRequest, Fields>&, value_type&)
        {
        }
        void init(const boost::optional<std::uint64_t>&, error_code& ec) { ec = {}; }
        template <class Buffers>
        std::size_t put(const Buffers& buffers, error_code& ec)
        {
            ec = {};
            return asio::buffer_size(buffers);
        }
        void finish(error_code& ec) { ec = {}; }
    };
};

using RequestParser = http::request_parser<DiscardBody>;

std::string_view view(boost::beast::string_view text) { return {text.data(), text.size()}; }

// 414 or 431 when the header (complete or not yet) is over its limits, else 0.
int headerRefusal(std::string_view header)
{
    const std::size_t lineEnd = header.find("\r\n");
    const std::size_t line = lineEnd == std::string_view::npos ? header.size() : lineEnd + 2;
    if (line > kLineLimit) return 414;
    if (header.size() - line > kFieldsLimit + 2) return 431;
    return 0;
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

class Connection;

// What every event loop shares.
struct Shared {
    ServerLimits limits;
    std::function<void(const std::string&)> log;
    std::atomic<int> connections{0};
    std::atomic<bool> stopping{false};
};

// One event loop on its own thread, holding any number of connections.
struct Loop {
    explicit Loop(Shared& shared) : shared(shared) {}

    void sweep();
    void stopIdle();

    Shared& shared;
    // Declared before the context: the context's destruction ends the connections, which
    // then leave this list.
    std::list<Connection*> connections;
    asio::io_context context{1};
    asio::steady_timer sweeper{context};
    std::thread thread;
};

class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(Loop& loop, tcp::socket socket)
        : m_loop(loop), m_socket(std::move(socket)), m_buffer(kFirstBuffer, '\0')
    {
        m_entry = m_loop.connections.insert(m_loop.connections.end(), this);
    }
    ~Connection()
    {
        m_loop.connections.erase(m_entry);
        --m_loop.shared.connections;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void start() { readMore(); }

    void close()
    {
        error_code ignored;
        m_socket.close(ignored);
    }

    // At a stop, a connection waiting for its next request stops waiting. Cancelling rather
    // than closing lets a read that has already taken bytes complete, so that its request
    // is answered; bytes the kernel holds but nobody has read yet count as begun too.
    void stopIfIdle()
    {
        error_code ec;
        if (m_draining) return close();
        if (m_writing || m_parser || m_begin != m_end || m_socket.available(ec) > 0) return;
        m_socket.cancel(ec);
    }

    // The time since the connection opened or last got an answer.
    Clock::time_point since() const { return m_since; }

private:
    void readMore()
    {
        // Bytes of a header not yet complete stay: its limits count from its first byte.
        const std::size_t keep = m_parser && !m_parser->is_header_done() ? m_start : m_begin;
        if (keep == m_end) {
            m_start = m_begin = m_end = 0;
        } else if (m_end == m_buffer.size()) {
            m_buffer.erase(0, keep);
            m_start -= std::min(m_start, keep);
            m_begin -= keep;
            m_end -= keep;
            m_buffer.resize(std::max(m_buffer.size(), m_end * 2));
        }
        m_socket.async_read_some(
            asio::buffer(m_buffer.data() + m_end, m_buffer.size() - m_end),
            [self = shared_from_this()](error_code ec, std::size_t n) { self->onRead(ec, n); });
    }

    void onRead(error_code ec, std::size_t n)
    {
        if (ec) return close();
        m_end += n;
        if (m_draining) {
            m_begin = m_end;
            return readMore();
        }
        process();
    }

    // Feeds the received bytes to the parser until a request is complete or more are needed.
    void process()
    {
        while (m_begin < m_end) {
            if (!m_parser) {
                m_parser.emplace();
                m_parser->header_limit(2 * (kLineLimit + kFieldsLimit));
                m_parser->body_limit(std::numeric_limits<std::uint64_t>::max());
                m_start = m_begin;
            }
            const bool hadHeader = m_parser->is_header_done();
            error_code ec;
            m_begin += m_parser->put(asio::buffer(m_buffer.data() + m_begin, m_end - m_begin), ec);
            if (!hadHeader) {
                // The parser takes the request line before the fields are complete.
                const std::size_t end = m_parser->is_header_done() ? m_begin : m_end;
                const int refusal = headerRefusal({m_buffer.data() + m_start, end - m_start});
                if (refusal) return fail(refusal);
            }
            if (ec == http::error::need_more) break;
            if (ec) return fail(400);
            if (!hadHeader && m_parser->is_header_done()) {
                const unsigned version = m_parser->get().version();
                if (version != 10 && version != 11) return fail(400);
            }
            if (m_parser->is_done()) return answer();
        }
        readMore();
    }

    void answer()
    {
        const auto& request = m_parser->get();
        Framing framing;
        framing.head = request.method() == http::verb::head;
        framing.keepAlive = request.version() == 11 && request.keep_alive() &&
                            ++m_answered < kRequestsPerConnection && !m_loop.shared.stopping;
        framing.idleSeconds = static_cast<int>(m_loop.shared.limits.idleTimeout.count());
        const std::string_view method = view(request.method_string());
        const std::string_view target = view(request.target());
        Answer reply = answerRequest(method, target, framing);
        if (m_loop.shared.log) {
            const std::string version = "HTTP/" + std::to_string(request.version() / 10) + "." +
                                        std::to_string(request.version() % 10);
            log(reply, printable(method) + " " + printable(target) + " " + version);
        }
        m_parser.reset();
        send(std::move(reply), framing.keepAlive);
    }

    // A request that cannot be read any further: answer, then read and drop what follows
    // until the client hangs up, so that closing with unread bytes does not reset the
    // connection before the client has read the answer.
    void fail(int status)
    {
        Framing framing;
        framing.keepAlive = false;
        Answer reply = answerFailure(status, framing);
        if (m_loop.shared.log) log(reply, "-");
        m_parser.reset();
        m_draining = true;
        send(std::move(reply), false);
    }

    void send(Answer reply, bool keepAlive)
    {
        m_out = std::move(reply.bytes);
        m_writing = true;
        asio::async_write(m_socket, asio::buffer(m_out),
                          [self = shared_from_this(), keepAlive](error_code ec, std::size_t) {
                              self->onWritten(ec, keepAlive);
                          });
    }

    void onWritten(error_code ec, bool keepAlive)
    {
        m_writing = false;
        m_since = Clock::now();
        if (ec) return close();
        if (m_draining && !m_loop.shared.stopping) {
            m_socket.shutdown(tcp::socket::shutdown_send, ec);
            m_begin = m_end;
            return readMore();
        }
        if (!keepAlive || m_loop.shared.stopping) return close();
        process();
    }

    void log(const Answer& reply, const std::string& request)
    {
        error_code ec;
        const tcp::endpoint peer = m_socket.remote_endpoint(ec);
        m_loop.shared.log((ec ? std::string("-") : peer.address().to_string()) + " \"" + request +
                          "\" " + std::to_string(reply.status) + " " +
                          std::to_string(reply.bodySize));
    }

    Loop& m_loop;
    tcp::socket m_socket;
    std::list<Connection*>::iterator m_entry;
    std::string m_buffer;     // received bytes from m_begin to m_end are not parsed yet
    std::size_t m_start = 0;  // where the request being read began
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::optional<RequestParser> m_parser;  // while a request is being read
    std::string m_out;
    Clock::time_point m_since = Clock::now();
    int m_answered = 0;
    bool m_writing = false;
    bool m_draining = false;
};

void Loop::sweep()
{
    const auto timeout = shared.limits.idleTimeout;
    const auto oldest = Clock::now() - timeout;
    // Closing only cancels the connection's pending operation; it leaves the list later.
    for (Connection* connection : connections) {
        if (connection->since() < oldest) connection->close();
    }
    // A few sweeps per time-out keep a silent client's stay close to it.
    const auto tick = std::clamp<Clock::duration>(timeout / 8, std::chrono::milliseconds(50),
                                                  std::chrono::seconds(1));
    sweeper.expires_after(tick);
    sweeper.async_wait([this](error_code ec) {
        if (!ec) sweep();
    });
}

void Loop::stopIdle()
{
    for (Connection* connection : connections) {
        connection->stopIfIdle();
    }
}

// The cores this process may run on, as nproc counts them: fewer than the machine's under
// taskset or a container's CPU set.
int coresAvailable()
{
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0) return std::max(1, CPU_COUNT(&cores));
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

std::string describeFailure(const std::string& host, int port, const error_code& ec)
{
    std::string reason = "cannot listen on " + host + ":" + std::to_string(port);
    if (ec == asio::error::address_in_use) return reason + ": the port is already in use";
    if (ec == asio::error::host_not_found || ec == asio::error::host_not_found_try_again) {
        return reason + ": not an address of this machine";
    }
    return reason + ": " + ec.message();
}

}  // namespace

struct MnemonicServer::Impl {
    Shared shared;
    std::vector<std::unique_ptr<Loop>> loops;
    std::optional<tcp::acceptor> acceptor;  // on the first loop
    std::optional<asio::steady_timer> acceptPause;
    std::size_t next = 0;
    int port = 0;
    bool running = false;

    error_code listen(const std::string& host, int port);
    void accept();
    void refuse(tcp::socket& socket);
};

error_code MnemonicServer::Impl::listen(const std::string& host, int wanted)
{
    asio::io_context& context = loops.front()->context;
    error_code ec;
    tcp::resolver resolver(context);
    const auto endpoints = resolver.resolve(
        host, std::to_string(wanted), tcp::resolver::numeric_service | tcp::resolver::passive, ec);
    if (ec) return ec;
    for (const auto& entry : endpoints) {
        acceptor.emplace(context);
        acceptor->open(entry.endpoint().protocol(), ec);
        // SO_REUSEADDR only: SO_REUSEPORT would let a second server bind a port that is
        // already served and silently share its connections.
        if (!ec) acceptor->set_option(tcp::acceptor::reuse_address(true), ec);
        if (!ec) acceptor->bind(entry.endpoint(), ec);
        if (!ec) acceptor->listen(SOMAXCONN, ec);
        if (!ec) {
            port = acceptor->local_endpoint().port();
            return ec;
        }
        acceptor.reset();
    }
    return ec;
}

// Accepts on the first loop and hands each connection to the loops in turn.
void MnemonicServer::Impl::accept()
{
    Loop& target = *loops[next++ % loops.size()];
    acceptor->async_accept(target.context, [this, &target](error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (ec) {
            // Out of descriptors, most likely: the queued clients wait until some close.
            acceptPause->expires_after(kAcceptPause);
            acceptPause->async_wait([this](error_code ec) {
                if (!ec && !shared.stopping) accept();
            });
            return;
        }
        if (shared.connections >= shared.limits.maxConnections) {
            refuse(socket);
        } else {
            ++shared.connections;
            asio::post(target.context, [&target, socket = std::move(socket)]() mutable {
                error_code ignored;
                socket.set_option(tcp::no_delay(true), ignored);
                auto connection = std::make_shared<Connection>(target, std::move(socket));
                connection->start();
                // Accepted before the stop, but only now taken up: a request it has begun
                // is answered all the same.
                if (target.shared.stopping) connection->stopIfIdle();
            });
        }
        if (!shared.stopping) accept();
    });
}

// Over the limit: a short answer the client can read at once, rather than a connection
// that hangs in the queue.
void MnemonicServer::Impl::refuse(tcp::socket& socket)
{
    static const std::string refusal = answerFailure(503, Framing{false, false, 0}).bytes;
    ::send(socket.native_handle(), refusal.data(), refusal.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    error_code ignored;
    socket.shutdown(tcp::socket::shutdown_send, ignored);
    socket.close(ignored);
}

MnemonicServer::MnemonicServer() : m_impl(std::make_unique<Impl>()) {}

MnemonicServer::~MnemonicServer() { stop(); }

void MnemonicServer::setLimits(const ServerLimits& limits) { m_impl->shared.limits = limits; }

void MnemonicServer::setRequestLog(std::function<void(const std::string&)> log)
{
    m_impl->shared.log = std::move(log);
}

bool MnemonicServer::start(const std::string& host, int port, std::string* error)
{
    auto fail = [&](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    Impl& impl = *m_impl;
    if (impl.running) return fail("the service is already running");
    if (port < 0 || port > 65535) return fail("port " + std::to_string(port) + " is out of range");

    // The word list is parsed here rather than by the first request.
    WordStore::builtIn();
    int threads = impl.shared.limits.threads;
    if (threads <= 0) threads = coresAvailable();
    impl.loops.clear();
    for (int i = 0; i < threads; ++i) impl.loops.push_back(std::make_unique<Loop>(impl.shared));
    if (const error_code ec = impl.listen(host, port)) {
        impl.loops.clear();
        return fail(describeFailure(host, port, ec));
    }
    impl.shared.stopping = false;
    impl.acceptPause.emplace(impl.loops.front()->context);
    impl.accept();
    for (const auto& loop : impl.loops) {
        loop->sweep();
        loop->thread = std::thread([context = &loop->context] { context->run(); });
    }
    impl.running = true;
    return true;
}

void MnemonicServer::stop(std::chrono::milliseconds grace)
{
    Impl& impl = *m_impl;
    if (!impl.running) return;
    impl.shared.stopping = true;
    asio::post(impl.loops.front()->context, [&impl] {
        error_code ignored;
        impl.acceptor->close(ignored);
        impl.acceptPause->cancel();
    });
    for (const auto& loop : impl.loops) {
        asio::post(loop->context, [loop = loop.get()] { loop->stopIdle(); });
    }
    const auto deadline = Clock::now() + grace;
    while (impl.shared.connections > 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (const auto& loop : impl.loops) loop->context.stop();
    for (const auto& loop : impl.loops) loop->thread.join();
    // The acceptor and the timer belong to the first loop's context: they go first.
    impl.acceptor.reset();
    impl.acceptPause.reset();
    impl.loops.clear();
    impl.shared.connections = 0;
    impl.running = false;
}

int MnemonicServer::port() const { return m_impl->port; }

}  // namespace lexiquill::service
