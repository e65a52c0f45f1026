#include "support/test_platform.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>
#include <algorithm>

#include "adapters/qt_event_pump.h"
#include "command/app_identity.h"
#include "command/step_trap.h"
#include "platform/platform_error.h"
#include "window/main_window.h"

namespace lexiquill::test {

void FakeDialogs::setApplicationTitle(const QString& t)
{
    faults.check(QStringLiteral("dialogs.setApplicationTitle"));
    title = t;
}

void FakeDialogs::showMessage(const QString& text)
{
    faults.check(QStringLiteral("dialogs.showMessage"));
    messages.append(text);
    if (onMessage) onMessage(text);
}

QString FakeDialogs::inputText(const QString& prompt)
{
    faults.check(QStringLiteral("dialogs.inputText"));
    prompts.append(prompt);
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}

void FakeDialogs::showErrorReport(const QString& text)
{
    faults.check(QStringLiteral("dialogs.showErrorReport"));
    errorReports.append(text);
}

QString FakeDialogs::saveFileName(const platform::SaveDialogOptions& options)
{
    faults.check(QStringLiteral("dialogs.saveFileName"));
    saveDialogs.append(options);
    return saveAnswers.isEmpty() ? options.fileName : saveAnswers.takeFirst();
}

QString FakeDialogs::openFileName(const platform::OpenDialogOptions& options)
{
    faults.check(QStringLiteral("dialogs.openFileName"));
    openDialogs.append(options);
    return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
}

namespace {

class FaultyTextStream final : public platform::TextStream {
public:
    FaultyTextStream(std::unique_ptr<platform::TextStream> real, FakeTextFileWriter& writer)
        : m_real(std::move(real)), m_writer(writer)
    {
    }
    void writeLine(const QString& line) override
    {
        failAtItsTurn();
        m_real->writeLine(line);
    }
    void writeBytes(QByteArrayView bytes) override
    {
        failAtItsTurn();
        m_real->writeBytes(bytes);
    }
    void close() override
    {
        if (m_writer.failClose)
            throw platform::PlatformError(QStringLiteral("Disk quota exceeded"));
        m_real->close();
        ++m_writer.closed;
    }

private:
    // A write fails when its number is the one the test chose.
    void failAtItsTurn()
    {
        if (++m_writer.linesWritten == m_writer.failWriteAt) {
            throw platform::PlatformError(QStringLiteral("No space left on device"));
        }
    }

    std::unique_ptr<platform::TextStream> m_real;
    FakeTextFileWriter& m_writer;
};

class FakeReadableFile final : public platform::ReadableFile {
public:
    FakeReadableFile(std::unique_ptr<platform::ReadableFile> real, FakeFileReader& reader)
        : m_real(std::move(real)), m_reader(reader)
    {
    }
    ~FakeReadableFile() override { ++m_reader.closed; }
    FakeReadableFile(const FakeReadableFile&) = delete;
    FakeReadableFile& operator=(const FakeReadableFile&) = delete;

