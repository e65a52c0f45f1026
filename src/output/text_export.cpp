#include "output/text_export.h"

#include <QList>

#include <algorithm>
#include <cmath>
#include <memory>

#include "output/aligned_text.h"
#include "output/list_reading.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/list_view.h"
#include "platform/platform_error.h"
#include "platform/text_file.h"
#include "command/command_context.h"
#include "command/path_helpers.h"
#include "command/step_trap.h"

namespace lexiquill::output {

using command::Pointer;
using command::StepTrap;

namespace {

constexpr int kSaveDialogFlags = 2621953;
const QString kTextFileFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
const QString kResultsChanged =
    QStringLiteral("The results changed while they were being saved; nothing was saved.");

class ProgressBar1 final : public ProgressIndicator {
public:
    explicit ProgressBar1(command::CommandContext& context) : m_context(context) {}
    void setValue(int value) override { m_context.setProgressValue(value); }
    void setCaption(const QString& caption) override { m_context.setProgressText(caption); }

private:
    command::CommandContext& m_context;
};

}  // namespace

int exportProgress(int row, int rowCount)
{
    if (rowCount == 0) throw platform::PlatformError(QStringLiteral("Division by zero"));
    const double value = static_cast<double>(row + rowCount / 2000) / rowCount * 100.0;
    return static_cast<int>(std::round(value));
}

void saveResultsToTextFile(command::CommandContext& ctx)
{
    StepTrap trap(ctx, command::kWindowModule, QStringLiteral("PushButton8_Click"));
    platform::SaveDialogOptions options;
    trap.step(106, [&] { options.fileName.clear(); });
    trap.step(108, [&] { options.flags = kSaveDialogFlags; });
    trap.step(110, [&] { options.title = QStringLiteral("Save"); });
    trap.step(112, [&] { options.filter = kTextFileFilter; });
    QString chosen = options.fileName;
    trap.step(114, [&] { chosen = ctx.dialogs().saveFileName(options); });
    QString path;
    trap.step(116, [&] { path = chosen; });
    if (trap.test(118, [&] { return path.isEmpty(); })) return;
    trap.step(120, [&] { ctx.setPointer(Pointer::Busy); });
    trap.step(122, [&] {
        ProgressBar1 progress(ctx);
        SaveListviewProperlySpaced(ctx, ctx.resultTable(), path, &progress);
    });
    trap.step(124, [&] { ctx.setPointer(Pointer::Default); });
}

void SaveListviewProperlySpaced(command::CommandContext& ctx, platform::ListView& list,
                                const QString& fileName, ProgressIndicator* progress)
{
    StepTrap trap(ctx, command::kSharedModule, QStringLiteral("SaveListviewProperlySpaced"));
    const ListWatch watch(ctx, list);
    const auto yield = [&] { watch.yield(); };
    const QString writing = QStringLiteral("Writing file: ") + command::fileNameFromPath(fileName);
    // Yield, show the value and the caption, yield: steps line to line + 6.
    const auto showProgress = [&](int line, int value) {
        if (progress == nullptr) return;
        trap.step(line, yield);
        trap.step(line + 2, [&] { progress->setValue(value); });
        trap.step(line + 4, [&] { progress->setCaption(writing); });
        trap.step(line + 6, yield);
    };

    // 154: the writer is the window's, there for as long as the window.
    std::unique_ptr<platform::TextStream> stream;
    // A file that could not be created, or a write that failed, has been reported
    // once: nothing more is written, and the file that was there stays as it was.
    bool writable = false;
    try {
        showProgress(102, 1);

        // Widths over the header and every row, ticked or not; the list is read as it
        // is at each cell, since other commands run in the yields.
        QList<qsizetype> widths;  // 110
        int columns = 0;
        trap.step(112, [&] { columns = list.columnCount(); });
        for (int c = 1; c <= columns; ++c) {
            qsizetype w = 0;  // 114
            trap.step(116, [&] { w = std::max(w, list.header(c).size()); });
            int rows = 0;
            trap.step(120, [&] { rows = list.rowCount(); });
            for (int r = 1; r <= rows; ++r) {
                trap.step(122, yield);
                const bool read =
                    attempt(trap, 124, [&] { w = std::max(w, cellText(list, r, c).size()); });
                if (!read && rowIsGone(list, r)) break;
            }
            widths.append(w);  // 140
        }

        showProgress(144, 10);

        QString line;  // 152
        trap.step(156, [&] { stream = ctx.textFiles().createTextFile(fileName); });
        writable = stream != nullptr;
        if (writable) {
            int headerColumns = 0;
            trap.step(158, [&] { headerColumns = list.columnCount(); });
            for (int c = 1; c <= headerColumns; ++c) {
                trap.step(160, yield);
                trap.step(162, [&] { appendAlignedCell(line, list.header(c), widthOf(widths, c)); });
            }
            writable = attempt(trap, 170, [&] { stream->writeLine(line); });
        }

        if (writable) showProgress(174, 20);

        int rows = 0;
        if (writable) trap.step(182, [&] { rows = list.rowCount(); });
        for (int r = 1; r <= rows && writable; ++r) {
            trap.step(184, yield);
            line.clear();  // 186
            bool ticked = false;
            // A mark that cannot be read counts as none: the row is left out.
            if (!attempt(trap, 188, [&] { ticked = list.checked(r); })) {
                if (rowIsGone(list, r)) break;
                continue;
            }
            if (!ticked) continue;
            int rowColumns = 0;
            trap.step(190, [&] { rowColumns = list.columnCount(); });
            bool gone = false;
            for (int c = 1; c <= rowColumns && !gone; ++c) {
                trap.step(192, yield);
                const bool read = attempt(trap, 194, [&] {
                    appendAlignedCell(line, cellText(list, r, c), widthOf(widths, c));
                });
                gone = !read && rowIsGone(list, r);
            }
            if (gone) break;
            if (progress != nullptr) {  // 204
                trap.step(206, yield);
                trap.step(208, [&] { progress->setValue(exportProgress(r, list.rowCount())); });
                if (r % 1000 == 0) {
                    trap.step(210, [&] {
                        progress->setCaption(writing + QStringLiteral(" (") + QString::number(r) +
                                             QLatin1Char(')'));
                    });
                }
                trap.step(212, yield);
            }
            writable = attempt(trap, 222, [&] { stream->writeLine(line); });
        }

        if (progress != nullptr) {  // 226
            trap.step(228, [&] { progress->setValue(100); });
            trap.step(230, [&] { progress->setCaption(QStringLiteral("Done.")); });
        }
    } catch (const command::CommandAbandoned&) {
        writable = false;
        trap.step(232, [&] { ctx.dialogs().showMessage(kResultsChanged); });
    }

    if (stream != nullptr && writable) trap.step(232, [&] { stream->close(); });
    // An unclosed stream goes without a trace, and the old file stays.
    trap.step(234, [&] { stream.reset(); });

    if (progress != nullptr) {  // 238
        trap.step(240, [&] { progress->setValue(0); });
        trap.step(242, [&] { progress->setCaption(QStringLiteral("Progress Bar")); });
    }
}

}  // namespace lexiquill::output
