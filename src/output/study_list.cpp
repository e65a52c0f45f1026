#include "output/study_list.h"

#include <QFileInfo>

namespace lexiquill::output {

QString listTitle(const QString& filePath, const QStringList& items)
{
    if (!filePath.isEmpty()) {
        const QFileInfo file(filePath);
        const QString name = file.completeBaseName();
        return name.isEmpty() ? file.fileName() : name;
    }
    return items.isEmpty() ? QString() : items.front();
}

qsizetype startLength(QStringView text, QStringView start)
{
    qsizetype length = 0;
    while (length < text.size() && length < start.size() &&
           text[length].toCaseFolded() == start[length].toCaseFolded()) {
        ++length;
    }
    return length;
}

}  // namespace lexiquill::output
