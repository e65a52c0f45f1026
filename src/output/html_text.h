#pragma once

#include <QChar>
#include <QLatin1String>

namespace lexiquill::output {

// The HTML of a character that is not itself in a card's field, or nothing. Besides what
// HTML needs, the characters that would end a field or make the importer read it as
// quoted are entities too: a field is then written as it is, and read back as it was.
constexpr QLatin1String htmlEntityOf(QChar c)
{
    switch (c.unicode()) {
        case u'&':
            return QLatin1String("&amp;");
        case u'<':
            return QLatin1String("&lt;");
        case u'>':
            return QLatin1String("&gt;");
        case u'"':
            return QLatin1String("&quot;");
        case u'\t':
            return QLatin1String("&#9;");
        case u'\r':
            return QLatin1String("&#13;");
        case u'\n':
            return QLatin1String("<br>");
        default:
            return {};
    }
}

}  // namespace lexiquill::output
