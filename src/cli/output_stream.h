#pragma once

#include <QStringView>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace lexiquill::cli {

// A failed write to standard output (a full disk, a closed terminal): what() is the
// system's reason.
class WriteFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How text goes into a field of a row.
enum class Escape {
    None,
    Tsv,   // tab, CR, LF and backslash as \t \r \n and "\\"
    Json,  // the inside of a JSON string
};

// Bytes for a file descriptor, gathered in a block and written with write(2) when the
// block is full or flush() is called. A reader that has gone away ends the program at
// once and quietly, as it ends every pipe-line tool; any other failure is WriteFailed.
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
        char* to = reserve(bytes.size());
        std::memcpy(to, bytes.data(), bytes.size());
        m_size += bytes.size();
    }
    // The text in UTF-8, escaped for its place; half of a surrogate pair on its own,
    // which is no character, is written "?", as the text file writes it.
    void appendText(QStringView text, Escape escape = Escape::None);

    // Writes the block out when it has grown past its size.
    void flushWhenFull()
    {
        if (m_size >= kFlushSize) flush();
    }
    void flush();

private:
    // Room for n more bytes at the end of the block, after writing the block out if it
    // has not; a larger n grows the block.
    char* reserve(std::size_t n);

    static constexpr std::size_t kFlushSize = std::size_t(1) << 16;
    static constexpr std::size_t kBlockSize = kFlushSize + 4096;
    int m_fd;
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = kBlockSize;
};

}  // namespace lexiquill::cli
