#pragma once

#include <QString>

namespace lexiquill::command {

// Where the mnemonic service is asked, and whether that address can be used.
struct ServiceAddress {
    // Scheme, host and port, without a trailing "/".
    QString url;
    // Empty, or why url cannot be asked: where it came from and what is wrong with it.
    QString problem;
    // The address is the command line's own (--service), not the environment's or a
    // settings file's.
    bool fromCommandLine = false;
};

// The mnemonic service's address, from the first of these that is set: fromCommandLine
// (the --service option; empty when not given), the environment variable
// LEXIQUILL_SERVICE_URL, "serviceUrl" in the [mnemonic] group of the user's settings
// (~/.config/lexiquill/lexiquill.conf, following XDG_CONFIG_HOME), the same in the
// system's (lexiquill/lexiquill.conf in the first folder of XDG_CONFIG_DIRS that has
// it, /etc/xdg when that is not set), and the address built in.
ServiceAddress serviceAddress(const QString& fromCommandLine);

}  // namespace lexiquill::command
