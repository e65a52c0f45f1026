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

struct Note {
    output::CardKind kind;
    QString phrase;
    QString result;
};

// The phrases of the results with a ticked row, in list order, and their results: the
// tick chooses the phrase, which carries its whole sentence.
std::vector<Note> tickedNotes(command::CommandContext& ctx)
{
    platform::ListView& list = ctx.resultTable();
    std::vector<Note> notes;
    for (int row = 1; row <= list.rowCount();) {
        using Words = command::ResultOrigins::Words;
        const auto ticked = ctx.resultOrigins().phraseRows(list, row, Words::Ticked);
        if (!ticked.words.isEmpty()) {
            const auto all = ctx.resultOrigins().phraseRows(list, row, Words::All);
            // Mnemonic rows know the character they were made for; an acronym's has none.
            const bool mnemonic = ctx.resultOrigins().characterOf(list, all.first).has_value();
            notes.push_back({mnemonic ? output::CardKind::Mnemonic : output::CardKind::Acronym,
                             list.text(all.first), generation::sentenceOf(all.words)});
        }
        row = ticked.last + 1;
    }
    return notes;
}

void writeFlashcards(command::CommandContext& ctx, const QString& path)
{
    // The rows are read at once, before the file is written: a pipe that waits for its
    // reader lets other commands run, and the cards stay those of the rows as they were.
    const auto notes = tickedNotes(ctx);
    // The results came from the word list in its order: its first phrase names it.
    const QString list = ctx.resultTable().rowCount() > 0 ? ctx.resultTable().text(1) : QString();
    const std::unique_ptr<platform::TextStream> stream = ctx.textFiles().createTextFile(path);
    output::FlashcardWriter cards(output::kDefaultDeck, *stream);
    for (const Note& note : notes) cards.writePhrase(note.kind, list, note.phrase, note.result);
    cards.finish();
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
