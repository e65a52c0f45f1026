#pragma once

#include <QIcon>

namespace lexiquill::window {

// The application icon: a quill-blue tile with a white "L." on it (icons/lexiquill.svg),
// from the icon theme when installed there, else built in.
QIcon applicationIcon();

}  // namespace lexiquill::window
