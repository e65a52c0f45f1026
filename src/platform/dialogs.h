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
};

}  // namespace lexiquill::platform
