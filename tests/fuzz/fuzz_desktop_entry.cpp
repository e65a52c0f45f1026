// Feeds arbitrary text to the readers of desktop entries, which come from files any
// installed package may write: the entry parser, the Exec splitter and the field
// code expansion. Each result is checked against a property that must hold for
// every input.

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_check.h"
#include "spreadsheet/spreadsheet_launcher.h"

namespace {

QString quoted(QString word)
{
    for (const char* special : {"\\", "\"", "`", "$"}) {
        word.replace(QLatin1String(special), QLatin1String("\\") + QLatin1String(special));
    }
    return QLatin1Char('"') + word + QLatin1Char('"');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace lexiquill::spreadsheet;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    launchCommandFromDesktopEntry(text, QStringLiteral("/nowhere/x.desktop"),
                                  {QStringLiteral("/nonexistent")});

    const auto words = splitDesktopExec(text);
    if (!words) return 0;
    // Quoting the words again gives them back.
    QStringList requoted;
    for (const QString& word : *words) requoted.append(quoted(word));
    check(splitDesktopExec(requoted.join(QLatin1Char(' '))) == words);

    // The file always reaches the application, whatever the codes say.
    const LaunchCommand command{QStringLiteral("/bin/true"), *words, text, text, text};
    const QString file = QStringLiteral("/w/results.xlsx");
    bool given = false;
    for (const QString& argument : launchArguments(command, file))
        given = given || argument.contains(file);
    check(given);
    return 0;
}
