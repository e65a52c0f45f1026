#pragma once

#include "command/service_address.h"
#include "platform/platform.h"

namespace lexiquill::app {

// The adapters of the running program, asking the mnemonic service at service.
platform::Platform realPlatform(const QString& programFolder,
                                const command::ServiceAddress& service);

}  // namespace lexiquill::app
