#pragma once

#include <QString>

namespace lexiquill::command {

inline const QString kProductName = QStringLiteral("Lexiquill");
inline const QString kSupportAddress = QStringLiteral("support@lexiquill.example");

// The product name shortened at blanks to at most 40 characters: the title of every
// box that names no title of its own.
QString applicationTitle(const QString& productName);

// The text of the "Application Error" report for a failed step.
QString errorReportText(const QString& description, const QString& module, const QString& procedure,
                        int line);

}  // namespace lexiquill::command
