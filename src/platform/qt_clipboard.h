#pragma once

#include "platform/clipboard.h"

namespace lexiquill::platform {

// QClipboard, read back after every change to tell whether the change took.
class QtClipboard final : public Clipboard {
public:
    void clear() override;
    void setText(const QString& text, int format) override;
};

}  // namespace lexiquill::platform
