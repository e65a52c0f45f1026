#include "output/text_export.h"

#include <QList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "command/command_context.h"
#include "command/list_watch.h"
#include "command/path_helpers.h"
#include "command/step_trap.h"
#include "output/aligned_text.h"
#include "output/list_reading.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/list_view.h"
#include "platform/platform_error.h"
#include "platform/text_file.h"

namespace lexiquill::output {

using command::Pointer;
using command::StepTrap;

namespace {

constexpr int kSaveDialogFlags = 2621953;
const QString kTextFileFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
const QString kResultsChanged =
    QStringLiteral("The results changed while they were being saved; nothing was saved.");

class WindowProgressBar final : public ProgressIndicator {
public:
    explicit WindowProgressBar(command::CommandContext& context) : m_context(context) {}
    void setValue(int value) override { m_context.setProgressValue(value); }
    void setCaption(const QString& caption) override { m_context.setProgressText(caption); }

private:
    command::CommandContext& m_context;
};

// The progress value shown after row r of rowCount (the list's current count).
int exportProgress(int row, int rowCount)
{
    if (rowCount == 0) throw platform::PlatformError(QStringLiteral("Division by zero"));
    const double value = static_cast<double>(row + rowCount / 2000) / rowCount * 100.0;
    return static_cast<int>(std::round(value));
}

}  // namespace

QString askSavePath(command::CommandContext& ctx, StepTrap& trap, const QString& filter)
{
    platform::SaveDialogOptions options;
    trap.step(106, [&] { options.fileName.clear(); });
    trap.step(108, [&] { options.flags = kSaveDialogFlags; });
    trap.step(110, [&] { options.title = QStringLiteral("Save"); });
    trap.step(112, [&] { options.filter = filter.isEmpty() ? kTextFileFilter : filter; });
    QString chosen = options.fileName;
    trap.step(114, [&] { chosen = ctx.dialogs().saveFileName(options); });
    QString path;
    trap.step(116, [&] { path = chosen; });
    return path;
}

void saveResultsToTextFile(command::CommandContext& ctx)
{
    StepTrap trap(ctx, command::kWindowModule, QStringLiteral("PushButton8_Click"));
    const QString path = askSavePath(ctx, trap);
    if (trap.test(118, [&] { return path.isEmpty(); })) return;
    trap.step(120, [&] { ctx.setPointer(Pointer::Busy); });
    trap.step(122, [&] {
        WindowProgressBar progress(ctx);
        saveAlignedText(ctx, ctx.resultTable(), path, &progress);
    });
    trap.step(124, [&] { ctx.setPointer(Pointer::Default); });
}

namespace {

// The numbered steps of saveAlignedText, one pass at a time. Other commands run in
// the yields, so the list is read as it is at each cell; a pass that finds the list
// cleared or replaced is abandoned by the watch.
class AlignedTextPasses {
public:
    AlignedTextPasses(command::CommandContext& ctx, StepTrap& trap, platform::ListView& list,
                      const QString& fileName, ProgressIndicator* progress)
        : m_ctx(ctx),
          m_trap(trap),
          m_list(list),
          m_watch(ctx, list),
          m_progress(progress),
          m_fileName(fileName),
          m_writing(QStringLiteral("Writing file: ") + command::fileNameFromPath(fileName))
    {
    }

    // Yield, show the value and the caption, yield: steps line to line + 6.
    void showProgress(int line, int value)
    {
        if (m_progress == nullptr) return;
        m_trap.step(line, yield());
        m_trap.step(line + 2, [&] { m_progress->setValue(value); });
        m_trap.step(line + 4, [&] { m_progress->setCaption(m_writing); });
        m_trap.step(line + 6, yield());
    }

    // Widths over the header and every row, ticked or not.
    void measureWidths()
    {
        int columns = 0;
        m_trap.step(112, [&] { columns = m_list.columnCount(); });
        for (int c = 1; c <= columns; ++c) {
            qsizetype w = 0;  // 114
            m_trap.step(116, [&] { w = std::max(w, m_list.header(c).size()); });
            int rows = 0;
            m_trap.step(120, [&] { rows = m_list.rowCount(); });
            for (int r = 1; r <= rows; ++r) {
                m_trap.step(122, yield());
                const bool read =
                    attempt(m_trap, 124, [&] { w = std::max(w, cellText(m_list, r, c).size()); });
                if (!read && rowIsGone(m_list, r)) break;
            }
            m_widths.append(w);  // 140
        }
    }

