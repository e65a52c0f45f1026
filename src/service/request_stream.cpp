#include "service/request_stream.h"

#include <algorithm>
#include <boost/asio/buffer.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/parser.hpp>
#include <cctype>
#include <limits>
#include <optional>
#include <string_view>

namespace lexiquill::service {

namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using boost::system::error_code;

constexpr std::size_t kFieldsLimit = 16384;  // the header fields after it, without the blank line

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

// 414 or 431 when a header (complete or not yet) is over its limits, else 0.
int headerRefusal(std::string_view header)
{
    const std::size_t lineEnd = header.find("\r\n");
    const std::size_t line = lineEnd == std::string_view::npos ? header.size() : lineEnd + 2;
    if (line > kRequestLineLimit) return 414;
    if (header.size() - line > kFieldsLimit + 2) return 431;
    return 0;
}

struct ChunkLimit {
    std::size_t bytes;
    int status;
};

// An incomplete chunk size line is held up to the length of a request line, the last chunk
// with its trailer fields up to that of a request line with its header fields; the request
// is refused beyond.
ChunkLimit chunkLimit(std::string_view pending)
{
    // After the CRLF that ends the previous chunk's data: the size, in hexadecimal digits.
    const std::size_t digits = std::min(pending.find_first_not_of("\r\n"), pending.size());
    const std::size_t after = std::min(pending.find_first_not_of('0', digits), pending.size());
    const bool last = after > digits && after < pending.size() &&
                      !std::isxdigit(static_cast<unsigned char>(pending[after]));
    if (last) return {kRequestLineLimit + kFieldsLimit + 4, 431};
    return {kRequestLineLimit, 400};
}

// The characters of a host name, an address (in brackets for IPv6) and a port.
bool validHost(std::string_view host)
{
    return std::all_of(host.begin(), host.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return std::isalnum(byte) ||
               std::string_view("-._~!$&'()*+,;=%:[]").find(c) != std::string_view::npos;
    });
}

// The path and query of a target. One in absolute form ("http://host/path?query"), which
// clients send to proxies and an origin server must take as well, loses its scheme and host;
// nothing when that host is empty or no host name.
std::optional<std::string> originForm(std::string_view target)
{
    const std::string_view scheme = target.substr(0, target.find("://"));
    const boost::beast::string_view name(scheme.data(), scheme.size());
    if (!boost::beast::iequals(name, "http") && !boost::beast::iequals(name, "https")) {
        return std::string(target);
    }
    const std::string_view rest = target.substr(scheme.size() + 3);
    const std::size_t hostEnd = std::min(rest.find_first_of("/?#"), rest.size());
    const std::string_view host = rest.substr(0, hostEnd);
    if (host.empty() || !validHost(host)) return std::nullopt;
    const std::string_view path = rest.substr(hostEnd);
    return path.starts_with('/') ? std::string(path) : "/" + std::string(path);
}

// 400 for a header whose body length or host cannot be told for sure, else 0. A body whose
// end is unclear would be read as the next request: the shape of request smuggling.
int framingRefusal(const RequestParser& parser)
{
    const auto& request = parser.get();
    const unsigned version = request.version();
    if (version != 10 && version != 11) return 400;
    if (request.count(http::field::transfer_encoding) &&
        (!parser.chunked() || version == 10 || request.count(http::field::content_length))) {
        return 400;
    }
    if (version == 11 &&
        (request.count(http::field::host) != 1 || !validHost(view(request[http::field::host])))) {
        return 400;
    }
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

}  // namespace

struct RequestStream::Parsing {
    std::optional<RequestParser> parser;
    std::string target;  // in origin form
};

RequestStream::RequestStream(int idleSeconds)
    : m_parsing(std::make_unique<Parsing>()), m_idleSeconds(idleSeconds)
{
}

RequestStream::~RequestStream() = default;

std::string_view RequestStream::pending() const
{
    return std::string_view(m_buffer.data(), m_buffer.size()).substr(m_begin);
}

std::size_t RequestStream::room() const
{
    // A request line and header fields at their limits, or a last chunk and its trailer: one
    // byte more shows whether it ends or goes over.
    constexpr std::size_t most = kRequestLineLimit + kFieldsLimit + 5;
    return most - std::min(most - 1, m_buffer.size() - m_begin);
}

void RequestStream::received(std::string_view bytes)
{
    if (m_finished) return;  // read only to be dropped
    // Grown by a quarter rather than doubled, and to the size at once when more comes: a
    // slow client's unfinished request costs little more than its bytes. (A vector's
    // reserve takes what it is asked; a string's doubles.)
    const std::size_t needed = m_buffer.size() + bytes.size();
    if (needed > m_buffer.capacity()) {
        m_buffer.reserve(std::max(needed, m_buffer.capacity() + m_buffer.capacity() / 4));
    }
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

// Before the next read, drops the bytes parsed; an empty buffer gives its memory back, so
// that an idle connection holds none.
void RequestStream::compact()
{
    if (m_begin == m_buffer.size()) {
        std::vector<char>().swap(m_buffer);
    } else {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_begin));
        m_searched -= std::min(m_searched, m_begin);
    }
    m_begin = 0;
}

bool RequestStream::idle() const
{
    const auto& parser = m_parsing->parser;
    return (!parser || parser->is_done()) && m_begin == m_buffer.size();
}

