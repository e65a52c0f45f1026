#pragma once

#include <QString>

#include "platform/platform_error.h"

namespace lexiquill::platform {

// Nothing listened at the address. After this, or a ConnectionLost, the program may
// start its own mnemonic service and ask again.
class ConnectionRefused : public PlatformError {
public:
    ConnectionRefused() : PlatformError(QStringLiteral("Connection refused")) {}
};

// The server closed or reset the connection before the whole answer had arrived, as a
// server does when it stops in the middle of a request.
class ConnectionLost : public PlatformError {
public:
    ConnectionLost()
        : PlatformError(
              QStringLiteral("The server closed the connection before the whole page arrived"))
    {
    }
};

// The server answered with a status other than 2xx: "Server replied 404 Not Found".
class ServerReplied : public PlatformError {
public:
    ServerReplied(int status, const QString& reason)
        : PlatformError(QStringLiteral("Server replied ") + QString::number(status) +
                        (reason.isEmpty() ? QString() : QLatin1Char(' ') + reason)),
          m_status(status)
    {
    }
    int status() const { return m_status; }

private:
    int m_status;
};

// Blocking HTTP GET. The calling thread waits until the whole body has arrived; the
// window repaints meanwhile, and the user's clicks and keys take effect once the
// answer is in. Closing the window ends the wait at once: the request is abandoned
// and get() throws ProgramEnding.
class HttpClient {
public:
    virtual ~HttpClient() = default;

    // The body of the answer to a GET of address, decoded as UTF-8. The address is
    // taken the way a browser takes it: characters that may not appear in a URL are
    // sent percent-encoded as UTF-8 and a fragment after "#" is not sent. Every
    // failure (refused, unknown host, time-out, a status other than 2xx, a body that
    // breaks off or is too large) is a PlatformError with a readable description.
    virtual QString get(const QString& address) = 0;
};

}  // namespace lexiquill::platform
