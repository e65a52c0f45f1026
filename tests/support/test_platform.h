#pragma once

#include <QHash>
#include <QPoint>
#include <QStringList>
#include <functional>
#include <memory>

#include "adapters/local_file_reader.h"
#include "adapters/save_file_writer.h"
#include "command/command_context.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/file_reader.h"
#include "platform/http_client.h"
#include "platform/list_view.h"
#include "platform/platform.h"
#include "platform/service_host.h"
#include "platform/skin_engine.h"
#include "platform/spreadsheet.h"
#include "platform/text_file.h"

class QPushButton;
class QWidget;

namespace lexiquill::window {
class MainWindow;
}

namespace lexiquill::test {

// Counts calls of named operations and fails the chosen call of one of them.
class Faults {
public:
    // The nth call (from 1) of operation fails with a PlatformError.
    void failAt(const QString& operation, int nth) { m_failAt.insert(operation, nth); }
    void check(const QString& operation);
    int calls(const QString& operation) const { return m_calls.value(operation); }

private:
    QHash<QString, int> m_failAt;
    QHash<QString, int> m_calls;
};

// Records every box instead of showing it; input prompts take scripted answers.
// Each box can fail like the real one: faults name "dialogs.<operation>".
class FakeDialogs final : public platform::Dialogs {
public:
    void setApplicationTitle(const QString& title) override;
    void showMessage(const QString& text) override;
    QString inputText(const QString& prompt) override;
    void showErrorReport(const QString& text) override;
    QString saveFileName(const platform::SaveDialogOptions& options) override;
    QString openFileName(const platform::OpenDialogOptions& options) override;

    QString title;
    QStringList messages;
    QStringList prompts;
    QStringList errorReports;
    QStringList inputAnswers;  // taken from the front; none left gives Cancel
    Faults faults;
    // Save dialogs: the options each was shown with; answers taken from the front,
    // none left gives Cancel (the initial file name back).
    QList<platform::SaveDialogOptions> saveDialogs;
    QStringList saveAnswers;
    std::function<void(const QString&)> onMessage;
    QList<platform::OpenDialogOptions> openDialogs;  // every open dialog shown
    QStringList openAnswers;                         // taken from the front; none left gives Cancel
};

// Reads the real files, and can be told to read them in small pieces or to fail.
class FakeFileReader final : public platform::FileReader {
public:
    std::unique_ptr<platform::ReadableFile> open(const QString& path) override;

    QStringList opened;            // every path opened, in order
    int closed = 0;                // files closed again
    int reads = 0;                 // reads of every file together
    qsizetype pieceSize = 0;       // when set, no read hands over more bytes than this
    int failReadAt = 0;            // the read (counted from 1 over all files) that fails
    std::function<void()> onRead;  // runs before every read

private:
    adapters::LocalFileReader m_real;
};

// Processes pending events like the real pump, then runs the test's script for that
// yield (numbered from 1). Ending the program is only recorded.
class ScriptedPump final : public platform::EventPump {
public:
    int yields = 0;
    bool quitRequested = false;
    std::function<void(int)> onYield;

protected:
    void processPending() override;
    void quit() override { quitRequested = true; }
};

// Records the calls it receives, one line each; can fail on loading.
class FakeSkinEngine final : public platform::SkinEngine {
public:
    void loadSkin(const QString& path, const QString& settings) override;
    int applyOptions() const override;
    void setApplyOptions(int options) override;
    void setOption(int id, bool value) override;
    void applyToWindow(quint32 handle) override;

    mutable QStringList calls;
    int options = 6;
    bool failLoad = false;
};

// Writes real files through the real writer, failing where told: on creating, on
// the nth line or piece written (counted over all files, from 1), or on closing. A failed
// stream is dropped unclosed, as the real one drops its temporary file.
class FakeTextFileWriter final : public platform::TextFileWriter {
public:
    explicit FakeTextFileWriter(platform::EventPump& pump) : m_real(pump) {}
    std::unique_ptr<platform::TextStream> createTextFile(const QString& path) override;

    QStringList created;
    int linesWritten = 0;
    int closed = 0;
    bool failCreate = false;
    int failWriteAt = 0;
    bool failClose = false;

private:
    adapters::SaveFileWriter m_real;
};

// The clipboard as plain text; the next failAttempts attempts (clearing or setting)
// fail, as when another program holds the clipboard.
class FakeClipboard final : public platform::Clipboard {
public:
    void clear() override;
    void setText(const QString& text, int format) override;

    bool holdsText = false;
    QString text;
    int format = 0;
    int failAttempts = 0;
    int clearAttempts = 0;
    int setAttempts = 0;
};

// Answers GETs from a script: the page for each address in turn, or a failure (a
// refusal, a cut-off page and a "Server replied" status fail as the real client's do).
// Records every address asked for. Without a script entry a GET is refused.
class FakeHttpClient final : public platform::HttpClient {
public:
    struct Answer {
        QString page;
        QString failure;  // non-empty: fail with this description
    };
    QString get(const QString& address) override;

    QStringList requests;
    QList<Answer> answers;                      // taken from the front
    std::function<void(const QString&)> onGet;  // runs while the request is under way
};

// Records the addresses it is asked to serve; serves (says it does) unless told to fail.
class FakeServiceHost final : public platform::ServiceHost {
public:
    bool start(const QString& baseUrl) override;
    qsizetype longestPhrase() const override { return 8163; }

