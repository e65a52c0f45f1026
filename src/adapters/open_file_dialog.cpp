#include "adapters/open_file_dialog.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

#include "adapters/modal.h"
#include "adapters/qt_dialogs.h"
#include "platform/dialogs.h"

namespace lexiquill::adapters {

namespace {

// Qt's file dialog in ExistingFiles mode refuses typed names of files that do not
// exist, but the command wants them, to say "File not found" itself. So the dialog
// runs in AnyFile mode, which takes any name, with several files selectable in its
// views. The file name field is what counts: the views copy their selection into
// it, while the dialog's own answer would leave out typed names that the views
// cannot select.
class OpenFileDialog final : public QFileDialog {
public:
    OpenFileDialog(QWidget* parent, bool several) : QFileDialog(parent), m_several(several)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(QFileDialog::AnyFile);
        // It only chooses files to read: nothing in it deletes, renames or makes one.
        setOption(QFileDialog::ReadOnly);
        for (const char* name : {"qt_rename_action", "qt_delete_action"}) {
            if (auto* action = findChild<QAction*>(QLatin1String(name))) action->setVisible(false);
        }
        if (several) {
            for (const char* name : {"listView", "treeView"}) {
                if (auto* view = findChild<QAbstractItemView*>(QLatin1String(name))) {
                    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
                }
            }
        }
    }

    QStringList chosen() const { return m_chosen; }

    void accept() override
    {
        QStringList files = typedFiles();
        if (files.isEmpty()) files = selectedFiles();
        if (files.isEmpty()) return;
        if (files.size() == 1 && QFileInfo(files.first()).isDir()) {
            // Opens the folder, as the dialog always does.
            QFileDialog::accept();
            return;
        }
        if (!m_several) files = files.mid(0, 1);
        m_chosen = files;
        QDialog::accept();
    }

private:
    // The names in the file name field, as full paths: the whole text, or each name
    // in double quotes when the text holds several.
    QStringList typedFiles() const
    {
        const auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString text = field != nullptr ? field->text() : QString();
        QStringList names;
        if (!text.contains(QLatin1Char('"'))) {
            if (!text.isEmpty()) names.append(text);
        } else {
            const QStringList tokens = text.split(QLatin1Char('"'));
            for (qsizetype i = 1; i < tokens.size(); i += 2) {
                if (!tokens[i].isEmpty()) names.append(tokens[i]);
            }
        }
        const QDir folder = directory();
        for (QString& name : names) {
            // "~/lists/a.txt" is in the home folder, as everywhere else on this system.
            if (name == QLatin1String("~") || name.startsWith(QLatin1String("~/"))) {
                name = QDir::homePath() + name.mid(1);
            }
            name = QDir::cleanPath(folder.absoluteFilePath(name));
        }
        return names;
    }

    bool m_several = false;
    QStringList m_chosen;
};

// The dialog's file name for the files chosen in folder: empty for none; the full
// path for one; otherwise the folder and then each file's name relative to it, all
// separated by NUL characters.
QString dialogFileName(const QString& folder, const QStringList& files)
{
    if (files.isEmpty()) return {};
    if (files.size() == 1) return files.first();
    const QDir dir(folder);
    QString result = folder;
    for (const QString& file : files) result += QChar(0) + dir.relativeFilePath(file);
    return result;
}

}  // namespace

QStringList nameFiltersFromList(const QString& filter)
{
    const QStringList pieces = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        QStringList patterns = pieces[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        }
        filters.append(pieces[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return filters;
}

QString QtDialogs::openFileName(const platform::OpenDialogOptions& options)
{
    const bool several = (options.flags & platform::kFileDialogAllowMultiSelect) != 0;
    OpenFileDialog dialog(QApplication::activeWindow(), several);
    dialog.setWindowTitle(options.title);
    const QStringList filters = nameFiltersFromList(options.filter);
    if (!filters.isEmpty()) {
        // The labels are shown as they stand; Qt's patterns stay out of sight.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(m_openFilterIndex, filters.first()));
    }
    if (!options.fileName.isEmpty()) dialog.selectFile(options.fileName);
    if (execModal(dialog) != QDialog::Accepted) return {};
    // With the details hidden, the dialog names the chosen filter by its label.
    const QString picked = dialog.selectedNameFilter();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        if (filters[i] == picked || filters[i].startsWith(picked + QStringLiteral(" ("))) {
            m_openFilterIndex = static_cast<int>(i);
            break;
        }
    }
    return dialogFileName(dialog.directory().absolutePath(), dialog.chosen());
}

}  // namespace lexiquill::adapters
