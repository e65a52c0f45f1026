#pragma once

#include <QStringList>

namespace lexiquill::adapters {

// The name filters of Qt's file dialog for a filter list written as
// "label|pattern|label|pattern|...": each entry "label (patterns)", with the
// patterns of one entry (separated by ";") in Qt's form. "*.*" means every file, as
// its label says, also a file without a dot in its name. An incomplete last entry
// is left out.
QStringList nameFiltersFromList(const QString& filter);

// The dialog's file name for the files chosen in folder: empty for none; the full
// path for one; otherwise the folder and then each file's name relative to it, all
// separated by NUL characters.
QString dialogFileName(const QString& folder, const QStringList& files);

}  // namespace lexiquill::adapters
