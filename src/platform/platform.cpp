#include "platform/platform.h"

#include "platform/curl_http_client.h"
#include "platform/in_process_service_host.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_dialogs.h"
#include "platform/xlsx_spreadsheet.h"

namespace lexiquill::platform {

Platform realPlatform(const QString& programFolder)
{
    Platform p;
    p.dialogs = std::make_unique<QtDialogs>();
    p.pump = std::make_unique<QtEventPump>();
    p.skinEngine = std::make_unique<PlainSkinEngine>();
    p.textFiles = std::make_unique<SaveFileWriter>();
    p.clipboard = std::make_unique<QtClipboard>();
    p.fileReader = std::make_unique<LocalFileReader>();
    p.http = std::make_unique<CurlHttpClient>();
    p.serviceHost = std::make_unique<InProcessServiceHost>();
    p.mnemonicBaseUrl = QStringLiteral(LEXIQUILL_MNEMONIC_BASE_URL);
    p.spreadsheet = std::make_unique<XlsxSpreadsheet>(*p.pump);
    p.programFolder = programFolder;
    return p;
}

}  // namespace lexiquill::platform
