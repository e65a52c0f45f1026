#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <optional>

#include "app/real_platform.h"
#include "window/main_window.h"

namespace {

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

// Answers --help and --version, and refuses what is not an option of this program, with
// the exit status to end with; nothing when the window is to open. This runs before the
// window system is reached, so that it works without a display too.
std::optional<int> answerCommandLine(int argc, char* argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Turns lists of words and phrases into acronyms and mnemonics."));
    // Qt's options are words after a single dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    for (const QtOption& qt : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(qt.name));
        if (qt.takesValue) option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

    QString error;
    if (!parser.parse(arguments)) {
        error = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        error =
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
    } else if (!parser.isSet(help) && !parser.isSet(QStringLiteral("help-all")) &&
               !parser.isSet(version)) {
        return std::nullopt;
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "lexiquill: %s\nTry 'lexiquill --help' for more information.\n",
                     qPrintable(error));
        return 2;
    }
    // The help names the program as it was called, which takes an application object;
    // this shows the help or the version and exits.
    const QCoreApplication core(argc, argv);
    parser.process(core);
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("lexiquill"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LEXIQUILL_VERSION));
    if (const std::optional<int> status = answerCommandLine(argc, argv)) return *status;

    QApplication app(argc, argv);
    // The desktop entry's name, so that the task bar finds the entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(LEXIQUILL_APP_ID));
    lexiquill::window::MainWindow window(
        lexiquill::app::realPlatform(QCoreApplication::applicationDirPath(), QString()));
    window.show();
    return QApplication::exec();
}
