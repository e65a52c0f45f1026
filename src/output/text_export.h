#pragma once

#include <QString>

namespace lexiquill::platform {
class ListView;
}

namespace lexiquill::command {
class CommandContext;
class StepTrap;
}  // namespace lexiquill::command

namespace lexiquill::output {

// A progress indicator: a value from 0 to 100 and a caption.
class ProgressIndicator {
public:
    virtual ~ProgressIndicator() = default;
    virtual void setValue(int value) = 0;
    virtual void setCaption(const QString& caption) = 0;
};

// Steps 106 to 116 of the commands that save the results: the save dialog, asked for
// a text file, or for the files of filter ("label|pattern|...") when one is given. The
// chosen path, or empty when the user cancelled.
QString askSavePath(command::CommandContext& context, command::StepTrap& trap,
                    const QString& filter = {});

// Save Results To Text File: asks for a path and writes the ticked results there.
void saveResultsToTextFile(command::CommandContext& context);

// Writes the header line and the ticked rows of list to fileName (used unchanged),
// columns padded with spaces and ended by tabs, CR LF line ends, UTF-8. Drives
// progress when it is given. Reports its own failures and always returns.
void saveAlignedText(command::CommandContext& context, platform::ListView& list,
                     const QString& fileName, ProgressIndicator* progress);

}  // namespace lexiquill::output
