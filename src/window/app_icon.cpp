#include "window/app_icon.h"

#include <QDir>

namespace lexiquill::window {

QIcon applicationIcon()
{
    // The theme's icon named like the desktop entry comes first, so that the window,
    // the task bar and the menu agree; the sizes built into the program serve where the
    // package's icons are not installed (a program run from its build folder).
    QIcon builtIn;
    const QDir sizes(QStringLiteral(":/icons"));
    for (const QString& name : sizes.entryList(QDir::Files)) builtIn.addFile(sizes.filePath(name));
    return QIcon::fromTheme(QStringLiteral(LEXIQUILL_APP_ID), builtIn);
}

}  // namespace lexiquill::window
