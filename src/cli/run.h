#pragma once

#include "cli/jobs.h"

namespace lexiquill::cli {

struct Options;

// Runs lexiquill --acronyms or --mnemonics: reads the phrases, writes the results on
// standard output and says what went wrong on standard error. Returns the exit status:
// 0, or 1 when a file could not be read, a line was too long, the service gave nothing
// for a phrase, the service failed or the output could not be written. service is needed for
// --mnemonics only, sheets for --sheet only (a sheet that cannot be written is said and
// gives 1). A QCoreApplication must exist while mnemonics are asked for: the HTTP client
// waits in its event loop.
int run(const Options& options, MnemonicService* service, const SheetWriter& sheets = {});

}  // namespace lexiquill::cli
