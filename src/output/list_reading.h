#pragma once

#include <QList>
#include <QString>

#include "command/command_context.h"
#include "command/step_trap.h"
#include "platform/event_pump.h"
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

// The yields of an export. Other commands run in them, and one that clears or
// replaces the list being read (the results' Clear List, a new run) would leave the
// export with some rows of one list and some of another, or some rows missing: the
// yield that finds the list changed abandons the export instead.
class ListWatch {
public:
    ListWatch(command::CommandContext& ctx, const platform::ListView& list)
        : m_ctx(ctx), m_list(list), m_changeCount(list.changeCount())
    {
    }

    void yield() const
    {
        m_ctx.pump().yield();
        if (m_list.changeCount() != m_changeCount) throw command::CommandAbandoned{};
    }

private:
    command::CommandContext& m_ctx;
    const platform::ListView& m_list;
    quint64 m_changeCount;
};

// Runs one step through the trap; true when it succeeded.
template <class Action>
bool attempt(command::StepTrap& trap, int line, Action&& action)
{
    bool done = false;
    trap.step(line, [&] {
        action();
        done = true;
    });
    return done;
}

}  // namespace lexiquill::output
