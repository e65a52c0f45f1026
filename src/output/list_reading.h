#pragma once

#include <QList>
#include <QString>

#include "platform/list_view.h"
#include "platform/platform_error.h"

namespace lexiquill::output {

// Cell c of a row as the exports number them: column 1 is the row's text, the
// others its sub-items.
inline QString cellText(const platform::ListView& list, int row, int column)
{
    return column == 1 ? list.text(row) : list.subText(row, column);
}

// The width of a column numbered from 1. Columns added while an export runs have
// no width: reading one fails like any other missing item.
inline qsizetype widthOf(const QList<qsizetype>& widths, int column)
{
    if (column < 1 || column > widths.size()) {
        throw platform::PlatformError(QStringLiteral("Subscript out of range"));
    }
    return widths[column - 1];
}

// True when row no longer exists because the list lost rows during a yield. Later
// rows are gone too, so a pass over the rows ends there after one report instead of
// one report per missing row.
inline bool rowIsGone(const platform::ListView& list, int row) noexcept
{
    try {
        return row > list.rowCount();
    } catch (...) {
        return false;
    }
}

}  // namespace lexiquill::output
