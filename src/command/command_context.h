#pragma once

#include <QString>

namespace lexiquill::platform {
class Clipboard;
class Dialogs;
class EventPump;
class FileReader;
class HttpClient;
class ListView;
class ServiceHost;
class TextFileWriter;
class Spreadsheet;
}  // namespace lexiquill::platform

namespace lexiquill::command {

class ResultOrigins;

// The main window's pointer. Busy is also a marker: the word list's removal commands
// refuse to act while it is shown.
enum class Pointer { Default, Hand, Busy };

// What the commands of the main window share. The window implements it with its
// real controls; every operation may fail with a PlatformError.
class CommandContext {
public:
    virtual ~CommandContext() = default;

    virtual platform::ListView& wordList() = 0;     // ListView1
    virtual platform::ListView& resultTable() = 0;  // ListView2
    // What each Mnemonic row of the results was made for.
    virtual ResultOrigins& resultOrigins() = 0;

    // The mode buttons, Option1 and Option2.
    virtual bool isAcronymMode() const = 0;
    virtual bool isMnemonicMode() const = 0;
    virtual void selectMnemonicMode() = 0;

    // WindowProgressBar: a value from 0 to 100 and a caption.
    virtual void setProgressValue(int value) = 0;
    virtual void setProgressText(const QString& text) = 0;

    virtual Pointer pointer() const = 0;
    virtual void setPointer(Pointer pointer) = 0;

    // Set while a generation run works; a second run refuses to start meanwhile.
    virtual bool isGenerating() const = 0;
    virtual void setGenerating(bool generating) = 0;

    virtual platform::Dialogs& dialogs() = 0;
    virtual platform::EventPump& pump() = 0;
    virtual platform::TextFileWriter& textFiles() = 0;
    virtual platform::Clipboard& clipboard() = 0;
    // Opens the word-list files for reading.
    virtual platform::FileReader& fileReader() = 0;

    // Inet1, the address of the mnemonic service (chosen when the program starts),
    // and the place that can start that service inside the program.
    virtual platform::HttpClient& httpClient() = 0;
    virtual QString mnemonicBaseUrl() const = 0;
    // Empty, or why the service's address cannot be asked.
    virtual QString mnemonicAddressProblem() const = 0;
    virtual platform::ServiceHost& serviceHost() = 0;
    virtual platform::Spreadsheet& spreadsheet() = 0;
};

}  // namespace lexiquill::command
