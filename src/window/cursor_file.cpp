#include "window/cursor_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

#include "platform/platform_error.h"

namespace lexiquill::window {

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw platform::PlatformError(QStringLiteral("Invalid picture: %1 cannot be read (%2).")
                                          .arg(path, file.errorString()));
    }
    QByteArray bytes = file.readAll();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "cur");
    const QImage image = reader.read();
    if (image.isNull()) {
        throw platform::PlatformError(
            QStringLiteral("Invalid picture: %1 is not a cursor file (%2).")
                .arg(path, reader.errorString()));
    }
    // Qt reads the image but not the hot spot: it stands in the first directory
    // entry, as two little-endian 16-bit numbers at bytes 10 to 13.
    int hotX = 0;
    int hotY = 0;
    if (bytes.size() >= 14) {
        hotX = qFromLittleEndian<quint16>(bytes.constData() + 10);
        hotY = qFromLittleEndian<quint16>(bytes.constData() + 12);
    }
    if (hotX >= image.width() || hotY >= image.height()) hotX = hotY = 0;
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace lexiquill::window
