#include "window/appearance.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "command/file_system.h"
#include "platform/skin_engine.h"

namespace lexiquill::window {

QString skinFilePath(const QString& programFolder)
{
    return programFolder + QStringLiteral("/x/o.cjs");
}

QString handCursorPath(const QString& programFolder)
{
    return programFolder + QStringLiteral("/HAND-M.CUR");
}

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void applySkin(QWidget& window, platform::SkinEngine& engine, const QString& programFolder)
{
    const QString path = skinFilePath(programFolder);
    if (!command::visibleFileExists(path)) return;

    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    setBackground(&window, buttonFace);
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(control) || qobject_cast<QCheckBox*>(control) ||
            qobject_cast<QGroupBox*>(control) || qobject_cast<QLabel*>(control)) {
            setBackground(control, buttonFace);
        }
    }
    engine.loadSkin(path, QString());
    engine.setApplyOptions(engine.applyOptions() | 1);
    engine.setOption(5, true);
    engine.setOption(10, true);
    // Window handles are 32-bit numbers on every platform the engine knows.
    engine.applyToWindow(static_cast<quint32>(window.winId()));
}

command::Pointer pointerAfterMove(command::Pointer current, bool overPushButton)
{
    if (current == command::Pointer::Busy) return current;
    return overPushButton ? command::Pointer::Hand : command::Pointer::Default;
}

}  // namespace lexiquill::window
