#include "command/app_identity.h"

namespace lexiquill::command {

QString applicationTitle(const QString& productName)
{
    constexpr int kMaxLength = 40;
    QString title = productName;
    while (title.size() > kMaxLength) {
        const auto blank = title.lastIndexOf(QLatin1Char(' '));
        // A name without a blank in its first 40 characters cannot end where a word
        // ends; cutting it at 40 keeps the title within bounds.
        title.truncate(blank >= 0 ? blank : kMaxLength);
    }
    return title;
}

QString errorReportText(const QString& description, const QString& module, const QString& procedure,
                        int line)
{
    return description + QStringLiteral("\r\n") + QStringLiteral("in Lexiquill2021/08/31.") +
           module + QLatin1Char('.') + procedure + QLatin1Char(' ') + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + kSupportAddress;
}

}  // namespace lexiquill::command
