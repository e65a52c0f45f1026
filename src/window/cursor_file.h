#pragma once

#include <QCursor>
#include <QString>

namespace lexiquill::window {

// Loads a Windows cursor file (.cur) with the hot spot it declares. A file that is
// not a readable picture is a PlatformError.
QCursor loadCursorFile(const QString& path);

}  // namespace lexiquill::window
