#include "adapters/save_file_writer.h"

#include <fcntl.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "platform/platform_error.h"

namespace lexiquill::adapters {

namespace {

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Lines in UTF-8 with CR LF, into a save file or straight into a device.
template <class File>
class LineStream : public platform::TextStream {
public:
    void writeLine(const QString& line) override
    {
        QByteArray bytes = line.toUtf8();
        bytes += "\r\n";
        errno = 0;
        if (m_file.write(bytes) != bytes.size()) fail(errno);
    }

protected:
    [[noreturn]] void fail(int error)
    {
        // QFileDevice loses the system's reason on some paths (a file grown past
        // its size limit gives "Unknown error"); the system still has it.
        QString reason = m_file.errorString();
        if ((reason.isEmpty() || reason == QLatin1String("Unknown error")) && error != 0) {
            reason = systemReason(error);
        }
        discard();
        throw platform::PlatformError(
            QStringLiteral("Cannot write the file %1: %2").arg(m_file.fileName(), reason));
    }
    virtual void discard() {}

    File m_file;
};

class SaveFileStream final : public LineStream<QSaveFile> {
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

    void close() override
    {
        errno = 0;
        if (!m_file.commit()) fail(errno);
    }

private:
    void discard() override { m_file.cancelWriting(); }
};

// A device, a named pipe or a socket: there is nothing to put in its place, so the
// lines go straight into it.
class DeviceStream final : public LineStream<QFile> {
public:
    explicit DeviceStream(const QString& path)
    {
        m_file.setFileName(path);
        // Opening a pipe that nobody reads would wait for a reader for ever.
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            const int error = errno;
            throw platform::PlatformError(
                QStringLiteral("Cannot create the file %1: %2")
                    .arg(path, error == ENXIO ? QStringLiteral("no program reads from it")
                                              : systemReason(error)));
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFile::AutoCloseHandle);
    }

    void close() override
    {
        errno = 0;
        if (!m_file.flush()) fail(errno);
        m_file.close();
    }
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
    if (target.exists() && !target.isFile()) return std::make_unique<DeviceStream>(path);
    return std::make_unique<SaveFileStream>(path);
}

}  // namespace lexiquill::adapters
