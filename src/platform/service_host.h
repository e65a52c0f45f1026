#pragma once

#include <QString>

namespace lexiquill::platform {

// Starts the mnemonic service inside this program, for when nothing answers at the
// program's own service address.
class ServiceHost {
public:
    virtual ~ServiceHost() = default;

    // Serves at the host and port of baseUrl from now until the host is destroyed.
    // True when it serves there (also when it already did); false when it cannot,
    // for example because the address is not on this machine or the port is taken.
    virtual bool start(const QString& baseUrl) = 0;
    // The most characters a phrase asked of the service may have: it refuses a longer
    // request line. A character that the address carries escaped counts as its escape
    // ("%C3%BC" for one "ü").
    virtual qsizetype longestPhrase() const = 0;
};

}  // namespace lexiquill::platform
