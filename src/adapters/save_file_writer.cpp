#include "adapters/save_file_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/platform_error.h"

namespace lexiquill::adapters {

namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QByteArray lineBytes(const QString& line) { return line.toUtf8() + "\r\n"; }

[[noreturn]] void throwWriteFailure(const QString& path, const QString& reason)
{
    throw platform::PlatformError(QStringLiteral("Cannot write the file %1: %2").arg(path, reason));
}

// Lines into a temporary file beside the target, renamed over it on close.
class SaveFileStream final : public platform::TextStream {
public:
    explicit SaveFileStream(const QString& path)
    {
        m_file.setFileName(path);
        // Without this, a folder the user may not write to makes QSaveFile write
        // straight into the target, and a failure would leave it cut short.
        m_file.setDirectWriteFallback(false);
        if (!m_file.open(QIODevice::WriteOnly)) {
            throw platform::PlatformError(
                QStringLiteral("Cannot create the file %1: %2").arg(path, m_file.errorString()));
        }
    }

    void writeLine(const QString& line) override { writeBytes(lineBytes(line)); }
    void writeBytes(QByteArrayView bytes) override
    {
        errno = 0;
        if (m_file.write(bytes.data(), bytes.size()) != bytes.size()) fail(errno);
    }

    void close() override
    {
        errno = 0;
        if (!m_file.commit()) fail(errno);
    }

private:
    [[noreturn]] void fail(int error)
    {
        // QFileDevice loses the system's reason on some paths (a file grown past
        // its size limit gives "Unknown error"); the system still has it.
        QString reason = m_file.errorString();
        if ((reason.isEmpty() || reason == QLatin1String("Unknown error")) && error != 0) {
            reason = systemReason(error);
        }
        m_file.cancelWriting();
        throwWriteFailure(m_file.fileName(), reason);
    }

    QSaveFile m_file;
};

// A device or a named pipe: there is nothing to put in its place, so the lines go
// straight into it. The descriptor stays non-blocking: while the reader takes nothing,
// the export yields, so that the window answers and can be closed.
class DeviceStream final : public platform::TextStream {
public:
    DeviceStream(const QString& path, platform::EventPump& pump) : m_path(path), m_pump(pump)
    {
        // Opening a pipe that nobody reads would wait for a reader for ever.
        m_fd = ::open(QFile::encodeName(path).constData(),
                      O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (m_fd < 0) {
            const int error = errno;
            throw platform::PlatformError(
                QStringLiteral("Cannot create the file %1: %2")
                    .arg(path, error == ENXIO ? QStringLiteral("no program reads from it")
                                              : systemReason(error)));
        }
    }
    ~DeviceStream() override { ::close(m_fd); }
    DeviceStream(const DeviceStream&) = delete;
    DeviceStream& operator=(const DeviceStream&) = delete;

    void writeLine(const QString& line) override { writeBytes(lineBytes(line)); }
    void writeBytes(QByteArrayView bytes) override
    {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = writeWithoutSignal(bytes.constData() + done, bytes.size() - done);
            if (n >= 0) {
                done += n;
            } else if (errno == EAGAIN) {
                pollfd ready{m_fd, POLLOUT, 0};
                ::poll(&ready, 1, kWaitMs);
                m_pump.yield();
            } else if (errno != EINTR) {
                throwWriteFailure(m_path, systemReason(errno));
            }
        }
    }

    void close() override {}

private:
    // A pipe whose reader has gone fails with EPIPE and also raises SIGPIPE, which
    // would end the program: the signal is held back for the write and taken away.
    ssize_t writeWithoutSignal(const char* data, qsizetype size)
    {
        sigset_t pipe;
        sigset_t before;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, &before);
        const ssize_t n = ::write(m_fd, data, static_cast<std::size_t>(size));
        const int error = errno;
        if (n < 0 && error == EPIPE) {
            const timespec now{};
            sigtimedwait(&pipe, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        errno = error;
        return n;
    }

    // How long one wait for room in the pipe lasts before the window's events run.
    static constexpr int kWaitMs = 20;

    QString m_path;
    platform::EventPump& m_pump;
    int m_fd = -1;
};

}  // namespace

std::unique_ptr<platform::TextStream> SaveFileWriter::createTextFile(const QString& path)
{
    // Through a symbolic link, what it points to. Renaming a new file over a device
    // or a pipe would replace the node itself (as root, even /dev/null).
    const QFileInfo target(path);
    if (target.isDir()) {
        throw platform::PlatformError(
            QStringLiteral("Cannot create the file %1: it is a folder").arg(path));
    }
    if (target.exists() && !target.isFile()) return std::make_unique<DeviceStream>(path, m_pump);
    return std::make_unique<SaveFileStream>(path);
}

}  // namespace lexiquill::adapters
