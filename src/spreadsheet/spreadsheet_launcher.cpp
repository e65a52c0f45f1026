#include "spreadsheet/spreadsheet_launcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <utility>

#include "platform/platform_error.h"

namespace lexiquill::spreadsheet {

namespace {

const QString kXlsxMimeType =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");

// A tool found on the given folders only: an empty list must not fall back to this
// process's own PATH.
QString findProgram(const QString& name, const QStringList& searchPath)
{
    if (searchPath.isEmpty()) return {};
    if (QDir::isAbsolutePath(name)) {
        const QFileInfo info(name);
        return info.isFile() && info.isExecutable() ? name : QString();
    }
    return QStandardPaths::findExecutable(name, searchPath);
}

QStringList folders(const QString& value)
{
    QStringList out;
    for (const QString& folder : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder)) out.append(folder);
    }
    return out;
}

// The desktop entry id of the default application for .xlsx files, as xdg-mime
// tells it; the tool is a shell script that may ask the desktop, so it is given a
// bounded time.
QString defaultDesktopEntry(const QProcessEnvironment& env, const QStringList& searchPath)
{
    const QString xdgMime = findProgram(QStringLiteral("xdg-mime"), searchPath);
    if (xdgMime.isEmpty()) return {};
    QProcess query;
    query.setProcessEnvironment(env);
    query.setStandardInputFile(QProcess::nullDevice());
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), kXlsxMimeType});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return {};
    const QString id = QString::fromLocal8Bit(query.readAllStandardOutput())
                           .section(QLatin1Char('\n'), 0, 0)
                           .trimmed();
    if (!id.endsWith(QLatin1String(".desktop")) || id.contains(QLatin1Char('/'))) return {};
    return id;
}

// Where a desktop entry id may live: the data folders in order of preference, the
// id as a file name, or with its first "-" as a sub-folder ("kde-calc.desktop" in
// "kde/calc.desktop").
std::optional<LaunchCommand> findDesktopEntry(const QString& id, const QProcessEnvironment& env,
                                              const QStringList& searchPath)
{
    QString dataHome = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (!QDir::isAbsolutePath(dataHome)) {
        const QString home = env.value(QStringLiteral("HOME"));
        dataHome = QDir::isAbsolutePath(home) ? home + QStringLiteral("/.local/share") : QString();
    }
    QStringList dataDirs = folders(env.value(QStringLiteral("XDG_DATA_DIRS")));
    if (dataDirs.isEmpty())
        dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    if (!dataHome.isEmpty()) dataDirs.prepend(dataHome);

    QStringList names{id};
    const qsizetype dash = id.indexOf(QLatin1Char('-'));
    if (dash > 0) names.append(id.left(dash) + QLatin1Char('/') + id.mid(dash + 1));
    for (const QString& dir : dataDirs) {
        for (const QString& name : names) {
            const QString path = dir + QStringLiteral("/applications/") + name;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) continue;
            // The first entry found decides, usable or not, as the desktop would.
            return launchCommandFromDesktopEntry(QString::fromUtf8(file.read(1 << 20)), path,
                                                 searchPath);
        }
    }
    return std::nullopt;
}

// The general escapes of a desktop entry's string values.
QString unescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value[i];
        if (ch != QLatin1Char('\\') || i + 1 == value.size()) {
            out.append(ch);
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
            case 's':
                out.append(QLatin1Char(' '));
                break;
            case 'n':
                out.append(QLatin1Char('\n'));
                break;
            case 't':
                out.append(QLatin1Char('\t'));
                break;
            case 'r':
                out.append(QLatin1Char('\r'));
                break;
            case '\\':
                out.append(QLatin1Char('\\'));
                break;
            default:
                out.append(ch).append(next);
                break;
        }
    }
    return out;
}

bool isTrue(const QString& value) { return value.trimmed() == QLatin1String("true"); }

}  // namespace

