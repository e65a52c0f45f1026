#include "platform/platform.h"

#include "platform/qt_clipboard.h"
#include "platform/qt_dialogs.h"

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
    p.programFolder = programFolder;
    return p;
}

}  // namespace lexiquill::platform
