#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace lexiquill::cli {

// Standard error, which the messages and the progress line share: a message first
// clears the progress line, so that it never runs on after the line's figures.

// "lexiquill: " and message on a line of its own. Control characters, which text from
// outside (a phrase, a file name, a server's reason) may hold, are shown as \xHH, so
// that none of them moves the cursor, changes colours or cuts the message short.
void printError(QStringView message);

// The most characters of a phrase a message shows.
inline constexpr qsizetype kShownLength = 60;
// A phrase as a message names it: in quotes, and a long one cut short.
QString quotedPhrase(QStringView phrase);

// Draws line, which holds no line end, in place of the progress line shown before.
void drawProgressLine(QByteArrayView line);
// Takes the progress line away, if one shows.
void clearProgressLine();

}  // namespace lexiquill::cli
