#include "cli/output_stream.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace lexiquill::cli {

OutputStream::OutputStream(int fd) : m_fd(fd), m_data(new char[kBlockSize]) {}

OutputStream::~OutputStream() = default;

void OutputStream::appendText(QStringView text, Escape escape)
{
    while (!text.isEmpty()) {
        // Room for two units at least, so that a surrogate pair is never cut in two.
        std::size_t room = (kBlockSize - m_size) / output::kMostUtf8Bytes;
        if (room < 2) {
            flush();
            room = kBlockSize / output::kMostUtf8Bytes;
        }
        qsizetype piece = std::min<qsizetype>(text.size(), qsizetype(room));
        if (piece != text.size() && text[piece - 1].isHighSurrogate()) --piece;
        char* const start = m_data.get() + m_size;
        m_size += std::size_t(output::encodeUtf8(start, text.first(piece), escape) - start);
        text = text.sliced(piece);
    }
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
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // The descriptor is shared with a parent that made it non-blocking: wait
            // for the reader, as a blocking write would.
            pollfd ready{m_fd, POLLOUT, 0};
            if (::poll(&ready, 1, -1) == 1 || errno == EINTR) continue;
        }
        throw WriteFailed(std::strerror(errno));
    }
    m_size = 0;
}

}  // namespace lexiquill::cli
