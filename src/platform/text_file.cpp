#include "platform/text_file.h"

#include <QSaveFile>

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
        if (m_file.write(bytes) != bytes.size()) fail();
    }

    void close() override
    {
        if (!m_file.commit()) fail();
    }

private:
    [[noreturn]] void fail()
    {
        const QString reason = m_file.errorString();
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
