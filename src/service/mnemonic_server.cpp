#include "service/mnemonic_server.h"

#include <linux/sockios.h>
#include <malloc.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <climits>
#include <condition_variable>
#include <filesystem>
#include <list>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "service/http_answer.h"
#include "service/request_stream.h"
#include "service/sentence_planner.h"

namespace lexiquill::service {

namespace {

namespace asio = boost::asio;
using boost::system::error_code;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// Accepting again too soon after running out of descriptors would spin.
constexpr auto kAcceptPause = std::chrono::milliseconds(50);
// The most one read takes in, above what a connection's room() asks for. A connection keeps
// only what is left of an unfinished request.
constexpr std::size_t kReadSize = 32768;
// Descriptors kept free beyond those of the connections: one to answer 503 to a client over
// the limit, the rest for the files of the process hosting the service.
constexpr int kSpareDescriptors = 16;
// glibc keeps freed memory in its arenas for later; after this much has been freed by
// connections that ended, it is given back to the system.
constexpr std::size_t kTrimAfter = 1 << 20;

class Connection;

// What every event loop shares.
struct Shared {
    ServerLimits limits;
    int maxConnections = 0;  // the limit, or fewer when descriptors run out first
    std::function<void(const std::string&)> log;
    std::atomic<int> connections{0};
    std::atomic<bool> stopping{false};
    // Where a stop waits for the last connection to end.
    std::mutex endMutex;
    std::condition_variable allEnded;

    void connectionEnded()
    {
        if (--connections > 0 || !stopping) return;
        const std::lock_guard<std::mutex> lock(endMutex);
        allEnded.notify_all();
    }
};

// One event loop on its own thread, holding any number of connections.
struct Loop {
    explicit Loop(Shared& shared) : shared(shared) {}

    void sweep();
    void stop();

    Shared& shared;
    // Where every connection of the loop reads, one at a time.
    std::vector<char> readBuffer = std::vector<char>(kReadSize);
    std::size_t freed = 0;  // by connections that ended, since memory was last given back
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
        : m_loop(loop),
          m_socket(std::move(socket)),
          m_stream(static_cast<int>(loop.shared.limits.idleTimeout.count()))
    {
        m_entry = m_loop.connections.insert(m_loop.connections.end(), this);
    }
    ~Connection()
    {
        m_loop.freed += m_largest;
        m_loop.connections.erase(m_entry);
        m_loop.shared.connectionEnded();
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void start()
    {
        error_code ignored;
        m_socket.non_blocking(true, ignored);
        pump();
    }

    void close()
    {
        error_code ignored;
        m_socket.close(ignored);
    }

    // At a stop, a connection waiting for its next request stops waiting. Cancelling rather
    // than closing lets the wait end with a look at the socket: a request the client has
    // already sent is answered.
    void stop()
    {
        if (m_finishing) {
            // The client has everything: closing now loses it nothing.
            if (unsent() == 0) close();
            return;
        }
        error_code ignored;
        if (!m_writing && m_stream.idle()) m_socket.cancel(ignored);
    }

    // The time since the connection opened or last got an answer.
    Clock::time_point since() const { return m_since; }

private:
    void pump()
    {
        const bool stopping = m_loop.shared.stopping;
        error_code ec;
        const std::size_t unread = stopping ? m_socket.available(ec) : 0;
        switch (m_stream.next(stopping, unread)) {
            case RequestStream::Step::read:
                return readMore();
            case RequestStream::Step::write:
                return send();
            case RequestStream::Step::finish:
                return finish();
            case RequestStream::Step::close:
                return close();
        }
    }

    // Waits for bytes before reading them into the loop's buffer: a connection that waits
    // holds no buffer of its own.
    void readMore()
    {
        m_socket.async_wait(tcp::socket::wait_read,
                            [self = shared_from_this()](error_code ec) { self->onReadable(ec); });
    }

    void onReadable(error_code ec)
    {
        // A wait cancelled at a stop still takes what the client sent meanwhile; any other
        // failure shows again in the read.
        const bool cancelled = ec == asio::error::operation_aborted;
        std::vector<char>& buffer = m_loop.readBuffer;
        const std::size_t n = m_socket.read_some(
            asio::buffer(buffer.data(), std::min(buffer.size(), m_stream.room())), ec);
        if (ec == asio::error::would_block && !cancelled) return readMore();
        if (ec) return close();
        m_stream.received({buffer.data(), n});
        m_largest = std::max(m_largest, m_stream.capacity());
        pump();
    }

    void send()
    {
        Answer& reply = m_stream.answer();
        if (m_loop.shared.log) log(reply);
        m_out = std::move(reply.bytes);
        m_largest = std::max(m_largest, m_out.capacity());
        m_writing = true;
        asio::async_write(
            m_socket, asio::buffer(m_out),
            [self = shared_from_this()](error_code ec, std::size_t) { self->onWritten(ec); });
    }

    void onWritten(error_code ec)
    {
        std::string().swap(m_out);
        m_writing = false;
        m_since = Clock::now();
        if (ec) return close();
        pump();
    }

    // No more answers: the client sees the end once it has read the last one. What it still
    // sends is read and dropped until it hangs up, since closing with unread bytes would
    // reset the connection, and the reset can destroy the answer before the client reads it.
    void finish()
    {
        if (!m_finishing) {
            m_finishing = true;
            error_code ignored;
            m_socket.shutdown(tcp::socket::shutdown_send, ignored);
        }
        readMore();
    }

    // Bytes sent that the client has not acknowledged yet.
    int unsent()
    {
        int bytes = 0;
        if (::ioctl(m_socket.native_handle(), SIOCOUTQ, &bytes) != 0) return 1;
        return bytes;
    }

    void log(const Answer& reply)
    {
        error_code ec;
        const tcp::endpoint peer = m_socket.remote_endpoint(ec);
        m_loop.shared.log((ec ? std::string("-") : peer.address().to_string()) + " \"" +
                          m_stream.describe() + "\" " + std::to_string(reply.status) + " " +
                          std::to_string(reply.bodySize));
    }

    Loop& m_loop;
    tcp::socket m_socket;
    std::list<Connection*>::iterator m_entry;
    RequestStream m_stream;
    std::string m_out;
    std::size_t m_largest = 0;  // the most memory its request or answer has held
    Clock::time_point m_since = Clock::now();
    bool m_writing = false;
    bool m_finishing = false;
};

void Loop::sweep()
{
    const auto timeout = shared.limits.idleTimeout;
    const auto oldest = Clock::now() - timeout;
    // Closing only cancels the connection's pending operation; it leaves the list later.
    for (Connection* connection : connections) {
        if (connection->since() < oldest) connection->close();
    }
    if (freed >= kTrimAfter) {
        freed = 0;
#ifdef __GLIBC__
        malloc_trim(0);
#endif
    }
    // A few sweeps per time-out keep a silent client's stay close to it.
    const auto tick = std::clamp<Clock::duration>(timeout / 8, std::chrono::milliseconds(50),
                                                  std::chrono::seconds(1));
    sweeper.expires_after(tick);
    sweeper.async_wait([this](error_code ec) {
        if (!ec) sweep();
    });
}

void Loop::stop()
{
    for (Connection* connection : connections) connection->stop();
}

// The cores this process may run on, as nproc counts them: fewer than the machine's under
// taskset or a container's CPU set.
int coresAvailable()
{
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0) return std::max(1, CPU_COUNT(&cores));
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// How many more descriptors the process may open, less a few to spare. Past the limit,
// accepting fails and clients wait unanswered in the queue, where they should get their 503.
int descriptorRoom()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return INT_MAX;
    int open = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator entry("/proc/self/fd", ec), end; !ec && entry != end;
         entry.increment(ec)) {
        ++open;
    }
    const auto most = static_cast<int>(std::min<rlim_t>(limit.rlim_cur, INT_MAX));
    return std::max(0, most - open - kSpareDescriptors);
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
    void adopt(Loop& target, tcp::socket socket);
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
        adopt(target, std::move(socket));
        if (!shared.stopping) accept();
    });
}

