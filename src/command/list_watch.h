#pragma once

#include "command/command_context.h"
#include "command/step_trap.h"
#include "platform/event_pump.h"
#include "platform/list_view.h"

namespace lexiquill::command {

// A list as a command found it. Other commands run while a command yields or waits,
// and one that clears or replaces the list (the results' Clear List, a new run) would
// leave the command with some rows of one list and some of another, or a row number
// that now names another row: the command that finds the list changed lets it be.
class ListWatch {
public:
    ListWatch(CommandContext& ctx, const platform::ListView& list)
        : m_ctx(&ctx), m_list(&list), m_changeCount(list.changeCount())
    {
    }

    // Rows have gone since the watch began.
    bool listChanged() const { return m_list->changeCount() != m_changeCount; }

    // A yield of a command that reads the list across yields: abandons the command
    // when the list changed meanwhile.
    void yield() const
    {
        m_ctx->pump().yield();
        if (listChanged()) throw CommandAbandoned{};
    }

private:
    CommandContext* m_ctx;
    const platform::ListView* m_list;
    quint64 m_changeCount;
};

}  // namespace lexiquill::command
