#pragma once

#include <QString>

namespace lexiquill::command {

// The text after the last path separator ("\" or "/"), or the whole text when it
// holds neither.
QString fileNameFromPath(const QString& text);

// A path as a person writes it: every run of "/" becomes one, at the start too.
QString collapseSeparators(const QString& path);

}  // namespace lexiquill::command
