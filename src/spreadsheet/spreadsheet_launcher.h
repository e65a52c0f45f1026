#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>

namespace lexiquill::spreadsheet {

// How to start one spreadsheet application. The arguments may hold the field codes
// of desktop entries (%f, %F, %u, %U, %i, %c, %k, %%), which stand for the file to
// open and the entry's own details.
struct LaunchCommand {
    QString program;  // absolute path
    QStringList arguments;
    QString name;         // %c
    QString icon;         // %i
    QString desktopFile;  // %k
    // The file opens as a new, untitled document, which the user saves wherever
    // they choose; otherwise the application saves back into the file itself.
    bool opensAsNewDocument = false;
};

// The spreadsheet application of the desktop described by env (its PATH, the XDG
// data folders and the xdg-mime tool found on that PATH), in this order:
// LibreOffice as localc or libreoffice, opening the file as a new untitled
// document; the desktop's default application for .xlsx files; Gnumeric. Nothing
// when none of them is there.
std::optional<LaunchCommand> findSpreadsheetApplication(const QProcessEnvironment& env);

// The launch command of a desktop entry file's text, when it is an application
// entry whose program exists on searchPath.
std::optional<LaunchCommand> launchCommandFromDesktopEntry(const QString& text, const QString& path,
                                                           const QStringList& searchPath);

// The words of an Exec value of a desktop entry, with its quoting undone; nothing
// when the quoting is broken.
std::optional<QStringList> splitDesktopExec(const QString& value);

// The arguments with the field codes filled in for file. The file is appended when
// no code asks for it; an empty file name leaves it out.
QStringList launchArguments(const LaunchCommand& command, const QString& file);

// Starts the application on file, detached, so that it outlives this program.
// A PlatformError when it cannot be started.
void launchDetached(const LaunchCommand& command, const QString& file,
                    const QProcessEnvironment& env);

}  // namespace lexiquill::spreadsheet
