#pragma once

#include "platform/platform.h"

namespace lexiquill::app {

// The adapters of the running program. serviceOption is the --service option's value,
// empty when it was not given.
platform::Platform realPlatform(const QString& programFolder, const QString& serviceOption);

}  // namespace lexiquill::app
