#pragma once

#include <QString>

namespace lexiquill::output {

// The results' column headers, as the window shows them and the text file starts.
inline const QString kWordColumnHeader = QStringLiteral(" Word(s)");
inline const QString kResultColumnHeader = QStringLiteral("Result");

// The column rule shared by the text file and the clipboard: a cell, spaces up to
// its column's width, then a tab. A cell longer than its column (the list changed
// while it was being read) gets the tab alone. Widths and lengths count UTF-16 code
// units, as the lists do.
void appendAlignedCell(QString& line, const QString& cell, qsizetype width);

// Turns a line of aligned cells into a clipboard line: the tab after the last cell
// goes, then every space at the end, then CR LF is appended. Only the part of the
// buffer after lineStart is touched, so earlier lines keep their spaces.
void finishClipboardLine(QString& buffer, qsizetype lineStart);

}  // namespace lexiquill::output
