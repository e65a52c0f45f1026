#pragma once

#include <QDir>
#include <QProcessEnvironment>
#include <QString>

#include "platform/spreadsheet.h"

namespace lexiquill::platform {

class EventPump;

// Workbooks written as .xlsx files with libxlsxwriter and opened in the desktop's
// spreadsheet application (see findSpreadsheetApplication). Every cell is a string.
// Showing writes each workbook into a new private folder (mode 0700) under
// tempRoot, as "Lexiquill results <date> <time>.xlsx", on a thread of its own
// while the window goes on handling events, then starts the application on it.
class XlsxSpreadsheet final : public Spreadsheet {
public:
    explicit XlsxSpreadsheet(
        EventPump& pump, QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
        QString tempRoot = QDir::tempPath());

    std::unique_ptr<SpreadsheetApplication> start() override;

private:
    EventPump& m_pump;
    QProcessEnvironment m_environment;
    QString m_tempRoot;
};

// The width, in the widths of the digit 0 that spreadsheets measure columns in,
// that shows text whole: wide East Asian characters count twice, combining marks
// not at all, and a margin covers letters wider than a digit.
double columnWidthFor(const QString& text);

}  // namespace lexiquill::platform
