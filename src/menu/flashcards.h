#pragma once

namespace lexiquill::command {
class CommandContext;
}

namespace lexiquill::menu {

// Save Ticked Rows as Flashcards…: asks for a path with the save dialog of Save
// Results To Text File and writes there the cards of the phrases that have a ticked
// row (see output::FlashcardWriter), each with all its words as one sentence (the tick
// chooses the phrase), or its acronym, into the deck "Lexiquill". Failures are reported as that
// command reports them; a file that was there stays as it was unless the new one is complete.
void saveTickedRowsAsFlashcards(command::CommandContext& context);

}  // namespace lexiquill::menu
