#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <optional>

#include "adapters/curl_http_client.h"
#include "adapters/in_process_service_host.h"
#include "app/real_platform.h"
#include "cli/options.h"
#include "cli/run.h"
#include "command/service_address.h"
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
    std::fprintf(stderr, "lexiquill: %s\nTry 'lexiquill --help' for more information.\n",
                 error.toLocal8Bit().constData());
    return 2;
}

// What the arguments ask for. Decided before the window system is reached, so that
// --help, --version and the command line work without a display.
struct Request {
    std::optional<int> status;                // set: end at once with it
    std::optional<cli::Options> commandLine;  // set: a run without the window
    QString service;                          // --service, empty when not given
    bool serviceGiven = false;
};

Request readCommandLine(int argc, char* argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Turns lists of words and phrases into acronyms and mnemonics.\n\n"
        "  lexiquill [--service URL]                 open the window\n"
        "  lexiquill --acronyms [OPTIONS] [FILE...]  print the acronym of every line\n"
        "  lexiquill --mnemonics [OPTIONS] [FILE...] print the mnemonic words of every line"));
    // Qt's options are words after a single dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption service(
        QStringLiteral("service"),
        QStringLiteral("The mnemonic service to ask, for the window too (http://HOST:PORT)."),
        QStringLiteral("URL"));
    parser.addOption(service);
    cli::addOptions(parser);
    for (const QtOption& qt : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue) option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

    Request request;
    if (!parser.parse(arguments)) {
        request.status = usageError(parser.errorText());
        return request;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")) || parser.isSet(version)) {
        // The help names the program as it was called, which takes an application
        // object; this shows the help or the version and exits.
        const QCoreApplication core(argc, argv);
        parser.process(core);
        request.status = 0;
        return request;
    }
    cli::Choice choice = cli::readOptions(parser);
    if (!choice.usageError.isEmpty()) {
        request.status = usageError(choice.usageError);
        return request;
    }
    request.commandLine = std::move(choice.commandLine);
    request.serviceGiven = parser.isSet(service);
    request.service = parser.value(service);
    if (request.serviceGiven && request.service.trimmed().isEmpty()) {
        request.status = usageError(QStringLiteral("--service needs an address"));
    }
    return request;
}

// lexiquill --acronyms or --mnemonics: no window, no display.
int runCommandLine(int argc, char* argv[], const Request& request)
{
    const cli::Options& options = *request.commandLine;
    if (options.mode == cli::Mode::Acronyms) {
        // The service is not asked, but an address given for this run must still be one.
        if (request.serviceGiven) {
            const command::ServiceAddress address = command::serviceAddress(request.service);
            if (!address.problem.isEmpty()) return usageError(address.problem);
        }
        return cli::run(options, nullptr);
    }
    const command::ServiceAddress address = command::serviceAddress(request.service);
    if (!address.problem.isEmpty()) return usageError(address.problem);
    // The HTTP client waits for answers in Qt's event loop; nothing here draws.
    const QCoreApplication core(argc, argv);
    adapters::CurlHttpClient http;
    adapters::InProcessServiceHost host;
    cli::MnemonicService service{http, host, address.url};
    return cli::run(options, &service);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("lexiquill"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LEXIQUILL_VERSION));
    const Request request = readCommandLine(argc, argv);
    if (request.status) return *request.status;
    if (request.commandLine) return runCommandLine(argc, argv, request);

    QApplication app(argc, argv);
    // The desktop entry's name, so that the task bar finds the entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(LEXIQUILL_APP_ID));
    lexiquill::window::MainWindow window(
        lexiquill::app::realPlatform(QCoreApplication::applicationDirPath(), request.service));
    window.show();
    return QApplication::exec();
}
