#pragma once

#include <QString>
#include <memory>

namespace lexiquill::platform {

// A file open for sequential reading of its bytes; closed when destroyed, also when
// reading it failed part-way.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // Reads up to size bytes into buffer and returns how many it read: 0 at the end
    // of the file. A failure is a PlatformError naming the file and the reason.
    virtual qsizetype read(char* buffer, qsizetype size) = 0;
};

// Opens files for reading. Only regular files are opened: a folder, a named pipe, a
// socket or a device is a PlatformError, so that a read never waits for a writer
// that does not come or goes on for ever.
class FileReader {
public:
    virtual ~FileReader() = default;
    virtual std::unique_ptr<ReadableFile> open(const QString& path) = 0;
};

}  // namespace lexiquill::platform
