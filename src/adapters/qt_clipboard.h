#pragma once

#include "platform/clipboard.h"

namespace lexiquill::adapters {

// QClipboard, read back after every change to tell whether the change took.
class QtClipboard final : public platform::Clipboard {
public:
    void clear() override;
    void setText(const QString& text, int format) override;
};

}  // namespace lexiquill::adapters
