#include "shell/path_helpers.h"

#include <algorithm>

namespace lexiquill::shell {

QString fileNameFromPath(const QString& text)
{
    const auto cut = std::max(text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char('/')));
    return text.mid(cut + 1);
}

namespace {

// Replaces every pair of separators by one, in one left-to-right pass.
QString collapsePairs(QStringView text, QChar separator)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == separator && i + 1 < text.size() && text[i + 1] == separator) ++i;
    }
    return out;
}

}  // namespace

QString collapseDoubledSeparators(const QString& path, QChar separator)
{
    if (!path.startsWith(separator)) return collapsePairs(path, separator);
    qsizetype rest = 1;
    while (rest < path.size() && path[rest] == separator) ++rest;
    return QString(2, separator) + collapsePairs(QStringView(path).mid(rest), separator);
}

QString CollapseDoubleBackslashes(const QString& path)
{
    return collapseDoubledSeparators(path, QLatin1Char('\\'));
}

}  // namespace lexiquill::shell
