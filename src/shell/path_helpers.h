#pragma once

#include <QString>

namespace lexiquill::shell {

// The text after the last path separator ("\" or "/"), or the whole text when it
// holds neither.
QString fileNameFromPath(const QString& text);

// A path with its doubled separators collapsed: every pair of separators, found
// from left to right without overlapping, becomes one (so three in a row become two,
// and four become two). A path that starts with a separator keeps a network-style
// start: however many separators it starts with, it comes back starting with
// exactly two.
QString collapseDoubledSeparators(const QString& path, QChar separator);

// collapseDoubledSeparators with the backslash.
QString CollapseDoubleBackslashes(const QString& path);

}  // namespace lexiquill::shell
