#pragma once

#include "platform/file_reader.h"

namespace lexiquill::adapters {

// The files of the local file system.
class LocalFileReader final : public platform::FileReader {
public:
    std::unique_ptr<platform::ReadableFile> open(const QString& path) override;
};

}  // namespace lexiquill::adapters
