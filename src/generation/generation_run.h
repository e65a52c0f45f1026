#pragma once

namespace lexiquill::command {
class CommandContext;
}

namespace lexiquill::generation {

// Start Generating: fills the results list from the word list in the chosen mode.
void startGenerating(command::CommandContext& context);

}  // namespace lexiquill::generation