    qsizetype read(char* buffer, qsizetype size) override
    {
        if (m_reader.onRead) m_reader.onRead();
        if (++m_reader.reads == m_reader.failReadAt) {
            throw platform::PlatformError(QStringLiteral("Input/output error"));
        }
        if (m_reader.pieceSize > 0) size = std::min(size, m_reader.pieceSize);
        return m_real->read(buffer, size);
    }

private:
    std::unique_ptr<platform::ReadableFile> m_real;
    FakeFileReader& m_reader;
};

}  // namespace

std::unique_ptr<platform::TextStream> FakeTextFileWriter::createTextFile(const QString& path)
{
    created.append(path);
    if (failCreate) throw platform::PlatformError(QStringLiteral("Permission denied"));
    return std::make_unique<FaultyTextStream>(m_real.createTextFile(path), *this);
}

void FakeClipboard::clear()
{
    ++clearAttempts;
    if (failAttempts > 0) {
        --failAttempts;
        throw platform::PlatformError(QStringLiteral("The clipboard could not be emptied."));
    }
    holdsText = false;
    text.clear();
}

void FakeClipboard::setText(const QString& t, int f)
{
    ++setAttempts;
    if (failAttempts > 0) {
        --failAttempts;
        throw platform::PlatformError(QStringLiteral("The clipboard could not be set."));
    }
    holdsText = true;
    text = t;
    format = f;
}

std::unique_ptr<platform::ReadableFile> FakeFileReader::open(const QString& path)
{
    opened.append(path);
    return std::make_unique<FakeReadableFile>(m_real.open(path), *this);
}

void ScriptedPump::processPending()
{
    QCoreApplication::processEvents();
    ++yields;
    if (onYield) onYield(yields);
}

void FakeSkinEngine::loadSkin(const QString& path, const QString& settings)
{
    calls.append(QStringLiteral("load %1 \"%2\"").arg(path, settings));
    if (failLoad) throw platform::PlatformError(QStringLiteral("Skin file is damaged"));
}

int FakeSkinEngine::applyOptions() const
{
    calls.append(QStringLiteral("read options"));
    return options;
}

void FakeSkinEngine::setApplyOptions(int value)
{
    calls.append(QStringLiteral("write options %1").arg(value));
    options = value;
}

void FakeSkinEngine::setOption(int id, bool value)
{
    calls.append(QStringLiteral("set option %1 %2").arg(id).arg(value ? "true" : "false"));
}

void FakeSkinEngine::applyToWindow(quint32 handle)
{
    calls.append(handle != 0 ? QStringLiteral("apply to window")
                             : QStringLiteral("apply to no window"));
}

QString FakeHttpClient::get(const QString& address)
{
    requests.append(address);
    if (onGet) onGet(address);
    if (answers.isEmpty()) throw platform::ConnectionRefused();
    const Answer answer = answers.takeFirst();
    if (answer.failure == QLatin1String("Connection refused")) throw platform::ConnectionRefused();
    if (answer.failure == platform::ConnectionLost().what()) throw platform::ConnectionLost();
    if (answer.failure.startsWith(QLatin1String("Server replied "))) {
        throw platform::ServerReplied(answer.failure.section(' ', 2, 2).toInt(),
                                      answer.failure.section(' ', 3));
    }
    if (!answer.failure.isEmpty()) throw platform::PlatformError(answer.failure);
    return answer.page;
}

bool FakeServiceHost::start(const QString& baseUrl)
{
    starts.append(baseUrl);
    return !fail;
}

void Faults::check(const QString& operation)
{
    const int call = ++m_calls[operation];
    if (m_failAt.value(operation) == call) {
        throw platform::PlatformError(QStringLiteral("Injected failure of ") + operation);
    }
}

int FaultyListView::rowCount() const { return real("rowCount").rowCount(); }
QString FaultyListView::text(int row) const { return real("text").text(row); }
QString FaultyListView::subText(int row, int column) const
{
    return real("subText").subText(row, column);
}
bool FaultyListView::checked(int row) const { return real("checked").checked(row); }
int FaultyListView::append(const QString& text) { return real("append").append(text); }
void FaultyListView::setSubText(int row, int column, const QString& text)
{
    real("setSubText").setSubText(row, column, text);
}
void FaultyListView::remove(int row) { real("remove").remove(row); }
void FaultyListView::clear() { real("clear").clear(); }
int FaultyListView::selectedRow() const { return real("selectedRow").selectedRow(); }
int FaultyListView::columnCount() const { return real("columnCount").columnCount(); }
QString FaultyListView::header(int column) const { return real("header").header(column); }
void FaultyListView::addColumn(const QString& header) { real("addColumn").addColumn(header); }
void FaultyListView::setColumnWidth(int column, int twips)
{
    real("setColumnWidth").setColumnWidth(column, twips);
}

FaultyContext::FaultyContext(command::CommandContext& real)
    : m_real(real),
      m_wordList(real.wordList(), faults, QStringLiteral("wordList")),
      m_resultTable(real.resultTable(), faults, QStringLiteral("resultTable"))
{
}

platform::ListView& FaultyContext::wordList() { return m_wordList; }
platform::ListView& FaultyContext::resultTable() { return m_resultTable; }
command::ResultOrigins& FaultyContext::resultOrigins() { return m_real.resultOrigins(); }
bool FaultyContext::isAcronymMode() const { return real("isAcronymMode").isAcronymMode(); }
bool FaultyContext::isMnemonicMode() const { return real("isMnemonicMode").isMnemonicMode(); }
void FaultyContext::selectMnemonicMode() { real("selectMnemonicMode").selectMnemonicMode(); }
void FaultyContext::setProgressValue(int value)
{
    real("setProgressValue").setProgressValue(value);
}
void FaultyContext::setProgressText(const QString& text)
{
    real("setProgressText").setProgressText(text);
}
command::Pointer FaultyContext::pointer() const { return real("pointer").pointer(); }
void FaultyContext::setPointer(command::Pointer pointer) { real("setPointer").setPointer(pointer); }
bool FaultyContext::isGenerating() const { return real("isGenerating").isGenerating(); }
void FaultyContext::setGenerating(bool busy) { real("setGenerating").setGenerating(busy); }
platform::Dialogs& FaultyContext::dialogs() { return m_real.dialogs(); }
platform::EventPump& FaultyContext::pump() { return real("yield").pump(); }
platform::TextFileWriter& FaultyContext::textFiles() { return m_real.textFiles(); }
platform::Clipboard& FaultyContext::clipboard() { return m_real.clipboard(); }
platform::FileReader& FaultyContext::fileReader() { return real("fileReader").fileReader(); }
platform::HttpClient& FaultyContext::httpClient() { return real("httpClient").httpClient(); }
QString FaultyContext::mnemonicBaseUrl() const { return m_real.mnemonicBaseUrl(); }
QString FaultyContext::mnemonicAddressProblem() const { return m_real.mnemonicAddressProblem(); }
platform::ServiceHost& FaultyContext::serviceHost() { return real("serviceHost").serviceHost(); }
platform::Spreadsheet& FaultyContext::spreadsheet() { return m_real.spreadsheet(); }

namespace {

class FakeWorkbook final : public platform::Workbook {
public:
    FakeWorkbook(FakeSpreadsheet& owner, platform::Workbook* real) : m_owner(owner), m_real(real) {}

