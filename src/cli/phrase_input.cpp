#include "cli/phrase_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <memory>

#include "cli/messages.h"
#include "wordlist/list_lines.h"

namespace lexiquill::cli {

namespace {

constexpr qsizetype kBlockSize = qsizetype(1) << 20;
const QString kStandardInput = QStringLiteral("-");

class OpenFile {
public:
    explicit OpenFile(const QString& name)
        : m_fd(name == kStandardInput
                   ? STDIN_FILENO
                   : ::open(QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC))
    {
    }
    ~OpenFile()
    {
        if (m_fd > STDIN_FILENO) ::close(m_fd);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Reads the whole file block by block into feed; false, with errno set, on failure.
template <class Feed>
bool readBlocks(int fd, char* block, Feed&& feed)
{
    while (true) {
        const ssize_t n = ::read(fd, block, kBlockSize);
        if (n > 0) {
            feed(QByteArrayView(block, n));
        } else if (n == 0) {
            return true;
        } else if (errno != EINTR) {
            return false;
        }
    }
}

// Cuts the file into phrases for take, each with the bytes of the file up to its end,
// calling blockDone after each block and tooLong with the number of a line past the
// limit; false, with errno set, when reading failed. The phrases before a failure have
// been handed on, as in the window. bytesRead: the bytes of the file read.
template <class Take, class TooLong, class BlockDone>
bool splitFile(int fd, char* block, Take&& take, TooLong&& tooLong, BlockDone&& blockDone,
               qint64& bytesRead)
{
    wordlist::LineSplitter splitter(PhraseInput::kLongestPhrase);
    const auto takeWithBytes = [&](QByteArrayView phrase) { take(phrase, splitter.bytesEnded()); };
    char last = '\0';
    const bool read = readBlocks(fd, block, [&](QByteArrayView bytes) {
        splitter.feed(bytes, takeWithBytes, [&] { tooLong(splitter.lineNumber()); });
        last = bytes.back();
        bytesRead += bytes.size();
        blockDone();
    });
    // A text file on this system ends its last line with LF: that ends the line, it
    // does not begin an empty one, or every file would give an empty phrase at its end.
    if (read && last != '\n') splitter.finish(takeWithBytes);
    return read;
}

}  // namespace

PhraseInput::PhraseInput(QStringList files) : m_files(std::move(files))
{
    if (m_files.isEmpty()) m_files.append(kStandardInput);
}

bool PhraseInput::forEach(const std::function<void(const QString&)>& take,
                          const std::function<void()>& blockDone)
{
    const std::unique_ptr<char[]> block(new char[kBlockSize]);
    wordlist::PhraseDecoder decoder;
    QString phrase;
    qint64 filesRead = 0;  // the bytes of the files before the one being read
    // Most lists are plain ASCII, which needs no decoder.
    const auto hand = [&](QByteArrayView bytes, qint64 bytesEnded) {
        // Lines left out for their length count as taken too: they are behind us.
        m_bytesTaken = filesRead + bytesEnded;
        if (wordlist::isAscii(bytes)) {
            phrase = QLatin1StringView(bytes.data(), bytes.size());
        } else {
            phrase = decoder.decode(bytes);
        }
        take(phrase);
    };
    bool allRead = true;
    for (const QString& name : std::as_const(m_files)) {
        const auto tooLong = [&](qint64 line) {
            printError(QStringLiteral("%1: line %2 is longer than %3 MiB; it is left out")
                           .arg(name, QString::number(line),
                                QString::number(PhraseInput::kLongestPhrase >> 20)));
            allRead = false;
        };
        const OpenFile file(name);
        qint64 bytesRead = 0;
        if (file.fd() < 0 ||
            !splitFile(file.fd(), block.get(), hand, tooLong, blockDone, bytesRead)) {
            printError(name + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
            allRead = false;
        }
        filesRead += bytesRead;
    }
    return allRead;
}

qint64 PhraseInput::totalBytes() const
{
    qint64 total = 0;
    for (const QString& name : m_files) {
        struct stat info {};
        if (name == kStandardInput || ::stat(QFile::encodeName(name).constData(), &info) != 0 ||
            !S_ISREG(info.st_mode)) {
            return -1;
        }
        total += info.st_size;
    }
    return total;
}

}  // namespace lexiquill::cli
