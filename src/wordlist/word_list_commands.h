#pragma once

namespace lexiquill::shell {
class CommandContext;
}

namespace lexiquill::wordlist {

// Add Word(s): asks for one phrase and appends it as typed.
void addWord(shell::CommandContext& context);
// Load Sample/Example Words: appends the two sample phrases and selects Mnemonic.
void loadSampleWords(shell::CommandContext& context);
// The word list's Clear List; refused while the Busy pointer is shown.
void clearWordList(shell::CommandContext& context);
// The results list's Clear List.
void clearResults(shell::CommandContext& context);
// Removes the selected phrase (double-click or Delete key); refused while the Busy
// pointer is shown. Without a selection nothing is removed. Has no trap of its own.
void removeSelectedPhrase(shell::CommandContext& context);

}  // namespace lexiquill::wordlist
