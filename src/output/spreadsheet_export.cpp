#include "output/spreadsheet_export.h"

#include <memory>

#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/list_view.h"
#include "platform/platform_error.h"
#include "platform/spreadsheet.h"
#include "shell/command_context.h"
#include "shell/step_trap.h"

namespace lexiquill::output {

using shell::Pointer;

namespace {

// A step that needs the application or the workbook fails, like any other, when an
// earlier step could not make it.
template <class T>
T& need(T* object, const char* what) {
    if (!object) throw platform::PlatformError(QString::fromLatin1(what));
    return *object;
}

}  // namespace

bool SaveResultsAsExcelFileIsExcelInstalled(shell::CommandContext& ctx) {
    bool result = true;
    bool failed = false;
    bool absent = false;
    try {
        absent = ctx.spreadsheet().start() == nullptr;  // released at once
    } catch (const platform::ProgramEnding&) {
        throw;
    } catch (...) {
        failed = true;
    }
    if (failed || absent) {
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

void saveResultsAsExcelFile(shell::CommandContext& ctx) {
    shell::StepTrap trap(ctx, QStringLiteral("Form1"), QStringLiteral("PushButton12_Click"));
    if (trap.test(100, [&] { return !SaveResultsAsExcelFileIsExcelInstalled(ctx); })) {
        trap.step(172, [&] {
            ctx.dialogs().showMessage(QStringLiteral(
                "Excel is not installed on this computer. You need to have it installed to use "
                "this feature."));
        });
        return;
    }
    if (trap.test(108, [&] { return ctx.resultTable().rowCount() == 0; })) return;
    trap.step(110, [&] { ctx.setPointer(Pointer::Busy); });

    std::unique_ptr<platform::SpreadsheetApplication> application;
    platform::Workbook* workbook = nullptr;
    const auto sheet = [&]() -> platform::Workbook& {
        return need(workbook, "There is no workbook");
    };
    trap.step(112, [&] { application = ctx.spreadsheet().start(); });
    trap.step(114, [&] {
        workbook =
            &need(application.get(), "The spreadsheet application did not start").addWorkbook();
    });

    int i = 0;
    trap.step(116, [&] { i = 1; });
    int headers = 0;
    trap.step(118, [&] { headers = ctx.resultTable().columnCount(); });
    for (int c = 1; c <= headers; ++c) {
        trap.step(120, [&] { ctx.pump().yield(); });
        trap.step(122, [&] { sheet().writeCell(1, i, ctx.resultTable().header(c)); });
        trap.step(130, [&] { ++i; });
        trap.step(132, [&] { sheet().fitColumn(c); });
    }

    int j = 0;
    trap.step(136, [&] { j = 2; });
    int rows = 0;
    trap.step(138, [&] { rows = ctx.resultTable().rowCount(); });
    for (int r = 1; r <= rows; ++r) {
        trap.step(140, [&] { ctx.pump().yield(); });
        if (trap.test(142, [&] { return ctx.resultTable().checked(r); })) {
            trap.step(144, [&] { i = 1; });
            int columns = 0;
            trap.step(146, [&] { columns = ctx.resultTable().columnCount(); });
            for (int c = 1; c <= columns; ++c) {
                trap.step(148, [&] { ctx.pump().yield(); });
                if (c == 1) {
                    trap.step(152, [&] { sheet().writeCell(j, i, ctx.resultTable().text(r)); });
                } else {
                    trap.step(156, [&] {
                        sheet().writeCell(j, i,
                                          ctx.resultTable().subText(r, c).remove(QLatin1Char('=')));
                    });
                }
                trap.step(158, [&] { ++i; });
            }
        }
        trap.step(162, [&] { ++j; });
    }
    trap.step(166, [&] { sheet().fitAllColumns(); });
    trap.step(168,
              [&] { need(application.get(), "The spreadsheet application did not start").show(); });
    trap.step(170, [&] { ctx.setPointer(Pointer::Default); });
}

}  // namespace lexiquill::output
