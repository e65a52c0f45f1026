#include "shell/path_helpers.h"

#include <algorithm>

namespace lexiquill::shell {

QString fileNameFromPath(const QString& text)
{
    const auto cut = std::max(text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char('/')));
    return text.mid(cut + 1);
}

}  // namespace lexiquill::shell
