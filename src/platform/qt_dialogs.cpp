#include "platform/qt_dialogs.h"

#include <QApplication>
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

}  // namespace lexiquill::platform
