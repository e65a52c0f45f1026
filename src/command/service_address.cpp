#include "command/service_address.h"

#include <QSettings>
#include <QUrl>

namespace lexiquill::command {

namespace {

QString settingsAddress(QSettings::Scope scope)
{
    QSettings settings(QSettings::NativeFormat, scope, QStringLiteral("lexiquill"),
                       QStringLiteral("lexiquill"));
    // Otherwise the user's settings would also answer for the system's.
    settings.setFallbacksEnabled(false);
    return settings.value(QStringLiteral("mnemonic/serviceUrl")).toString();
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
        {settingsAddress(QSettings::UserScope), "the user's settings"},
        {settingsAddress(QSettings::SystemScope), "the system's settings"},
        {QStringLiteral(LEXIQUILL_MNEMONIC_BASE_URL), "the built-in default"},
    };
    for (const Source& source : sources) {
        const QString text = source.text.trimmed();
        if (text.isEmpty()) continue;
        ServiceAddress address;
        address.url = text.endsWith(QLatin1Char('/')) ? text.chopped(1) : text;
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
