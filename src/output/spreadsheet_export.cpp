#include "output/spreadsheet_export.h"

#include <QScopeGuard>
#include <memory>

#include "command/command_context.h"
#include "command/list_watch.h"
#include "command/step_trap.h"
#include "output/list_reading.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/list_view.h"
#include "platform/platform_error.h"
#include "platform/spreadsheet.h"

namespace lexiquill::output {

using command::Pointer;

namespace {

const QString kResultsChanged =
    QStringLiteral("The results changed while they were being exported; no workbook was opened.");

// A step that needs the application or the workbook fails, like any other, when an
// earlier step could not make it.
template <class T>
T& need(T* object, const char* what)
{
    if (!object) throw platform::PlatformError(QString::fromLatin1(what));
    return *object;
}

// The headers into row 1, and each ticked row n into row n + 1. A row past the
// sheet's last is reported once and ends the writing, since every later row would
// fail alike; what was written is still shown.
void fillWorkbook(command::CommandContext& ctx, command::StepTrap& trap, platform::Workbook& sheet)
{
    const command::ListWatch watch(ctx, ctx.resultTable());
    const auto yield = [&] { watch.yield(); };
    bool full = false;
    const auto write = [&](int row, int column, const QString& text) {
        try {
            sheet.writeCell(row, column, text);
        } catch (const platform::SheetFull&) {
            full = true;
            throw;
        }
    };
    int i = 0;
    trap.step(116, [&] { i = 1; });
    int headers = 0;
    trap.step(118, [&] { headers = ctx.resultTable().columnCount(); });
    for (int c = 1; c <= headers && !full; ++c) {
        trap.step(120, yield);
        trap.step(122, [&] { write(1, i, ctx.resultTable().header(c)); });
        trap.step(130, [&] { ++i; });
        trap.step(132, [&] { sheet.fitColumn(c); });
    }

    int j = 0;
    trap.step(136, [&] { j = 2; });
    int rows = 0;
    trap.step(138, [&] { rows = ctx.resultTable().rowCount(); });
    for (int r = 1; r <= rows && !full; ++r) {
        trap.step(140, yield);
        if (trap.test(142, [&] { return ctx.resultTable().checked(r); })) {
            trap.step(144, [&] { i = 1; });
            int columns = 0;
            trap.step(146, [&] { columns = ctx.resultTable().columnCount(); });
            for (int c = 1; c <= columns && !full; ++c) {
                trap.step(148, yield);
                if (c == 1) {
                    trap.step(152, [&] { write(j, i, ctx.resultTable().text(r)); });
                } else {
                    trap.step(156, [&] {
                        write(j, i, ctx.resultTable().subText(r, c).remove(QLatin1Char('=')));
                    });
                }
                trap.step(158, [&] { ++i; });
            }
        }
        trap.step(162, [&] { ++j; });
    }
    trap.step(166, [&] { sheet.fitAllColumns(); });
}

// Starting the application is how the click finds out whether there is one; the one
// started is kept in started, so that the click looks for one only once.
bool SaveResultsAsExcelFileIsExcelInstalled(
    command::CommandContext& ctx, std::unique_ptr<platform::SpreadsheetApplication>& started)
{
    bool result = true;
    bool failed = false;
    try {
        // Finding the application can take seconds: the hourglass shows meanwhile. The
        // pointer is only a hint here, and one that cannot be set changes nothing.
        const Pointer before = ctx.pointer();
        const auto point = [&](Pointer pointer) {
            try {
                ctx.setPointer(pointer);
            } catch (const platform::PlatformError&) {
            }
        };
        point(Pointer::Busy);
        const auto restore = qScopeGuard([&] { point(before); });
        started = ctx.spreadsheet().start();
    } catch (const platform::ProgramEnding&) {
        throw;
    } catch (...) {
        failed = true;
    }
    if (failed || started == nullptr) {
        try {
            ctx.dialogs().showMessage(
                QStringLiteral("Excel is not installed on this computer. You need to have it "
                               "installed to use this "
                               "software without error."));
        } catch (const platform::ProgramEnding&) {
            throw;
        } catch (...) {
        }
    }
    if (failed) result = false;
    return result;
}

}  // namespace

void saveResultsAsExcelFile(command::CommandContext& ctx)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("PushButton12_Click"));
    std::unique_ptr<platform::SpreadsheetApplication> application;
    if (trap.test(100, [&] { return !SaveResultsAsExcelFileIsExcelInstalled(ctx, application); })) {
        trap.step(172, [&] {
            ctx.dialogs().showMessage(QStringLiteral(
                "Excel is not installed on this computer. You need to have it installed to use "
                "this feature."));
        });
        return;
    }
    if (trap.test(108, [&] { return ctx.resultTable().rowCount() == 0; })) return;
    trap.step(110, [&] { ctx.setPointer(Pointer::Busy); });

    // Without an application or a workbook there is nothing to write into: one report,
    // and the export ends.
    platform::Workbook* workbook = nullptr;
    const bool ready =
        attempt(trap, 112,
                [&] {
                    if (!application) application = ctx.spreadsheet().start();
                }) &&
        attempt(trap, 114, [&] {
            workbook =
                &need(application.get(), "The spreadsheet application did not start").addWorkbook();
        });
    try {
        if (ready) fillWorkbook(ctx, trap, *workbook);
        if (ready) trap.step(168, [&] { application->show(); });
    } catch (const command::CommandAbandoned&) {
        // The application goes unshown, and its workbook with it.
        application.reset();
        trap.step(168, [&] { ctx.dialogs().showMessage(kResultsChanged); });
    }
    trap.step(170, [&] { ctx.setPointer(Pointer::Default); });
}

}  // namespace lexiquill::output
