#include "menu/flashcards.h"

#include <utility>
#include <vector>

#include "command/command_context.h"
#include "command/result_origins.h"
#include "command/step_trap.h"
#include "generation/sentence.h"
#include "output/flashcard_file.h"
#include "output/text_export.h"
#include "platform/list_view.h"
#include "platform/text_file.h"

namespace lexiquill::menu {

namespace {

// The phrases of the results with ticked rows, in list order, and their results.
std::vector<std::pair<QString, QString>> tickedNotes(command::CommandContext& ctx)
{
    platform::ListView& list = ctx.resultTable();
    std::vector<std::pair<QString, QString>> notes;
    for (int row = 1; row <= list.rowCount();) {
        const auto [first, last, words] =
            ctx.resultOrigins().phraseRows(list, row, command::ResultOrigins::Words::Ticked);
        if (!words.isEmpty()) notes.emplace_back(list.text(first), generation::sentenceOf(words));
        row = last + 1;
    }
    return notes;
}

void writeFlashcards(command::CommandContext& ctx, const QString& path)
{
    // The rows are read at once, before the file is written: a pipe that waits for its
    // reader lets other commands run, and the cards stay those of the rows as they were.
    const auto notes = tickedNotes(ctx);
    const std::unique_ptr<platform::TextStream> stream = ctx.textFiles().createTextFile(path);
    output::FlashcardWriter cards(output::kDefaultDeck,
                                  [&](const QString& line) { stream->writeLine(line); });
    for (const auto& [phrase, result] : notes) cards.write(phrase, result);
    stream->close();
}

}  // namespace

void saveTickedRowsAsFlashcards(command::CommandContext& ctx)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("mnuSaveFlashcards_Click"));
    const QString path = output::askSavePath(ctx, trap);
    if (trap.test(118, [&] { return path.isEmpty(); })) return;
    trap.step(120, [&] { ctx.setPointer(command::Pointer::Busy); });
    trap.step(122, [&] { writeFlashcards(ctx, path); });
    trap.step(124, [&] { ctx.setPointer(command::Pointer::Default); });
}

}  // namespace lexiquill::menu
