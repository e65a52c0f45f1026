// Feeds arbitrary UTF-16 tables to the aligned text builder: the text file's lines
// and the clipboard text are checked against the plainest way of building them and
// against properties that must hold for every table.

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "output/aligned_text.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

using lexiquill::output::Table;

// Rows are separated by U+000A, cells by U+001F; a row whose first cell starts with
// an odd code unit is ticked. The first row gives the headers.
Table tableFrom(const QString& text)
{
    Table table;
    const QStringList lines = text.split(u'\n');
    table.headers = lines.first().split(u'\x1f');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QStringList cells = lines[i].split(u'\x1f');
        while (cells.size() > table.headers.size()) cells.removeLast();
        table.ticked.append(!lines[i].isEmpty() && (lines[i][0].unicode() & 1) != 0);
        table.rows.append(cells);
    }
    return table;
}

QString cell(const Table& table, qsizetype row, qsizetype column)
{
    return column < table.rows[row].size() ? table.rows[row][column] : QString();
}

qsizetype width(const Table& table, qsizetype column, bool headers)
{
    qsizetype w = headers ? table.headers[column].size() : 0;
    for (qsizetype r = 0; r < table.rows.size(); ++r) w = qMax(w, cell(table, r, column).size());
    return w;
}

QString paddedLine(const Table& table, const QStringList& cells, bool headers)
{
    QString line;
    for (qsizetype c = 0; c < table.headers.size(); ++c) {
        const QString text = c < cells.size() ? cells[c] : QString();
        line += text.leftJustified(width(table, c, headers)) + u'\t';
    }
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    const Table table = tableFrom(text);

    QString file = paddedLine(table, table.headers, true) + QStringLiteral("\r\n");
    QString clipboard;
    qsizetype ticked = 0;
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        if (!table.ticked[r]) continue;
        ++ticked;
        file += paddedLine(table, table.rows[r], true) + QStringLiteral("\r\n");
        QString line = paddedLine(table, table.rows[r], false);
        line.chop(1);
        while (line.endsWith(u' ')) line.chop(1);
        clipboard += line + QStringLiteral("\r\n");
    }

    const QString builtFile = lexiquill::output::alignedFileText(table);
    check(builtFile == file);
    check(builtFile.endsWith(QStringLiteral("\t\r\n")));
    const QString builtClipboard = lexiquill::output::clipboardText(table);
    check(builtClipboard == clipboard);
    check(builtClipboard.isEmpty() == (ticked == 0));
    check(builtClipboard.isEmpty() || builtClipboard.endsWith(QStringLiteral("\r\n")));
    check(!builtClipboard.contains(QStringLiteral(" \r\n")));

    // No column is narrower than its widest text, and headers count only in the file.
    for (qsizetype c = 0; c < table.headers.size(); ++c) {
        check(lexiquill::output::fileColumnWidths(table)[c] == width(table, c, true));
        check(lexiquill::output::clipboardColumnWidths(table)[c] == width(table, c, false));
    }
    return 0;
}
