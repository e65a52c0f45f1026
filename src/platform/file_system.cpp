#include "platform/file_system.h"

#include <QDateTime>
#include <QFileInfo>

namespace lexiquill::platform {

namespace {

// Asks about a path without ever failing: every failure is the answer false.
template <class Question>
bool askSafely(const QString& path, Question question) noexcept
{
    try {
        return !path.isEmpty() && !path.contains(QChar(0)) && question(QFileInfo(path));
    } catch (...) {
        return false;
    }
}

}  // namespace

bool fileExists(const QString& path) noexcept
{
    return askSafely(path, [](const QFileInfo& info) {
        return info.exists() && info.lastModified().isValid();
    });
}

bool visibleFileExists(const QString& path) noexcept
{
    return askSafely(path, [](const QFileInfo& info) { return info.isFile() && !info.isHidden(); });
}

}  // namespace lexiquill::platform
