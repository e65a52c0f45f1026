#include "command/file_system.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace lexiquill::command {

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
    return askSafely(
        path, [](const QFileInfo& info) { return info.exists() && info.lastModified().isValid(); });
}

bool isSymbolicLinkLoop(const QString& path) noexcept
{
    struct stat status {};
    return askSafely(path, [&](const QFileInfo&) {
        return ::stat(QFile::encodeName(path).constData(), &status) != 0 && errno == ELOOP;
    });
}

bool visibleFileExists(const QString& path) noexcept
{
    return askSafely(path, [](const QFileInfo& info) { return info.isFile() && !info.isHidden(); });
}

}  // namespace lexiquill::command
