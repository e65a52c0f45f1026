#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace lexiquill::platform {

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
    box.exec();
}

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" as Qt's name filters, each label
// showing its pattern once. "*.*" means every file, also one without a dot.
QStringList nameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        const qsizetype open = label.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && label.endsWith(QLatin1Char(')'))) label = label.left(open).trimmed();
        const QString pattern = parts[i + 1] == QLatin1String("*.*") ? QStringLiteral("*") : parts[i + 1];
        filters.append(label + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return filters;
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
    bool accepted = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), m_title, prompt,
                                               QLineEdit::Normal, QString(), &accepted);
    return accepted ? text : QString();
}

void QtDialogs::showErrorReport(const QString& text)
{
    showBox(QMessageBox::Warning, QStringLiteral("Application Error"), text);
}

QString QtDialogs::saveFileName(const SaveDialogOptions& options)
{
    QFileDialog dialog(QApplication::activeWindow(), options.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Replacing a file is the command's business; it asks no question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(nameFilters(options.filter));
    if (!options.fileName.isEmpty()) dialog.selectFile(options.fileName);
    if (dialog.exec() != QDialog::Accepted) return options.fileName;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? options.fileName : chosen.first();
}

}  // namespace lexiquill::platform
