#pragma once

#include <QIcon>

namespace lexiquill::platform {

// The application icon: a quill-blue tile with a white "L." on it.
QIcon applicationIcon();

}  // namespace lexiquill::platform