RequestStream::Step RequestStream::next(bool stopping, std::size_t unread)
{
    if (m_finished) return Step::finish;
    auto& parser = m_parsing->parser;
    if (parser && parser->is_done()) parser.reset();
    // At a stop, the connection ends after the last request the client has already sent.
    const auto nothingMore = [&] { return m_begin == m_buffer.size() && unread == 0; };
    bool needMore = false;
    while (!needMore && m_begin < m_buffer.size() && (parser || beginRequest())) {
        if (const int refusal = parse(needMore)) return refuse(refusal);
        if (parser->is_done()) return answer(stopping && nothingMore());
    }
    if (stopping && !parser && nothingMore()) {
        m_finished = true;
        return Step::close;
    }
    compact();
    return Step::read;
}

// Empty lines before a request line are skipped (RFC 9112 asks a server to ignore at least
// one). False while nothing but a part of one has come.
bool RequestStream::beginRequest()
{
    std::string_view rest = pending();
    while (rest.starts_with("\r\n") || rest.starts_with('\n')) {
        rest.remove_prefix(rest.starts_with('\n') ? 1 : 2);
    }
    m_begin = m_buffer.size() - rest.size();
    if (rest.empty() || rest == "\r") return false;
    auto& parser = m_parsing->parser;
    parser.emplace();
    parser->header_limit(2 * (kRequestLineLimit + kFieldsLimit));
    parser->body_limit(std::numeric_limits<std::uint64_t>::max());
    m_searched = m_begin;
    return true;
}

// Where the header being read ends, after its empty line; npos while it has not come whole.
// Each byte is searched once, however the header is split.
std::size_t RequestStream::headerEnd()
{
    const std::string_view bytes(m_buffer.data(), m_buffer.size());
    for (std::size_t at = bytes.find('\n', m_searched); at != std::string_view::npos;
         at = bytes.find('\n', at + 1)) {
        // A line ending in LF alone is the parser's to refuse.
        const std::string_view before = bytes.substr(m_begin, at - m_begin);
        if (before.ends_with('\n') || before.ends_with("\n\r")) return at + 1;
    }
    m_searched = bytes.size();
    return std::string_view::npos;
}

// Gives the parser what has come, within the limits: the status of a refusal, else 0.
// `needMore` says that the request goes on in bytes still to come.
int RequestStream::parse(bool& needMore)
{
    RequestParser& parser = *m_parsing->parser;
    const bool hadHeader = parser.is_header_done();
    const std::string_view pending = this->pending();
    ChunkLimit limit{pending.size(), 0};
    if (hadHeader) {
        // In a body, the parser sees no more than the limit: a chunk line or trailer that
        // does not end within it is refused however the bytes were split.
        limit = chunkLimit(pending);
    } else {
        // The parser sees a header only once it is whole: it keeps no copy of a part of one,
        // and a slow client costs no more than the bytes it has sent.
        const std::size_t end = headerEnd();
        const std::size_t size = end == std::string_view::npos ? pending.size() : end - m_begin;
        if (const int refusal = headerRefusal(pending.substr(0, size))) return refusal;
        needMore = end == std::string_view::npos;
        if (needMore) return 0;
        // A whole header the parser cannot finish (a line ended by LF alone) is refused
        // now, rather than held while more comes.
        limit = {size, 400};
    }
    error_code ec;
    m_begin += parser.put(asio::buffer(pending.data(), std::min(pending.size(), limit.bytes)), ec);
    needMore = ec == http::error::need_more;
    if (needMore) return !hadHeader || pending.size() >= limit.bytes ? limit.status : 0;
    if (ec) return 400;
    if (!hadHeader && parser.is_header_done()) return checkHeader();
    return 0;
}

// 400 for a header whose framing or target cannot be taken, else 0.
int RequestStream::checkHeader()
{
    const RequestParser& parser = *m_parsing->parser;
    if (const int refusal = framingRefusal(parser)) return refusal;
    std::optional<std::string> target = originForm(view(parser.get().target()));
    if (!target) return 400;
    m_parsing->target = std::move(*target);
    return 0;
}

RequestStream::Step RequestStream::answer(bool last)
{
    const auto& request = m_parsing->parser->get();
    Framing framing;
    framing.head = request.method() == http::verb::head;
    framing.keepAlive = request.version() == 11 && request.keep_alive() &&
                        ++m_answered < kRequestsPerConnection && !last;
    framing.idleSeconds = m_idleSeconds;
    m_answer = answerRequest(view(request.method_string()), m_parsing->target, framing);
    m_finished = !framing.keepAlive;
    return Step::write;
}

// A request that cannot be read any further: what follows it is dropped.
RequestStream::Step RequestStream::refuse(int status)
{
    Framing framing;
    framing.keepAlive = false;
    m_answer = answerFailure(status, framing);
    m_parsing->parser.reset();
    std::vector<char>().swap(m_buffer);
    m_begin = m_searched = 0;
    m_finished = true;
    return Step::write;
}

std::string RequestStream::describe() const
{
    const auto& parser = m_parsing->parser;
    if (!parser || !parser->is_done()) return "-";
    const auto& request = parser->get();
    return printable(view(request.method_string())) + " " + printable(view(request.target())) +
           " HTTP/" + std::to_string(request.version() / 10) + "." +
           std::to_string(request.version() % 10);
}

}  // namespace lexiquill::service
