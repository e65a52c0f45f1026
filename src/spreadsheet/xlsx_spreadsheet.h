#pragma once

#include <QDir>
#include <QProcessEnvironment>
#include <QString>

#include "platform/spreadsheet.h"

namespace lexiquill::platform {
class EventPump;
}

namespace lexiquill::spreadsheet {

// Workbooks written as .xlsx files with libxlsxwriter and opened in the desktop's
// spreadsheet application (see findSpreadsheetApplication). Every cell is a string.
// Showing writes each workbook into a new private folder (mode 0700) under
// tempRoot, as "Lexiquill results <date> <time>.xlsx", on a thread of its own
// while the window goes on handling events, then starts the application on it.
// An application that saves back into the file it opened gets the file moved to
// keepRoot first, where no clean-up of temporary files removes it behind the
// user's back.
class XlsxSpreadsheet final : public platform::Spreadsheet {
public:
    explicit XlsxSpreadsheet(
        platform::EventPump& pump,
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
        QString tempRoot = QDir::tempPath(), QString keepRoot = defaultKeepRoot());

    std::unique_ptr<platform::SpreadsheetApplication> start() override;

    // The "Lexiquill" folder in the user's documents folder.
    static QString defaultKeepRoot();

private:
    platform::EventPump& m_pump;
    QProcessEnvironment m_environment;
    QString m_tempRoot;
    QString m_keepRoot;
};

}  // namespace lexiquill::spreadsheet
