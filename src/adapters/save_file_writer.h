#pragma once

#include "platform/text_file.h"

namespace lexiquill::adapters {

// Writes through QSaveFile: into a temporary file beside the target, renamed over
// it on close. A target that is a device, a named pipe or a socket is written in
// place instead; a folder is refused.
class SaveFileWriter final : public platform::TextFileWriter {
public:
    std::unique_ptr<platform::TextStream> createTextFile(const QString& path) override;
};

}  // namespace lexiquill::adapters
