#pragma once

#include <QString>
#include <memory>

#include "platform/platform_error.h"

namespace lexiquill::platform {

// A row past the sheet's last: every later row fails alike.
class SheetFull : public PlatformError {
public:
    explicit SheetFull(int row) : PlatformError(QStringLiteral("A sheet has no row %1").arg(row)) {}
};

// The active sheet of a workbook. Rows and columns are numbered from 1; a cell the
// spreadsheet cannot hold is a PlatformError, a SheetFull past the last row.
class Workbook {
public:
    virtual ~Workbook() = default;

    // Stores the text as a string: it is never taken as a number or a formula.
    virtual void writeCell(int row, int column, const QString& text) = 0;
    // Sizes one column, or every column, to the texts it holds now.
    virtual void fitColumn(int column) = 0;
    virtual void fitAllColumns() = 0;
};

// One instance of the spreadsheet application, not yet visible.
class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;

    // A new, empty workbook. It belongs to the application and lives as long as it.
    virtual Workbook& addWorkbook() = 0;
    // Opens the application's window on its workbooks. The application stays open
    // when this object is gone; a failure to start it is a PlatformError.
    virtual void show() = 0;
};

// Starts instances of the desktop's spreadsheet application.
class Spreadsheet {
public:
    virtual ~Spreadsheet() = default;

    // A new instance; a PlatformError when no spreadsheet application is installed.
    virtual std::unique_ptr<SpreadsheetApplication> start() = 0;
};

}  // namespace lexiquill::platform
