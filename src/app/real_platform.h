#pragma once

#include "platform/platform.h"

namespace lexiquill::app {

// The adapters of the running program.
platform::Platform realPlatform(const QString& programFolder);

}  // namespace lexiquill::app
