#include "adapters/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "adapters/modal.h"
#include "adapters/open_file_dialog.h"

namespace lexiquill::adapters {

namespace {

// Message texts end their lines with CR LF or a lone CR; a label breaks lines at LF.
QString displayed(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void showBox(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, displayed(text), QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    execModal(box);
}

}  // namespace

void QtDialogs::setApplicationTitle(const QString& title)
{
    // Only the boxes take it: an application display name would make Qt append it to
    // every window title, "Application Error" included.
    m_title = title;
}

void QtDialogs::showMessage(const QString& text) { showBox(QMessageBox::NoIcon, m_title, text); }

QString QtDialogs::inputText(const QString& prompt)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(m_title);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    return execModal(dialog) == QDialog::Accepted ? dialog.textValue() : QString();
}

void QtDialogs::showErrorReport(const QString& text)
{
    showBox(QMessageBox::Warning, QStringLiteral("Application Error"), text);
}

QString QtDialogs::saveFileName(const platform::SaveDialogOptions& options)
{
    QFileDialog dialog(QApplication::activeWindow(), options.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Replacing a file is the command's business; it asks no question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    // The same labels as the open dialog shows, as they stand.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(nameFiltersFromList(options.filter));
    if (!options.fileName.isEmpty()) dialog.selectFile(options.fileName);
    if (execModal(dialog) != QDialog::Accepted) return options.fileName;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? options.fileName : chosen.first();
}

}  // namespace lexiquill::adapters
