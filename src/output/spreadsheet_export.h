#pragma once

namespace lexiquill::command {
class CommandContext;
}

namespace lexiquill::output {

// Save Results As Excel File: copies the results list into a new workbook and shows
// it in the spreadsheet application, which stays open for the user to save it.
void saveResultsAsExcelFile(command::CommandContext& context);

}  // namespace lexiquill::output
