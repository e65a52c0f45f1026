#pragma once

#include <QStringView>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "output/utf8_text.h"

namespace lexiquill::cli {

// A failed write to standard output (a full disk, a closed terminal): what() is the
// system's reason.
class WriteFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using output::Escape;

// Bytes for a file descriptor, gathered in a block of a fixed size and written with
// write(2) when the block is full or flush() is called; a descriptor left non-blocking
// by whoever started us is waited for. A failure is WriteFailed (a reader that has gone
// away ends the program before that, by SIGPIPE, as it ends every pipe-line tool).
class OutputStream {
public:
    explicit OutputStream(int fd);
    ~OutputStream();  // without flushing: a caller that stopped on a failure said why
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    void append(char c)
    {
        if (m_size == kBlockSize) flush();
        m_data[m_size++] = c;
    }
    void append(std::string_view bytes)
    {
        while (kBlockSize - m_size < bytes.size()) {
            const std::size_t room = kBlockSize - m_size;
            std::memcpy(m_data.get() + m_size, bytes.data(), room);
            m_size += room;
            bytes.remove_prefix(room);
            flush();
        }
        std::memcpy(m_data.get() + m_size, bytes.data(), bytes.size());
        m_size += bytes.size();
    }
    // The text in UTF-8, escaped for its place; half of a surrogate pair on its own,
    // which is no character, is written "?", as the text file writes it. Text of any
    // length goes through the block piece by piece.
    void appendText(QStringView text, Escape escape = Escape::None);

    // Writes the block out when it has grown past its size.
    void flushWhenFull()
    {
        if (m_size >= kFlushSize) flush();
    }
    void flush();

private:
    static constexpr std::size_t kFlushSize = std::size_t(1) << 16;
    static constexpr std::size_t kBlockSize = kFlushSize + 4096;
    int m_fd;
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
};

}  // namespace lexiquill::cli
