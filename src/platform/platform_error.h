#pragma once

#include <QString>
#include <stdexcept>

namespace lexiquill::platform {

// A platform operation that failed. what() is the readable description that the
// error report shows to the user.
class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const QString& description)
        : std::runtime_error(description.toStdString())
    {
    }
};

// Thrown out of a yield once the window has been closed: it unwinds whatever command
// was suspended there, without any further step or message, up to the handler that
// started it. Deliberately not a std::exception, so that no step trap can swallow it.
struct ProgramEnding {};

}  // namespace lexiquill::platform