// Hands a new connection to its loop, or refuses it when the service is full.
void MnemonicServer::Impl::adopt(Loop& target, tcp::socket socket)
{
    if (shared.connections >= shared.maxConnections) return refuse(socket);
    ++shared.connections;
    asio::post(target.context, [&target, socket = std::move(socket)]() mutable {
        error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);
        auto connection = std::make_shared<Connection>(target, std::move(socket));
        connection->start();
        // Accepted before the stop, but only now taken up: a request it has brought is
        // answered all the same.
        if (target.shared.stopping) connection->stop();
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

    // The word list and the grammar are read here rather than by the first request.
    SentencePlanner::builtIn();
    int threads = impl.shared.limits.threads;
    if (threads <= 0) threads = coresAvailable();
    impl.loops.clear();
    for (int i = 0; i < threads; ++i) impl.loops.push_back(std::make_unique<Loop>(impl.shared));
    if (const error_code ec = impl.listen(host, port)) {
        impl.loops.clear();
        return fail(describeFailure(host, port, ec));
    }
    impl.shared.maxConnections = std::min(impl.shared.limits.maxConnections, descriptorRoom());
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
        // Connections the system has completed but nobody has accepted yet may carry requests
        // already sent: closing the acceptor would reset them.
        error_code ec;
        impl.acceptor->non_blocking(true, ec);
        while (!ec) {
            Loop& target = *impl.loops[impl.next++ % impl.loops.size()];
            tcp::socket socket = impl.acceptor->accept(target.context, ec);
            if (!ec) impl.adopt(target, std::move(socket));
        }
        error_code ignored;
        impl.acceptor->close(ignored);
        impl.acceptPause->cancel();
    });
    for (const auto& loop : impl.loops) {
        asio::post(loop->context, [loop = loop.get()] { loop->stop(); });
    }
    Shared& shared = impl.shared;
    {
        std::unique_lock<std::mutex> lock(shared.endMutex);
        shared.allEnded.wait_for(lock, grace, [&shared] { return shared.connections == 0; });
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

int MnemonicServer::maxConnections() const { return m_impl->shared.maxConnections; }

}  // namespace lexiquill::service
