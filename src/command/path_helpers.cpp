#include "command/path_helpers.h"

#include <algorithm>

namespace lexiquill::command {

QString fileNameFromPath(const QString& text)
{
    const auto cut =
        std::max(text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char('/')));
    return text.mid(cut + 1);
}

QString collapseSeparators(const QString& path)
{
    QString out;
    out.reserve(path.size());
    for (const QChar c : path) {
        if (c != QLatin1Char('/') || !out.endsWith(QLatin1Char('/'))) out += c;
    }
    return out;
}

}  // namespace lexiquill::command
