#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QLocale>
#include <QPageSize>
#include <cstdio>
#include <memory>
#include <optional>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "adapters/qt_event_pump.h"
#include "adapters/save_file_writer.h"
#include "app/real_platform.h"
#include "cli/jobs.h"
#include "cli/messages.h"
#include "cli/options.h"
#include "cli/run.h"
#include "command/service_address.h"
#include "output/study_list.h"
#include "output/study_sheet.h"
#include "platform/text_file.h"
#include "window/main_window.h"

namespace {

using namespace lexiquill;

// Qt's own options, which QApplication takes out of the arguments itself (see qt6options(7));
// known here only so that checking the options before the window system starts lets them by.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"style", true},
    {"stylesheet", true},
    {"widgetcount", false},
    {"reverse", false},
    {"qmljsdebugger", true},
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"session", true},
    {"display", true},
    {"geometry", true},
    {"dialogs", true},
    {"fontengine", true},
};

int usageError(const QString& error)
{
    cli::printError(error);
    std::fputs("Try 'lexiquill --help' for more information.\n", stderr);
    return 2;
}

// What the arguments ask for. Decided before the window system is reached, so that
// --help, --version and the command line work without a display.
struct Request {
    std::optional<int> status;                     // set: end at once with it
    std::optional<cli::Options> runWithoutWindow;  // set: a run without the window
    QString service;                               // --service, empty when not given
};

const QString kServiceOption = QStringLiteral("service");

// The program's options, the command line's among them, and Qt's own, hidden.
void addProgramOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Turns lists of words and phrases into acronyms and mnemonics.\n\n"
        "  lexiquill [--service URL]                 open the window\n"
        "  lexiquill --acronyms [OPTIONS] [FILE...]  print the acronym of every line\n"
        "  lexiquill --mnemonics [OPTIONS] [FILE...] print the mnemonic words of every line"));
    // Qt's options are words after a single dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(
        {kServiceOption,
         QStringLiteral("The mnemonic service to ask, for the window too (http://HOST:PORT)."),
         QStringLiteral("URL")});
    cli::addOptions(parser);
    for (const QtOption& qt : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue) option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// What the options ask for once they parsed: a usage error, the window, or a run
// without it.
Request readRequest(const QCommandLineParser& parser)
{
    cli::Choice choice = cli::readOptions(parser);
    if (!choice.usageError.isEmpty()) return {usageError(choice.usageError), {}, {}};
    if (choice.runWithoutWindow) {
        // Without the window its toolkit's options are no options: "-style FILE" must
        // not take FILE away from the files to read.
        for (const QtOption& qt : kQtOptions) {
            if (parser.isSet(QString::fromLatin1(qt.name))) {
                return {usageError(QStringLiteral("Unknown option '%1'.").arg(qt.name)), {}, {}};
            }
        }
    }
    Request request{std::nullopt, std::move(choice.runWithoutWindow), parser.value(kServiceOption)};
    if (parser.isSet(kServiceOption) && request.service.trimmed().isEmpty()) {
        request.status = usageError(QStringLiteral("--service needs an address"));
    }
    return request;
}

Request readCommandLine(int argc, char* argv[])
{
    QCommandLineParser parser;
    addProgramOptions(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (!parser.parse(arguments)) return {usageError(parser.errorText()), {}, {}};
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
        parser.isSet(QStringLiteral("version"))) {
        // The help names the program as it was called, which takes an application
        // object; this shows the help or the version and exits.
        const QCoreApplication core(argc, argv);
        parser.process(core);
        return {0, {}, {}};
    }
    return readRequest(parser);
}

// The application object of a run without the window: Qt Core's, or for a study sheet,
// whose fonts take Qt Gui, Qt Gui's on the platform that draws off screen, so that no
// display is needed still.
std::unique_ptr<QCoreApplication> commandLineApplication(int& argc, char* argv[], bool drawsSheet)
{
    if (!drawsSheet) return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

// What asking the mnemonic service from the command line takes. The HTTP client waits
// for answers in Qt's event loop.
struct CommandLineService {
    CommandLineService(int& argc, char* argv[], const QString& url, bool drawsSheet)
        : app(commandLineApplication(argc, argv, drawsSheet)), service{http, host, url}
    {
    }
    std::unique_ptr<QCoreApplication> app;
    adapters::CurlHttpClient http;
    adapters::InProcessServiceHost host;
    cli::MnemonicService service;
};

// --sheet: the PDF on the paper of the user's locale, into the file as the window saves
// its files (a device or a pipe written in place, any other file replaced only once
// the new one is whole).
void writeSheet(const QString& path, const output::StudyList& list)
{
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    output::writeStudySheet(pdf, list, output::studySheetPaper(QLocale::system()));
    adapters::QtEventPump pump;
    adapters::SaveFileWriter files(pump);
    const std::unique_ptr<platform::TextStream> file = files.createTextFile(path);
    file->writeBytes(pdf.data());
    file->close();
}

// lexiquill --acronyms or --mnemonics: no window, no display.
int runWithoutWindow(int& argc, char* argv[], const cli::Options& options,
                     const command::ServiceAddress& address)
{
    const bool asksService = options.mode == cli::Mode::Mnemonics;
    // An address given for this run must be one even when the service is not asked.
    if (!address.problem.isEmpty() && (asksService || address.fromCommandLine)) {
        if (address.fromCommandLine) return usageError(address.problem);
        cli::printError(address.problem);
        return 1;
    }
    std::optional<CommandLineService> service;
    if (asksService) service.emplace(argc, argv, address.url, !options.sheet.isEmpty());
    return cli::run(options, service ? &service->service : nullptr, writeSheet);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("lexiquill"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LEXIQUILL_VERSION));
    const Request request = readCommandLine(argc, argv);
    if (request.status) return *request.status;
    const command::ServiceAddress address = command::serviceAddress(request.service);
    if (request.runWithoutWindow) {
        return runWithoutWindow(argc, argv, *request.runWithoutWindow, address);
    }

    QApplication app(argc, argv);
    // The desktop entry's name, so that the task bar finds the entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(LEXIQUILL_APP_ID));
    lexiquill::window::MainWindow window(
        lexiquill::app::realPlatform(QCoreApplication::applicationDirPath(), address));
    window.show();
    return QApplication::exec();
}
