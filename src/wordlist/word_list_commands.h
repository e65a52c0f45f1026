#pragma once

namespace lexiquill::command {
class CommandContext;
}

namespace lexiquill::wordlist {

// Add Word(s): asks for one phrase and appends it as typed.
void addWord(command::CommandContext& context);
// Load Sample/Example Words: appends the two sample phrases and selects Mnemonic.
void loadSampleWords(command::CommandContext& context);
// The word list's Clear List; refused while the Busy pointer is shown.
void clearWordList(command::CommandContext& context);
// The results list's Clear List.
void clearResults(command::CommandContext& context);
// Removes the selected phrase (double-click or Delete key); refused while the Busy
// pointer is shown. Without a selection nothing is removed. Has no trap of its own.
void removeSelectedPhrase(command::CommandContext& context);

}  // namespace lexiquill::wordlist