    // Creates the file and writes the header line: false when either failed (and was
    // reported), so that nothing more is written.
    bool writeHeader()
    {
        m_trap.step(156, [&] { m_stream = m_ctx.textFiles().createTextFile(m_fileName); });
        if (m_stream == nullptr) return false;
        QString line;  // 152
        int columns = 0;
        m_trap.step(158, [&] { columns = m_list.columnCount(); });
        for (int c = 1; c <= columns; ++c) {
            m_trap.step(160, yield());
            m_trap.step(162,
                        [&] { appendAlignedCell(line, m_list.header(c), widthOf(m_widths, c)); });
        }
        return attempt(m_trap, 170, [&] { m_stream->writeLine(line); });
    }

    // The ticked rows: false when a write failed (and was reported).
    bool writeRows()
    {
        int rows = 0;
        m_trap.step(182, [&] { rows = m_list.rowCount(); });
        for (int r = 1; r <= rows; ++r) {
            m_trap.step(184, yield());
            bool ticked = false;
            // A mark that cannot be read counts as none: the row is left out.
            if (!attempt(m_trap, 188, [&] { ticked = m_list.checked(r); })) {
                if (rowIsGone(m_list, r)) break;
                continue;
            }
            if (!ticked) continue;
            QString line;  // 186
            if (!alignRow(r, line)) break;
            showRowProgress(r);
            if (!attempt(m_trap, 222, [&] { m_stream->writeLine(line); })) return false;
        }
        return true;
    }

    // Puts the file in place when every line was written, then lets the stream go.
    // A stream that is not closed goes without a trace, and the file that was there
    // stays.
    void finish(bool written)
    {
        if (written) m_trap.step(232, [&] { m_stream->close(); });
        m_trap.step(234, [&] { m_stream.reset(); });
    }

private:
    std::function<void()> yield() const
    {
        return [this] { m_watch.yield(); };
    }

    // False when the row went while it was read.
    bool alignRow(int r, QString& line)
    {
        int columns = 0;
        m_trap.step(190, [&] { columns = m_list.columnCount(); });
        for (int c = 1; c <= columns; ++c) {
            m_trap.step(192, yield());
            const bool read = attempt(m_trap, 194, [&] {
                appendAlignedCell(line, cellText(m_list, r, c), widthOf(m_widths, c));
            });
            if (!read && rowIsGone(m_list, r)) return false;
        }
        return true;
    }

    void showRowProgress(int r)
    {
        if (m_progress == nullptr) return;  // 204
        m_trap.step(206, yield());
        m_trap.step(208, [&] { m_progress->setValue(exportProgress(r, m_list.rowCount())); });
        if (r % 1000 == 0) {
            m_trap.step(210, [&] {
                m_progress->setCaption(m_writing + QStringLiteral(" (") + QString::number(r) +
                                       QLatin1Char(')'));
            });
        }
        m_trap.step(212, yield());
    }

    command::CommandContext& m_ctx;
    StepTrap& m_trap;
    platform::ListView& m_list;
    const command::ListWatch m_watch;
    ProgressIndicator* m_progress;
    const QString m_fileName;
    const QString m_writing;
    QList<qsizetype> m_widths;  // 110
    // 154: the writer is the window's, there for as long as the window.
    std::unique_ptr<platform::TextStream> m_stream;
};

}  // namespace

void saveAlignedText(command::CommandContext& ctx, platform::ListView& list,
                     const QString& fileName, ProgressIndicator* progress)
{
    StepTrap trap(ctx, command::kSharedModule, QStringLiteral("SaveListviewProperlySpaced"));
    AlignedTextPasses passes(ctx, trap, list, fileName, progress);
    // A file that could not be created, or a write that failed, has been reported
    // once: nothing more is written, and the file that was there stays as it was.
    bool written = false;
    try {
        passes.showProgress(102, 1);
        passes.measureWidths();
        passes.showProgress(144, 10);
        written = passes.writeHeader();
        if (written) passes.showProgress(174, 20);
        if (written) written = passes.writeRows();
        if (progress != nullptr) {  // 226
            trap.step(228, [&] { progress->setValue(100); });
            trap.step(230, [&] { progress->setCaption(QStringLiteral("Done.")); });
        }
    } catch (const command::CommandAbandoned&) {
        written = false;
        trap.step(232, [&] { ctx.dialogs().showMessage(kResultsChanged); });
    }
    passes.finish(written);
    if (progress != nullptr) {  // 238
        trap.step(240, [&] { progress->setValue(0); });
        trap.step(242, [&] { progress->setCaption(QStringLiteral("Progress Bar")); });
    }
}

}  // namespace lexiquill::output
