#pragma once

#include <QString>

namespace lexiquill::platform {
class Clipboard;
class ListView;
}  // namespace lexiquill::platform

namespace lexiquill::command {
class CommandContext;
}

namespace lexiquill::output {

// Copy Results To Clipboard: puts the ticked results on the clipboard as aligned
// text and tells the user how to paste them.
void copyResultsToClipboard(command::CommandContext& context);

// Puts the ticked rows of list on the clipboard: no header, widths over the cells,
// the final tab and trailing spaces cut, CR LF after every line. A list without rows
// leaves the clipboard alone. Fails with a PlatformError when the list cannot be read
// or the text could not be placed.
void CopyListviewToClipboard(command::CommandContext& context, platform::ListView& list);

// Empties the clipboard, trying again after a failure, up to 1000 attempts in all.
// Failures are never reported.
void ClearClipboard(platform::Clipboard& clipboard);

// Places text on the clipboard (format 0: plain text) with the same retry rule.
// True when the last attempt succeeded.
bool SetClipboardText(platform::Clipboard& clipboard, const QString& text, int format);

}  // namespace lexiquill::output
