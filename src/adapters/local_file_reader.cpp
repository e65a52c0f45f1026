#include "adapters/local_file_reader.h"

#include <QFile>
#include <cerrno>
#include <system_error>

#include "platform/platform_error.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lexiquill::adapters {

namespace {

platform::PlatformError cannotRead(const QString& path, const QString& reason)
{
    return platform::PlatformError(
        QStringLiteral("Cannot read the list file \"%1\": %2.").arg(path, reason));
}

#ifdef Q_OS_UNIX

QString systemReason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

QString notRegular(mode_t mode)
{
    if (S_ISDIR(mode)) return systemReason(EISDIR);
    if (S_ISFIFO(mode)) return QStringLiteral("it is a named pipe (FIFO), not a regular file");
    if (S_ISSOCK(mode)) return QStringLiteral("it is a socket, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("it is a device, not a regular file");
    return QStringLiteral("it is not a regular file");
}

class PosixFile final : public platform::ReadableFile {
public:
    PosixFile(int fd, QString path) : m_fd(fd), m_path(std::move(path)) {}
    ~PosixFile() override { ::close(m_fd); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    qsizetype read(char* buffer, qsizetype size) override
    {
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, static_cast<size_t>(size));
            if (n >= 0) return n;
            if (errno != EINTR) throw cannotRead(m_path, systemReason(errno));
        }
    }

private:
    int m_fd;
    QString m_path;
};

#else

class QtFile final : public platform::ReadableFile {
public:
    explicit QtFile(const QString& path) : m_file(path) {}
    bool open() { return m_file.open(QIODevice::ReadOnly); }
    QString errorString() const { return m_file.errorString(); }

    qsizetype read(char* buffer, qsizetype size) override
    {
        const qint64 n = m_file.read(buffer, size);
        if (n < 0) throw cannotRead(m_file.fileName(), m_file.errorString());
        return static_cast<qsizetype>(n);
    }

private:
    QFile m_file;
};

#endif

}  // namespace

std::unique_ptr<platform::ReadableFile> LocalFileReader::open(const QString& path)
{
    if (path.isEmpty() || path.contains(QChar(0))) {
        throw cannotRead(path, QStringLiteral("the name is not a valid path"));
    }
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    // Without O_NONBLOCK, opening a named pipe would wait for a writer; the file is
    // refused below anyway once it turns out not to be a regular file.
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw cannotRead(path, systemReason(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        throw cannotRead(path, systemReason(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        throw cannotRead(path, notRegular(status.st_mode));
    }
    // Regular files never block; blocking reads keep the loop simple.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return std::make_unique<PosixFile>(fd, path);
#else
    auto file = std::make_unique<QtFile>(path);
    if (!file->open()) throw cannotRead(path, file->errorString());
    return file;
#endif
}

}  // namespace lexiquill::adapters
