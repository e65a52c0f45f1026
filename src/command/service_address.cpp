#include "command/service_address.h"

#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace lexiquill::command {

namespace {

const QString kSetting = QStringLiteral("mnemonic/serviceUrl");

QString userSettingsAddress()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("lexiquill"),
                       QStringLiteral("lexiquill"));
    // Otherwise the system's settings would answer here too, from one folder only.
    settings.setFallbacksEnabled(false);
    return settings.value(kSetting).toString();
}

// The system's settings: every folder of XDG_CONFIG_DIRS in turn, the first that holds
// the file winning, as desktops that list several folders there expect. Qt's own
// system scope reads the first folder only.
QString systemSettingsAddress()
{
    QString folders = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (folders.isEmpty()) folders = QStringLiteral("/etc/xdg");
    for (const QString& folder : folders.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString file = folder + QStringLiteral("/lexiquill/lexiquill.conf");
        if (QFileInfo::exists(file)) {
            return QSettings(file, QSettings::IniFormat).value(kSetting).toString();
        }
    }
    return {};
}

// Why text is not an address to ask the service at; empty when it is one. Paths,
// queries and credentials are refused rather than dropped, so that nothing the user
// wrote is silently ignored.
QString addressProblem(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return QStringLiteral("not a valid URL");
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) {
        return QStringLiteral("not an http or https address");
    }
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment() ||
        (!url.path().isEmpty() && url.path() != QLatin1String("/"))) {
        return QStringLiteral("more than a scheme, a host and a port");
    }
    // Port 0 asks the system for any port when listening, but reaches nothing.
    if (url.port() == 0) return QStringLiteral("not usable: its port is outside 1 to 65535");
    return {};
}

}  // namespace

ServiceAddress serviceAddress(const QString& fromCommandLine)
{
    struct Source {
        QString text;
        const char* name;
    };
    const Source sources[] = {
        {fromCommandLine, "--service"},
        {qEnvironmentVariable("LEXIQUILL_SERVICE_URL"), "LEXIQUILL_SERVICE_URL"},
        {userSettingsAddress(), "the user's settings"},
        {systemSettingsAddress(), "the system's settings"},
        {QStringLiteral(LEXIQUILL_MNEMONIC_BASE_URL), "the built-in default"},
    };
    for (const Source& source : sources) {
        const QString text = source.text.trimmed();
        if (text.isEmpty()) continue;
        ServiceAddress address;
        address.url = text.endsWith(QLatin1Char('/')) ? text.chopped(1) : text;
        address.fromCommandLine = &source == &sources[0];
        const QString problem = addressProblem(text);
        if (!problem.isEmpty()) {
            address.problem = QStringLiteral("The mnemonic service address '%1' (from %2) is %3.")
                                  .arg(text, QString::fromLatin1(source.name), problem);
        }
        return address;
    }
    return {};
}

}  // namespace lexiquill::command
