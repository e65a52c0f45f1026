#include "output/aligned_text.h"

#include <algorithm>

namespace lexiquill::output {

void appendAlignedCell(QString& line, const QString& cell, qsizetype width)
{
    line += cell;
    if (width > cell.size()) line.append(QString(width - cell.size(), QLatin1Char(' ')));
    line += QLatin1Char('\t');
}

void finishClipboardLine(QString& buffer, qsizetype lineStart)
{
    qsizetype end = buffer.size();
    if (end > lineStart) --end;  // the tab after the last cell
    while (end > lineStart && buffer[end - 1] == QLatin1Char(' ')) --end;
    buffer.truncate(end);
    buffer += QLatin1String("\r\n");
}

namespace {

QString cellOf(const QStringList& row, qsizetype column)
{
    return column < row.size() ? row[column] : QString();
}

QList<qsizetype> widthsOver(const Table& table, bool withHeaders)
{
    QList<qsizetype> widths;
    for (qsizetype c = 0; c < table.headers.size(); ++c) {
        qsizetype w = withHeaders ? table.headers[c].size() : 0;
        for (const QStringList& row : table.rows) w = std::max(w, cellOf(row, c).size());
        widths.append(w);
    }
    return widths;
}

bool isTicked(const Table& table, qsizetype row)
{
    return row < table.ticked.size() && table.ticked[row];
}

}  // namespace

QList<qsizetype> fileColumnWidths(const Table& table) { return widthsOver(table, true); }

QList<qsizetype> clipboardColumnWidths(const Table& table) { return widthsOver(table, false); }

QString alignedFileText(const Table& table)
{
    const QList<qsizetype> widths = fileColumnWidths(table);
    QString text;
    for (qsizetype c = 0; c < table.headers.size(); ++c) {
        appendAlignedCell(text, table.headers[c], widths[c]);
    }
    text += QLatin1String("\r\n");
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        if (!isTicked(table, r)) continue;
        for (qsizetype c = 0; c < table.headers.size(); ++c) {
            appendAlignedCell(text, cellOf(table.rows[r], c), widths[c]);
        }
        text += QLatin1String("\r\n");
    }
    return text;
}

QString clipboardText(const Table& table)
{
    const QList<qsizetype> widths = clipboardColumnWidths(table);
    QString text;
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        if (!isTicked(table, r)) continue;
        const qsizetype lineStart = text.size();
        for (qsizetype c = 0; c < table.headers.size(); ++c) {
            appendAlignedCell(text, cellOf(table.rows[r], c), widths[c]);
        }
        finishClipboardLine(text, lineStart);
    }
    return text;
}

}  // namespace lexiquill::output
