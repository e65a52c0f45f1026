#include "service/request_stream.h"

#include <algorithm>
#include <boost/asio/buffer.hpp>
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

constexpr std::size_t kLineLimit = 8192;     // the request line with its CRLF
constexpr std::size_t kFieldsLimit = 16384;  // the header fields after it, without the blank line
constexpr std::size_t kFirstBuffer = 4096;

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
    if (last) return {kLineLimit + kFieldsLimit + 4, 431};
    return {kLineLimit, 400};
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
};

RequestStream::RequestStream(int idleSeconds)
    : m_parsing(std::make_unique<Parsing>()),
      m_buffer(kFirstBuffer, '\0'),
      m_idleSeconds(idleSeconds)
{
}

RequestStream::~RequestStream() = default;

std::span<char> RequestStream::space()
{
    const auto& parser = m_parsing->parser;
    // Bytes of a header not yet complete stay: its limits count from its first byte.
    const std::size_t keep = parser && !parser->is_header_done() ? m_start : m_begin;
    if (keep == m_end) {
        m_start = m_begin = m_end = 0;
    } else if (m_end == m_buffer.size()) {
        m_buffer.erase(0, keep);
        m_start -= std::min(m_start, keep);
        m_begin -= keep;
        m_end -= keep;
        m_buffer.resize(std::max(m_buffer.size(), m_end * 2));
    }
    return {m_buffer.data() + m_end, m_buffer.size() - m_end};
}

void RequestStream::received(std::size_t count)
{
    m_end += count;
    if (m_finished) m_begin = m_end;
}

bool RequestStream::idle() const
{
    const auto& parser = m_parsing->parser;
    return (!parser || parser->is_done()) && m_begin == m_end;
}

RequestStream::Step RequestStream::next(std::size_t waiting)
{
    if (m_finished) return Step::finish;
    auto& parser = m_parsing->parser;
    if (parser && parser->is_done()) parser.reset();
    if (!parser && m_stopping && m_begin == m_end && waiting == 0) {
        m_finished = true;
        return Step::close;
    }
    while (m_begin < m_end) {
        if (!parser) {
            parser.emplace();
            parser->header_limit(2 * (kLineLimit + kFieldsLimit));
            parser->body_limit(std::numeric_limits<std::uint64_t>::max());
            m_start = m_begin;
        }
        const bool hadHeader = parser->is_header_done();
        // In a body, the parser sees no more than the limit: a chunk line or trailer that
        // does not end within it is refused however the bytes were split.
        const std::string_view pending(m_buffer.data() + m_begin, m_end - m_begin);
        const ChunkLimit limit = hadHeader ? chunkLimit(pending) : ChunkLimit{pending.size(), 0};
        error_code ec;
        m_begin +=
            parser->put(asio::buffer(pending.data(), std::min(pending.size(), limit.bytes)), ec);
        if (!hadHeader) {
            // The parser takes the request line before the fields are complete.
            const std::size_t end = parser->is_header_done() ? m_begin : m_end;
            const int refusal = headerRefusal({m_buffer.data() + m_start, end - m_start});
            if (refusal) return refuse(refusal);
        }
        if (ec == http::error::need_more) {
            if (hadHeader && pending.size() >= limit.bytes) return refuse(limit.status);
            break;
        }
        if (ec) return refuse(400);
        if (!hadHeader && parser->is_header_done()) {
            if (const int refusal = framingRefusal(*parser)) return refuse(refusal);
        }
        if (parser->is_done()) return answer(waiting);
    }
    return Step::read;
}

RequestStream::Step RequestStream::answer(std::size_t waiting)
{
    const auto& request = m_parsing->parser->get();
    Framing framing;
    framing.head = request.method() == http::verb::head;
    // At a stop, the connection ends after the last request the client has already sent.
    framing.keepAlive = request.version() == 11 && request.keep_alive() &&
                        ++m_answered < kRequestsPerConnection &&
                        !(m_stopping && m_begin == m_end && waiting == 0);
    framing.idleSeconds = m_idleSeconds;
    m_answer = answerRequest(view(request.method_string()), view(request.target()), framing);
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
    m_begin = m_end;
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
