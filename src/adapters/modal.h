#pragma once

class QDialog;

namespace lexiquill::adapters {

// Runs a modal box and returns its result. Qt drops a close that the window system
// asks of a window the box blocks (the main window's close button, clicked while an
// error report is open); here it is kept and carried out once the box is closed.
int execModal(QDialog& dialog);

}  // namespace lexiquill::adapters
