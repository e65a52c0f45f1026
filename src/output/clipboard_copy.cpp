#include "output/clipboard_copy.h"

#include <QList>
#include <algorithm>

#include "command/command_context.h"
#include "command/list_watch.h"
#include "command/step_trap.h"
#include "output/aligned_text.h"
#include "output/list_reading.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/list_view.h"
#include "platform/platform_error.h"

namespace lexiquill::output {

namespace {

constexpr int kClipboardAttempts = 1000;

const QString kCopiedMessage = QStringLiteral(
    "Results have been copied to the clipboard.\r\rClick a text area where you normally type and "
    "press Ctrl+V to paste the clipboard.");
const QString kResultsChanged = QStringLiteral(
    "The results changed while they were being copied; the clipboard was left as it was.");

template <class Attempt>
bool withRetries(Attempt&& attempt)
{
    for (int i = 0; i < kClipboardAttempts; ++i) {
        try {
            attempt();
            return true;
        } catch (const platform::PlatformError&) {
        }
    }
    return false;
}

}  // namespace

void clearClipboard(platform::Clipboard& clipboard)
{
    withRetries([&] { clipboard.clear(); });
}

bool setClipboardText(platform::Clipboard& clipboard, const QString& text, int format)
{
    return withRetries([&] { clipboard.setText(text, format); });
}

void copyListToClipboard(command::CommandContext& ctx, platform::ListView& list)
{
    const int rows = list.rowCount();
    if (rows == 0) return;
    const command::ListWatch watch(ctx, list);

    // Widths over the cells of every row, ticked or not; headers do not count.
    QList<qsizetype> widths;
    const int columns = list.columnCount();
    for (int c = 1; c <= columns; ++c) {
        qsizetype w = 0;
        const int widthRows = list.rowCount();
        for (int r = 1; r <= widthRows; ++r) {
            watch.yield();
            w = std::max(w, cellText(list, r, c).size());
        }
        widths.append(w);
    }

    QString buffer;
    const int lineRows = list.rowCount();
    for (int r = 1; r <= lineRows; ++r) {
        watch.yield();
        if (!list.checked(r)) continue;
        const qsizetype lineStart = buffer.size();
        const int lineColumns = list.columnCount();
        for (int c = 1; c <= lineColumns; ++c) {
            watch.yield();
            appendAlignedCell(buffer, cellText(list, r, c), widthOf(widths, c));
        }
        finishClipboardLine(buffer, lineStart);
    }

    clearClipboard(ctx.clipboard());
    // Telling the user the results were copied when they were not would be worse
    // than saying nothing: the failure reaches the command's report instead.
    if (!setClipboardText(ctx.clipboard(), buffer, 0)) {
        throw platform::PlatformError(
            QStringLiteral("The results could not be placed on the clipboard: another program "
                           "holds it."));
    }
}

void copyResultsToClipboard(command::CommandContext& ctx)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("PushButton4_Click"));
    bool copied = false;
    try {
        copied = attempt(trap, 106, [&] { copyListToClipboard(ctx, ctx.resultTable()); });
    } catch (const command::CommandAbandoned&) {
        trap.step(108, [&] { ctx.dialogs().showMessage(kResultsChanged); });
    }
    if (copied) trap.step(108, [&] { ctx.dialogs().showMessage(kCopiedMessage); });
}

}  // namespace lexiquill::output
