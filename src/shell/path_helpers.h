#pragma once

#include <QString>

namespace lexiquill::shell {

// The text after the last path separator ("\" or "/"), or the whole text when it
// holds neither.
QString fileNameFromPath(const QString& text);

}  // namespace lexiquill::shell
