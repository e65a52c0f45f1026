#include "app/real_platform.h"

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "adapters/local_file_reader.h"
#include "adapters/plain_skin_engine.h"
#include "adapters/qt_clipboard.h"
#include "adapters/qt_dialogs.h"
#include "adapters/qt_event_pump.h"
#include "adapters/save_file_writer.h"
#include "command/service_address.h"
#include "spreadsheet/xlsx_spreadsheet.h"

namespace lexiquill::app {

platform::Platform realPlatform(const QString& programFolder,
                                const command::ServiceAddress& service)
{
    platform::Platform p;
    p.dialogs = std::make_unique<adapters::QtDialogs>();
    p.pump = std::make_unique<adapters::QtEventPump>();
    p.skinEngine = std::make_unique<adapters::PlainSkinEngine>();
    p.textFiles = std::make_unique<adapters::SaveFileWriter>(*p.pump);
    p.clipboard = std::make_unique<adapters::QtClipboard>();
    p.fileReader = std::make_unique<adapters::LocalFileReader>();
    p.http = std::make_unique<adapters::CurlHttpClient>();
    p.serviceHost = std::make_unique<adapters::InProcessServiceHost>();
    p.mnemonicBaseUrl = service.url;
    p.mnemonicAddressProblem = service.problem;
    p.spreadsheet = std::make_unique<spreadsheet::XlsxSpreadsheet>(*p.pump);
    p.programFolder = programFolder;
    return p;
}

}  // namespace lexiquill::app
