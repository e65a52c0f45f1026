#include "platform/file_system.h"

#include <QDateTime>
#include <QFileInfo>

namespace lexiquill::platform {

bool fileExists(const QString& path) noexcept
{
    try {
        if (path.isEmpty() || path.contains(QChar(0))) return false;
        const QFileInfo info(path);
        return info.exists() && info.lastModified().isValid();
    } catch (...) {
        return false;
    }
}

}  // namespace lexiquill::platform
