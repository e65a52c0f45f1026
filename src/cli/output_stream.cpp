#include "cli/output_stream.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace lexiquill::cli {

namespace {

// Writes c at to, escaped; returns the end.
char* putEscaped(char* to, char16_t c, Escape escape)
{
    const auto pair = [&](char second) {
        *to++ = '\\';
        *to++ = second;
        return to;
    };
    if (escape == Escape::Tsv) {
        switch (c) {
            case u'\t':
                return pair('t');
            case u'\n':
                return pair('n');
            case u'\r':
                return pair('r');
            case u'\\':
                return pair('\\');
            default:
                break;
        }
    } else if (escape == Escape::Json) {
        switch (c) {
            case u'"':
                return pair('"');
            case u'\\':
                return pair('\\');
            case u'\t':
                return pair('t');
            case u'\n':
                return pair('n');
            case u'\r':
                return pair('r');
            default:
                if (c < 0x20) {
                    static constexpr char kHex[] = "0123456789abcdef";
                    std::memcpy(to, "\\u00", 4);
                    to[4] = kHex[c >> 4];
                    to[5] = kHex[c & 0xF];
                    return to + 6;
                }
        }
    }
    *to++ = static_cast<char>(c);
    return to;
}

}  // namespace

OutputStream::OutputStream(int fd) : m_fd(fd), m_data(new char[kBlockSize]) {}

OutputStream::~OutputStream() = default;

char* OutputStream::reserve(std::size_t n)
{
    if (m_capacity - m_size < n) {
        flush();
        if (m_capacity < n) {
            m_data.reset(new char[n]);
            m_capacity = n;
        }
    }
    return m_data.get() + m_size;
}

void OutputStream::appendText(QStringView text, Escape escape)
{
    // At most six bytes for a unit: an escaped control character in JSON.
    char* const start = reserve(static_cast<std::size_t>(text.size()) * 6);
    char* to = start;
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p != end) {
        const char16_t c = *p++;
        if (c < 0x80) {
            to = putEscaped(to, c, escape);
        } else if (c < 0x800) {
            *to++ = static_cast<char>(0xC0 | (c >> 6));
            *to++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && p != end && QChar::isLowSurrogate(*p)) {
            const char32_t u = QChar::surrogateToUcs4(c, *p++);
            *to++ = static_cast<char>(0xF0 | (u >> 18));
            *to++ = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            *to++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *to++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            *to++ = '?';
        } else {
            *to++ = static_cast<char>(0xE0 | (c >> 12));
            *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *to++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    m_size += static_cast<std::size_t>(to - start);
}

void OutputStream::flush()
{
    const char* p = m_data.get();
    std::size_t left = m_size;
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, left);
        if (n >= 0) {
            p += n;
            left -= static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno == EPIPE) {
            // SIGPIPE was blocked or ignored by whoever started us: end as it would
            // have ended us.
            std::signal(SIGPIPE, SIG_DFL);
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
            std::raise(SIGPIPE);
        }
        throw WriteFailed(std::strerror(errno));
    }
    m_size = 0;
}

}  // namespace lexiquill::cli
