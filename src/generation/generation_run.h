#pragma once

namespace lexiquill::shell {
class CommandContext;
}

namespace lexiquill::generation {

// Start Generating: fills the results list from the word list in the chosen mode.
void startGenerating(shell::CommandContext& context);

}  // namespace lexiquill::generation
