#include "wordlist/list_file_loading.h"

#include <memory>

#include "command/command_context.h"
#include "command/file_system.h"
#include "command/path_helpers.h"
#include "command/step_trap.h"
#include "platform/dialogs.h"
#include "platform/file_reader.h"
#include "platform/list_view.h"
#include "wordlist/list_lines.h"

namespace lexiquill::wordlist {

using command::Pointer;
using command::StepTrap;

namespace {

// Large blocks keep the number of system calls small; the phrases are cut from the
// block in memory.
constexpr qsizetype kReadBlockSize = qsizetype(1) << 20;

// Read-only box ticked, several files, explorer style, long names.
constexpr int kOpenDialogFlags = platform::kFileDialogReadOnly |
                                 platform::kFileDialogAllowMultiSelect |
                                 platform::kFileDialogExplorer | platform::kFileDialogLongNames;

}  // namespace

void loadListFile(command::CommandContext& ctx, platform::ListView& list, const QString& path)
{
    // A link that leads round in a loop is there, but unreadable: the reader says so.
    if (!command::fileExists(path) && !command::isSymbolicLinkLoop(path)) {
        ctx.dialogs().showMessage(QStringLiteral("File not found"));
        return;
    }
    const std::unique_ptr<platform::ReadableFile> file = ctx.fileReader().open(path);
    const std::unique_ptr<char[]> block(new char[kReadBlockSize]);
    LineSplitter splitter;
    PhraseDecoder decoder;
    // Most lists are plain ASCII, which goes into the list as it stands; a full
    // decoder call would cost far more.
    const auto append = [&](QByteArrayView phrase) {
        if (isAscii(phrase)) {
            list.appendLatin1(QLatin1StringView(phrase.data(), phrase.size()));
        } else {
            list.append(decoder.decode(phrase));
        }
    };
    while (const qsizetype n = file->read(block.get(), kReadBlockSize)) {
        splitter.feed(QByteArrayView(block.get(), n), append);
    }
    splitter.finish(append);
}

void loadWordListFiles(command::CommandContext& ctx)
{
    StepTrap trap(ctx, command::kWindowModule, QStringLiteral("PushButton3_Click"));
    platform::OpenDialogOptions dialog;
    QString fileName;
    QStringList parts;
    trap.step(100, [&] { dialog.fileName.clear(); });
    trap.step(102, [&] { dialog.flags = kOpenDialogFlags; });
    trap.step(104, [&] {
        dialog.title = QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files");
    });
    trap.step(106, [&] {
        dialog.filter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
    });
    trap.step(108, [&] { fileName = ctx.dialogs().openFileName(dialog); });
    if (trap.test(110, [&] { return fileName.isEmpty(); })) return;
    trap.step(112, [&] { parts = fileName.split(QChar(0), Qt::KeepEmptyParts); });
    trap.step(114, [&] { ctx.setPointer(Pointer::Busy); });
    if (trap.test(116, [&] { return parts.size() == 1; })) {
        QString path;
        trap.step(118, [&] { path = parts.value(0); });
        trap.step(120, [&] { loadListFile(ctx, ctx.wordList(), path); });
    } else {
        // Part 0 is the folder. Names are joined with this platform's separator, and
        // a folder that ends in one ("/") gives a doubled separator, which goes.
        for (qsizetype i = 1; i < parts.size(); ++i) {
            QString path;
            trap.step(130, [&] { path = parts.value(0) + QLatin1Char('/') + parts.value(i); });
            trap.step(132, [&] { path = command::collapseSeparators(path); });
            trap.step(134, [&] { loadListFile(ctx, ctx.wordList(), path); });
        }
    }
    trap.step(138, [&] { ctx.setPointer(Pointer::Default); });
}

void loadDroppedFiles(command::CommandContext& ctx, const QStringList& paths)
{
    StepTrap trap(ctx, command::kWindowModule, QStringLiteral("ListView1_OLEDragDrop"));
    trap.step(114, [&] { ctx.setPointer(Pointer::Busy); });
    if (paths.size() == 1) {
        trap.step(120, [&] { loadListFile(ctx, ctx.wordList(), paths.first()); });
    } else {
        for (const QString& path : paths) {
            trap.step(134, [&] { loadListFile(ctx, ctx.wordList(), path); });
        }
    }
    trap.step(138, [&] { ctx.setPointer(Pointer::Default); });
}

}  // namespace lexiquill::wordlist
