#pragma once

namespace lexiquill::shell {
class CommandContext;
}

namespace lexiquill::output {

// True when the spreadsheet application can be started. When it cannot, the user is
// told so here; nothing in it is ever an error report.
bool SaveResultsAsExcelFileIsExcelInstalled(shell::CommandContext& context);

// Save Results As Excel File: copies the results list into a new workbook and shows
// it in the spreadsheet application, which stays open for the user to save it.
void saveResultsAsExcelFile(shell::CommandContext& context);

}  // namespace lexiquill::output