    void writeCell(int row, int column, const QString& text) override
    {
        m_owner.calls.append(QStringLiteral("write %1,%2: %3").arg(row).arg(column).arg(text));
        m_owner.faults.check(QStringLiteral("writeCell"));
        if (m_owner.lastRow > 0 && row > m_owner.lastRow) throw platform::SheetFull(row);
        if (m_real) m_real->writeCell(row, column, text);
    }
    void fitColumn(int column) override
    {
        m_owner.calls.append(QStringLiteral("fit column %1").arg(column));
        m_owner.faults.check(QStringLiteral("fitColumn"));
        if (m_real) m_real->fitColumn(column);
    }
    void fitAllColumns() override
    {
        m_owner.calls.append(QStringLiteral("fit all columns"));
        m_owner.faults.check(QStringLiteral("fitAllColumns"));
        if (m_real) m_real->fitAllColumns();
    }

private:
    FakeSpreadsheet& m_owner;
    platform::Workbook* m_real;
};

class FakeApplication final : public platform::SpreadsheetApplication {
public:
    FakeApplication(FakeSpreadsheet& owner, std::unique_ptr<platform::SpreadsheetApplication> real)
        : m_owner(owner), m_real(std::move(real))
    {
    }

    platform::Workbook& addWorkbook() override
    {
        m_owner.calls.append(QStringLiteral("add workbook"));
        m_owner.faults.check(QStringLiteral("addWorkbook"));
        m_workbooks.push_back(
            std::make_unique<FakeWorkbook>(m_owner, m_real ? &m_real->addWorkbook() : nullptr));
        return *m_workbooks.back();
    }
    void show() override
    {
        m_owner.calls.append(QStringLiteral("show"));
        m_owner.faults.check(QStringLiteral("show"));
        if (m_real) m_real->show();
    }

private:
    FakeSpreadsheet& m_owner;
    std::unique_ptr<platform::SpreadsheetApplication> m_real;
    std::vector<std::unique_ptr<FakeWorkbook>> m_workbooks;
};

}  // namespace

std::unique_ptr<platform::SpreadsheetApplication> FakeSpreadsheet::start()
{
    calls.append(QStringLiteral("start"));
    faults.check(QStringLiteral("start"));
    return std::make_unique<FakeApplication>(*this, real ? real->start() : nullptr);
}

TestWindow::TestWindow(const QString& programFolder, bool failSkin)
{
    platform::Platform p;
    auto fakeHttp = std::make_unique<FakeHttpClient>();
    http = fakeHttp.get();
    p.http = std::move(fakeHttp);
    auto fakeHost = std::make_unique<FakeServiceHost>();
    serviceHost = fakeHost.get();
    p.serviceHost = std::move(fakeHost);
    p.mnemonicBaseUrl = QStringLiteral("http://mnemonics.test:8080");
    create(std::move(p), programFolder, failSkin);
}

TestWindow::TestWindow(Networking networking)
{
    platform::Platform p;
    p.http = std::move(networking.http);
    p.serviceHost = std::move(networking.serviceHost);
    p.mnemonicBaseUrl = networking.mnemonicBaseUrl;
    p.mnemonicAddressProblem = networking.mnemonicAddressProblem;
    create(std::move(p), QString(), false);
}

void TestWindow::create(platform::Platform p, const QString& programFolder, bool failSkin)
{
    auto fakeDialogs = std::make_unique<FakeDialogs>();
    auto scriptedPump = std::make_unique<ScriptedPump>();
    dialogs = fakeDialogs.get();
    pump = scriptedPump.get();
    p.dialogs = std::move(fakeDialogs);
    p.pump = std::move(scriptedPump);
    auto fakeSkin = std::make_unique<FakeSkinEngine>();
    fakeSkin->failLoad = failSkin;
    skinEngine = fakeSkin.get();
    p.skinEngine = std::move(fakeSkin);
    auto fakeTextFiles = std::make_unique<FakeTextFileWriter>(*pump);
    textFiles = fakeTextFiles.get();
    p.textFiles = std::move(fakeTextFiles);
    auto fakeClipboard = std::make_unique<FakeClipboard>();
    clipboard = fakeClipboard.get();
    p.clipboard = std::move(fakeClipboard);
    auto fakeReader = std::make_unique<FakeFileReader>();
    fileReader = fakeReader.get();
    p.fileReader = std::move(fakeReader);
    auto fakeSpreadsheet = std::make_unique<FakeSpreadsheet>();
    spreadsheet = fakeSpreadsheet.get();
    p.spreadsheet = std::move(fakeSpreadsheet);
    p.programFolder = programFolder;
    window = std::make_unique<window::MainWindow>(std::move(p));
}

TestWindow::~TestWindow() = default;

command::CommandContext& TestWindow::context() { return window->context(); }

QPushButton* TestWindow::button(const char* name) const
{
    return window->findChild<QPushButton*>(QString::fromLatin1(name));
}

void TestWindow::click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }

