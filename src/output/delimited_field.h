#pragma once

#include <QStringView>
#include <algorithm>

namespace lexiquill::output {

// Hands text to append as a field of a record of delimited text, as RFC 4180 and the
// flashcard program's text import read it: in quotes, each quote doubled, when it
// holds the separator, a quote anywhere, CR or LF; as it is otherwise. (A reader takes
// a quote that opens a field for the start of a quoted one, and one inside it is
// worth quoting too: some readers treat it so.) append takes QStringView pieces.
template <class Append>
void appendDelimitedField(QStringView text, QChar separator, Append&& append)
{
    const bool quoted = std::any_of(text.cbegin(), text.cend(), [&](QChar c) {
        return c == separator || c == u'"' || c == u'\r' || c == u'\n';
    });
    if (!quoted) {
        append(text);
        return;
    }
    append(QStringView(u"\""));
    for (qsizetype quote = text.indexOf(u'"'); quote >= 0; quote = text.indexOf(u'"')) {
        append(text.first(quote + 1));
        append(QStringView(u"\""));
        text = text.sliced(quote + 1);
    }
    append(text);
    append(QStringView(u"\""));
}

}  // namespace lexiquill::output
