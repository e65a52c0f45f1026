#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace lexiquill::output {

// The column rule shared by the text file and the clipboard: a cell, spaces up to
// its column's width, then a tab. A cell longer than its column (the list changed
// while it was being read) gets the tab alone. Widths and lengths count UTF-16 code
// units, as the lists do.
void appendAlignedCell(QString& line, const QString& cell, qsizetype width);

// Turns a line of aligned cells into a clipboard line: the tab after the last cell
// goes, then every space at the end, then CR LF is appended. Only the part of the
// buffer after lineStart is touched, so earlier lines keep their spaces.
void finishClipboardLine(QString& buffer, qsizetype lineStart);

// A list as the exports see it: headers, rows of cells (column 1 first) and the
// tick marks. Rows may be shorter than the headers; missing cells are empty.
struct Table {
    QStringList headers;
    QList<QStringList> rows;
    QList<bool> ticked;
};

// Widths over the headers and every row, ticked or not.
QList<qsizetype> fileColumnWidths(const Table& table);
// Widths over the cells only; 0 for a column without any character.
QList<qsizetype> clipboardColumnWidths(const Table& table);

// The text file's lines: the header line, then one line per ticked row, each
// ending with its last column's spaces, a tab and CR LF.
QString alignedFileText(const Table& table);
// The clipboard text: one line per ticked row without a header, the final tab and
// trailing spaces cut, each line ending with CR LF. Empty when no row is ticked.
QString clipboardText(const Table& table);

}  // namespace lexiquill::output
