#pragma once

#include <QStringList>

namespace lexiquill::platform {
class ListView;
}

namespace lexiquill::command {
class CommandContext;
}

namespace lexiquill::wordlist {

// Appends every phrase of the list file at path to the end of list, one row a
// phrase, as the file's lines are cut. A missing file shows "File not found" and
// appends nothing; every other failure (a file that cannot be opened or read) is
// thrown, and the phrases appended before it stay. Has no trap of its own.
void loadListFile(command::CommandContext& context, platform::ListView& list, const QString& path);

// Load Word(s) From File: the files chosen in the open-file dialog, in the order the
// dialog gives them.
void loadWordListFiles(command::CommandContext& context);

// Files dropped on the word list, by their full paths, in the order dropped: the
// same steps as Load Word(s) From File after its dialog.
void loadDroppedFiles(command::CommandContext& context, const QStringList& paths);

}  // namespace lexiquill::wordlist
