#pragma once

#include <QString>
#include <memory>

#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/file_reader.h"
#include "platform/http_client.h"
#include "platform/service_host.h"
#include "platform/skin_engine.h"
#include "platform/spreadsheet.h"
#include "platform/text_file.h"

namespace lexiquill::platform {

// The adapters the main window works through. Tests hand in doubles.
struct Platform {
    std::unique_ptr<Dialogs> dialogs;
    std::unique_ptr<EventPump> pump;
    std::unique_ptr<SkinEngine> skinEngine;
    std::unique_ptr<TextFileWriter> textFiles;
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<FileReader> fileReader;
    // The service goes after the client: once the client's connections are closed,
    // the service has nothing to wait for and stops at once.
    std::unique_ptr<ServiceHost> serviceHost;
    std::unique_ptr<HttpClient> http;
    // Where the mnemonic service answers: scheme, host and port, no trailing "/".
    QString mnemonicBaseUrl;
    // Empty, or why mnemonicBaseUrl cannot be asked (reported when a run needs it).
    QString mnemonicAddressProblem;
    std::unique_ptr<Spreadsheet> spreadsheet;
    // The folder that holds the executable, without a trailing separator.
    QString programFolder;
};

}  // namespace lexiquill::platform
