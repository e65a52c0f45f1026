#pragma once

#include <QString>

namespace lexiquill::platform {

// What the save dialog is asked: the initial file name, the option flags, the title
// and the filters as "label|pattern|label|pattern|...".
struct SaveDialogOptions {
    QString fileName;
    int flags = 0;
    QString title;
    QString filter;
};

// Option flags of the file dialogs, with the values the program has always used.
inline constexpr int kFileDialogReadOnly = 0x1;  // the read-only box starts ticked
inline constexpr int kFileDialogAllowMultiSelect = 0x200;
inline constexpr int kFileDialogExplorer = 0x80000;
inline constexpr int kFileDialogLongNames = 0x200000;

// What the open dialog is asked: the initial file name, the option flags, the title
// and the filters as "label|pattern|label|pattern|...".
struct OpenDialogOptions {
    QString fileName;
    int flags = 0;
    QString title;
    QString filter;
};

// Modal boxes of the main window. Each call returns once the user has closed the box.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The title of every box below except the error report.
    virtual void setApplicationTitle(const QString& title) = 0;
    // A message with an OK button only and no icon.
    virtual void showMessage(const QString& text) = 0;
    // A prompt with a text field, OK and Cancel; Cancel gives an empty text.
    virtual QString inputText(const QString& prompt) = 0;
    // The "Application Error" box: OK button, warning icon.
    virtual void showErrorReport(const QString& text) = 0;
    // A modal save-file dialog; returns the chosen path unchanged (no extension is
    // added), or the initial file name when the user cancels. Never asks before
    // replacing a file.
    virtual QString saveFileName(const SaveDialogOptions& options) = 0;
    // A modal open-file dialog. Returns its file name: empty when the user cancels;
    // the full path of one chosen file; or, for several files (only with
    // kFileDialogAllowMultiSelect), the folder followed by each file's name, all
    // separated by NUL characters. Typed names of files that do not exist are
    // returned too. The filter the user picks is in force at the next use.
    virtual QString openFileName(const OpenDialogOptions& options) = 0;
};

}  // namespace lexiquill::platform
