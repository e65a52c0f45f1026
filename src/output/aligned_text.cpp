#include "output/aligned_text.h"

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

}  // namespace lexiquill::output