std::optional<LaunchCommand> findSpreadsheetApplication(const QProcessEnvironment& env)
{
    const QStringList searchPath = folders(env.value(QStringLiteral("PATH")));
    const QStringList openAsNewDocument{QStringLiteral("--calc"), QStringLiteral("-n"),
                                        QStringLiteral("%f")};
    for (const QString& name : {QStringLiteral("localc"), QStringLiteral("libreoffice")}) {
        const QString program = findProgram(name, searchPath);
        if (!program.isEmpty()) return LaunchCommand{program, openAsNewDocument, {}, {}, {}, true};
    }
    const QString id = defaultDesktopEntry(env, searchPath);
    if (!id.isEmpty()) {
        if (auto command = findDesktopEntry(id, env, searchPath)) return command;
    }
    const QString gnumeric = findProgram(QStringLiteral("gnumeric"), searchPath);
    if (!gnumeric.isEmpty()) return LaunchCommand{gnumeric, {QStringLiteral("%f")}, {}, {}, {}};
    return std::nullopt;
}

std::optional<LaunchCommand> launchCommandFromDesktopEntry(const QString& text, const QString& path,
                                                           const QStringList& searchPath)
{
    bool inEntry = false;
    QString type, exec, tryExec, name, icon;
    bool hidden = false;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescapeValue(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Exec"))
            exec = value;
        else if (key == QLatin1String("TryExec"))
            tryExec = value;
        else if (key == QLatin1String("Name"))
            name = value;
        else if (key == QLatin1String("Icon"))
            icon = value;
        else if (key == QLatin1String("Hidden"))
            hidden = isTrue(value);
    }
    if (hidden || (!type.isEmpty() && type != QLatin1String("Application"))) return std::nullopt;
    if (!tryExec.isEmpty() && findProgram(tryExec, searchPath).isEmpty()) return std::nullopt;
    std::optional<QStringList> words = splitDesktopExec(exec);
    if (!words) return std::nullopt;
    const QString program = findProgram(words->takeFirst(), searchPath);
    if (program.isEmpty()) return std::nullopt;
    return LaunchCommand{program, *words, name, icon, path};
}

std::optional<QStringList> splitDesktopExec(const QString& value)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value[i];
        if (quoted) {
            if (ch == QLatin1Char('\\') && i + 1 < value.size() &&
                QStringLiteral("\"`$\\").contains(value[i + 1])) {
                word.append(value[++i]);
            } else if (ch == QLatin1Char('"')) {
                quoted = false;
            } else {
                word.append(ch);
            }
        } else if (ch == QLatin1Char(' ') || ch == QLatin1Char('\t') || ch == QLatin1Char('\n')) {
            if (inWord) words.append(std::exchange(word, QString()));
            inWord = false;
        } else {
            if (ch == QLatin1Char('"'))
                quoted = true;
            else
                word.append(ch);
            inWord = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inWord) words.append(word);
    if (words.isEmpty() || words.first().isEmpty()) return std::nullopt;
    return words;
}

QStringList launchArguments(const LaunchCommand& command, const QString& file)
{
    QStringList out;
    bool fileGiven = false;
    for (const QString& argument : command.arguments) {
        if (argument == QLatin1String("%F") || argument == QLatin1String("%U") ||
            argument == QLatin1String("%f") || argument == QLatin1String("%u")) {
            if (!file.isEmpty()) out.append(file);
            fileGiven = true;
            continue;
        }
        if (argument == QLatin1String("%i")) {
            if (!command.icon.isEmpty()) out << QStringLiteral("--icon") << command.icon;
            continue;
        }
        QString expanded;
        bool onlyCodes = true;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] != QLatin1Char('%') || i + 1 == argument.size()) {
                expanded.append(argument[i]);
                onlyCodes = false;
                continue;
            }
            switch (argument[++i].unicode()) {
                case '%':
                    expanded.append(QLatin1Char('%'));
                    onlyCodes = false;
                    break;
                case 'f':
                case 'F':
                case 'u':
                case 'U':
                    expanded.append(file);
                    fileGiven = true;
                    break;
                case 'c':
                    expanded.append(command.name);
                    break;
                case 'k':
                    expanded.append(command.desktopFile);
                    break;
                default:
                    break;  // deprecated and unknown codes stand for nothing
            }
        }
        if (!onlyCodes || !expanded.isEmpty()) out.append(expanded);
    }
    if (!fileGiven && !file.isEmpty()) out.append(file);
    return out;
}

void launchDetached(const LaunchCommand& command, const QString& file,
                    const QProcessEnvironment& env)
{
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(launchArguments(command, file));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        const QString reason = process.errorString();
        throw platform::PlatformError(
            QStringLiteral("The spreadsheet application %1 could not be started%2")
                .arg(QFileInfo(command.program).fileName(),
                     reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
    }
}

}  // namespace lexiquill::spreadsheet
