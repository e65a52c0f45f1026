#pragma once

#include <QString>

#include "command/command_context.h"

class QColor;
class QWidget;

namespace lexiquill::platform {
class SkinEngine;
}

namespace lexiquill::window {

// The optional files in the program folder that change the window's look.
QString skinFilePath(const QString& programFolder);
QString handCursorPath(const QString& programFolder);

// Gives a widget a background colour of its own.
void setBackground(QWidget* widget, const QColor& colour);

// With a skin file present, the window and its option buttons, check boxes, frames
// and labels take the button-face colour and the skin engine is applied to the
// window. Without one nothing changes and the engine is not called.
void applySkin(QWidget& window, platform::SkinEngine& engine, const QString& programFolder);

// The pointer after a move: Hand over a push button, Default elsewhere, and Busy
// stays Busy until the command that showed it ends.
command::Pointer pointerAfterMove(command::Pointer current, bool overPushButton);

}  // namespace lexiquill::window
