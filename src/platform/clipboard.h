#pragma once

#include <QString>

namespace lexiquill::platform {

// The system clipboard. Each call is one attempt, which fails with a PlatformError
// when the clipboard does not end up as asked (another program may hold it).
class Clipboard {
public:
    virtual ~Clipboard() = default;

    virtual void clear() = 0;
    // Format 0 is plain text; any other number is a format of that number.
    virtual void setText(const QString& text, int format) = 0;
};

}  // namespace lexiquill::platform
