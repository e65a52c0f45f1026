#pragma once

#include <QString>
#include <QStringList>

#include "command/list_watch.h"

namespace lexiquill::platform {
class Clipboard;
}

namespace lexiquill::menu {

// The results list's context menu as it was opened on one row.
struct RowMenu {
    int row;
    // The list as the menu opened: once rows have gone since, the row may be another
    // one, and the menu's items change nothing.
    command::ListWatch rows;
    bool mnemonic;  // the row holds a word made for a letter of its phrase
    bool enabled;   // no generation run is going
    QStringList otherWords;
};

// The most other words the menu offers for a row's letter.
inline constexpr int kOtherWords = 8;

// Opens the menu on a row of the results list: for a Mnemonic row, outside a run, asks
// the mnemonic service for up to eight other words for its letter. A service that
// fails is reported once, and the menu opens without other words.
RowMenu openRowMenu(command::CommandContext& context, int row);

// The menu's items. Each reports its own failures, and changes nothing when the rows
// the menu was opened on have gone since.
//
// Makes word the row's Result; its tick stays as it is.
void chooseWord(command::CommandContext& context, const RowMenu& menu, const QString& word);
// Gives every unticked row of the row's phrase a new word, each different from the
// phrase's other words where the service has enough; ticked rows keep theirs. Either
// every unticked row gets its word or, when the service fails, none.
void drawAgain(command::CommandContext& context, const RowMenu& menu);
// Puts the sentence of the row's phrase on the clipboard, as one line without a line
// end; for a row of its own, such as an acronym, its Result.
void copySentence(command::CommandContext& context, const RowMenu& menu);

// Places a sentence on the clipboard as one line, trying again as the clipboard copy
// does; a PlatformError when another program holds the clipboard.
void placeSentence(platform::Clipboard& clipboard, const QString& sentence);

// The sentence of a Mnemonic row's phrase; empty for any other row.
QString mnemonicSentence(command::CommandContext& context, int row);

}  // namespace lexiquill::menu