    QStringList starts;
    bool fail = false;
};

// A list that forwards to a real one, failing where Faults says. Operations are
// named "<prefix>.<operation>", for example "wordList.text".
class FaultyListView final : public platform::ListView {
public:
    FaultyListView(platform::ListView& real, Faults& faults, QString prefix)
        : m_real(real), m_faults(faults), m_prefix(std::move(prefix))
    {
    }
    int rowCount() const override;
    QString text(int row) const override;
    QString subText(int row, int column) const override;
    bool checked(int row) const override;
    int append(const QString& text) override;
    void setSubText(int row, int column, const QString& text) override;
    void remove(int row) override;
    void clear() override;
    int selectedRow() const override;
    quint64 changeCount() const override { return m_real.changeCount(); }
    int columnCount() const override;
    QString header(int column) const override;
    void addColumn(const QString& header) override;
    void setColumnWidth(int column, int twips) override;

private:
    // The real list, once the operation has passed its fault check.
    platform::ListView& real(const char* operation) const
    {
        m_faults.check(m_prefix + '.' + operation);
        return m_real;
    }
    platform::ListView& m_real;
    Faults& m_faults;
    QString m_prefix;
};

// A command context that forwards to the real window's, failing where Faults says.
class FaultyContext final : public command::CommandContext {
public:
    explicit FaultyContext(command::CommandContext& real);
    Faults faults;

    platform::ListView& wordList() override;
    platform::ListView& resultTable() override;
    command::ResultOrigins& resultOrigins() override;
    bool isAcronymMode() const override;
    bool isMnemonicMode() const override;
    void selectMnemonicMode() override;
    void setProgressValue(int value) override;
    void setProgressText(const QString& text) override;
    command::Pointer pointer() const override;
    void setPointer(command::Pointer pointer) override;
    bool isGenerating() const override;
    void setGenerating(bool busy) override;
    platform::Dialogs& dialogs() override;
    platform::EventPump& pump() override;
    platform::TextFileWriter& textFiles() override;
    platform::Clipboard& clipboard() override;
    platform::FileReader& fileReader() override;
    platform::HttpClient& httpClient() override;
    QString mnemonicBaseUrl() const override;
    QString mnemonicAddressProblem() const override;
    platform::ServiceHost& serviceHost() override;
    platform::Spreadsheet& spreadsheet() override;

private:
    // The real context, once the operation has passed its fault check.
    command::CommandContext& real(const char* operation) const
    {
        const_cast<Faults&>(faults).check(operation);
        return m_real;
    }
    command::CommandContext& m_real;
    FaultyListView m_wordList;
    FaultyListView m_resultTable;
};

// Records the spreadsheet calls, one line each ("start", "add workbook",
// "write 1,1: text", "fit column 1", "fit all columns", "show"), fails where faults
// says (operations "start", "addWorkbook", "writeCell", "fitColumn",
// "fitAllColumns", "show"), and forwards every call to real when one is given.
class FakeSpreadsheet final : public platform::Spreadsheet {
public:
    std::unique_ptr<platform::SpreadsheetApplication> start() override;

    QStringList calls;
    Faults faults;
    int lastRow = 0;  // when set, rows past it fail as past a sheet's last row
    std::unique_ptr<platform::Spreadsheet> real;
};

// The real main window over fake dialogs and a scripted pump; by default with a fake
// HTTP client and a fake service host too.
struct TestWindow {
    explicit TestWindow(const QString& programFolder = QString(), bool failSkin = false);
    // With these instead of the fake client and host (http and serviceHost stay null).
    struct Networking {
        std::unique_ptr<platform::HttpClient> http;
        std::unique_ptr<platform::ServiceHost> serviceHost;
        QString mnemonicBaseUrl;
        QString mnemonicAddressProblem = {};
    };
    explicit TestWindow(Networking networking);
    ~TestWindow();

    command::CommandContext& context();
    QPushButton* button(const char* name) const;
    // A left click on the named button, as a person makes it.
    void click(const char* name) const;
    // Rows of a list as "text" or "text|subtext" strings, ticks as a leading "[x]".
    QStringList rows(platform::ListView& list) const;

    FakeDialogs* dialogs;
    ScriptedPump* pump;
    FakeSkinEngine* skinEngine;
    FakeTextFileWriter* textFiles;
    FakeClipboard* clipboard;
    FakeFileReader* fileReader;
    FakeHttpClient* http = nullptr;
    FakeServiceHost* serviceHost = nullptr;
    FakeSpreadsheet* spreadsheet;
    std::unique_ptr<window::MainWindow> window;

private:
    void create(platform::Platform p, const QString& programFolder, bool failSkin);
};

// What a window manager sends a window under X11: WM_PROTOCOLS with protocol
// ("WM_DELETE_WINDOW" when the user clicks its close button, "_NET_WM_PING").
void sendWindowManagerMessage(QWidget& window, const char* protocol);

// A double-click as a person makes it, through the window system: Qt hands the
// widget a press, a release, a double-click and a release. The window must be shown.
void doubleClick(QWidget* widget, Qt::MouseButton button, QPoint pos);

// Adapters for a real window on the application's real event loop: boxes are
// recorded by fake dialogs (handed back in dialogs), yields go through the real
// pump, and the skin engine is a fake. The caller adds what else it needs.
platform::Platform realLoopPlatform(FakeDialogs*& dialogs);

// The text of an error report for a failed step.
QString reportFor(const QString& description, const QString& procedure, int line);
// "Module.Procedure line" of every error report, in order.
QStringList reportedLocations(const QStringList& reports);

// The bytes of a file, or "<no file>".
QByteArray fileBytes(const QString& path);
// Writes a file with exactly these bytes and hands back its path.
QString writeFile(const QString& path, const QByteArray& bytes);

}  // namespace lexiquill::test
