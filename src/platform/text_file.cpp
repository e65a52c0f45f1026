#include "platform/text_file.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include "platform/platform_error.h"

namespace lexiquill::platform {

namespace {

class SaveFileStream final : public TextStream {
public:
    explicit SaveFileStream(const QString& path) : m_file(path)
    {
        // Without this, a folder the user may not write to makes QSaveFile write
        // straight into the target, and a failure would leave it cut short.
        m_file.setDirectWriteFallback(false);
        if (!m_file.open(QIODevice::WriteOnly)) {
            throw PlatformError(QStringLiteral("Cannot create the file %1: %2")
                                    .arg(path, m_file.errorString()));
        }
    }

    void writeLine(const QString& line) override
    {
        QByteArray bytes = line.toUtf8();
        bytes += "\r\n";
        errno = 0;
        if (m_file.write(bytes) != bytes.size()) fail(errno);
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
            reason = QString::fromLocal8Bit(std::strerror(error));
        }
        m_file.cancelWriting();
        throw PlatformError(QStringLiteral("Cannot write the file %1: %2")
                                .arg(m_file.fileName(), reason));
    }

    QSaveFile m_file;
};

}  // namespace

std::unique_ptr<TextStream> SaveFileWriter::createTextFile(const QString& path)
{
    return std::make_unique<SaveFileStream>(path);
}

}  // namespace lexiquill::platform