QStringList TestWindow::rows(platform::ListView& list) const
{
    QStringList out;
    for (int row = 1; row <= list.rowCount(); ++row) {
        QString line = list.text(row);
        for (int column = 2; column <= list.columnCount(); ++column) {
            line += QLatin1Char('|') + list.subText(row, column);
        }
        if (list.checked(row)) line.prepend(QStringLiteral("[x]"));
        out.append(line);
    }
    return out;
}

QString reportFor(const QString& description, const QString& procedure, int line)
{
    return command::errorReportText(description, command::kWindowModule, procedure, line);
}

QStringList reportedLocations(const QStringList& reports)
{
    static const QRegularExpression where(
        QStringLiteral("\r\nin Lexiquill2021/08/31\\.(\\S+) at line (\\d+)\r\r"));
    QStringList out;
    for (const QString& report : reports) {
        const QRegularExpressionMatch m = where.match(report);
        out.append(m.hasMatch() ? m.captured(1) + QLatin1Char(' ') + m.captured(2) : report);
    }
    return out;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

platform::Platform realLoopPlatform(FakeDialogs*& dialogs)
{
    platform::Platform p;
    auto fake = std::make_unique<FakeDialogs>();
    dialogs = fake.get();
    p.dialogs = std::move(fake);
    p.pump = std::make_unique<adapters::QtEventPump>();
    p.skinEngine = std::make_unique<FakeSkinEngine>();
    return p;
}

void sendWindowManagerMessage(QWidget& window, const char* protocol)
{
    xcb_connection_t* c =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const auto atom = [c](const char* name) {
        auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr);
        const xcb_atom_t result = reply->atom;
        free(reply);
        return result;
    };
    xcb_client_message_event_t event{XCB_CLIENT_MESSAGE,   32, 0, xcb_window_t(window.winId()),
                                     atom("WM_PROTOCOLS"), {}};
    event.data.data32[0] = atom(protocol);
    event.data.data32[2] = event.window;
    xcb_send_event(c, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<char*>(&event));
    xcb_flush(c);
}

void doubleClick(QWidget* widget, Qt::MouseButton button, QPoint pos)
{
    QWidget* window = widget->window();
    QTest::mouseDClick(window->windowHandle(), button, {}, widget->mapTo(window, pos));
}

}  // namespace lexiquill::test
