#pragma once

#include <QByteArrayView>
#include <QString>
#include <memory>

namespace lexiquill::platform {

// A text file being written line by line. Nothing of it replaces the file of that
// name until close() has succeeded: a stream destroyed without it, or one whose
// writing failed, leaves whatever file was there untouched.
class TextStream {
public:
    virtual ~TextStream() = default;

    // Writes the line in UTF-8 followed by CR LF.
    virtual void writeLine(const QString& line) = 0;
    // Writes bytes as they are: a file that is not text (a PDF) goes through the same
    // safe replacement.
    virtual void writeBytes(QByteArrayView bytes) = 0;
    // Puts the written file in place of any file of that name.
    virtual void close() = 0;
};

// Creates text files. Every operation may fail with a PlatformError that says why.
class TextFileWriter {
public:
    virtual ~TextFileWriter() = default;

    // A new, empty file at path, which is used unchanged; an existing file of that
    // name is replaced when the stream is closed.
    virtual std::unique_ptr<TextStream> createTextFile(const QString& path) = 0;
};

}  // namespace lexiquill::platform
