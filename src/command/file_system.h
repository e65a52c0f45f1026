#pragma once

#include <QString>

namespace lexiquill::command {

// True when the last-modification time of path can be read. Never fails: every
// failure (no such file, empty or malformed path, no access) is the answer false.
bool fileExists(const QString& path) noexcept;

// True when path is a symbolic link that leads back round to itself: it is there,
// yet nothing can be reached through it.
bool isSymbolicLinkLoop(const QString& path) noexcept;

// True when path names a regular file that the platform does not hide.
bool visibleFileExists(const QString& path) noexcept;

}  // namespace lexiquill::command
