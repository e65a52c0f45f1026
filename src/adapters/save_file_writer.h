#pragma once

#include "platform/event_pump.h"
#include "platform/text_file.h"

namespace lexiquill::adapters {

// Writes through QSaveFile: into a temporary file beside the target, renamed over
// it on close. A target that is a device or a named pipe is written in place instead,
// yielding through pump while it takes nothing; a folder is refused.
class SaveFileWriter final : public platform::TextFileWriter {
public:
    explicit SaveFileWriter(platform::EventPump& pump) : m_pump(pump) {}
    std::unique_ptr<platform::TextStream> createTextFile(const QString& path) override;

private:
    platform::EventPump& m_pump;
};

}  // namespace lexiquill::adapters
