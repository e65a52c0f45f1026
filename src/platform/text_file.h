#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace lexiquill::platform {

// A file being written line by line, or in pieces of bytes. Nothing of it replaces
// the file of that name until close() has succeeded: a stream destroyed without it,
// or one whose writing failed, leaves whatever file was there untouched.
class TextStream {
public:
    virtual ~TextStream() = default;

    // Writes the line in UTF-8 followed by CR LF.
    void writeLine(const QString& line) { write(line.toUtf8() + "\r\n"); }
    // Writes the bytes as they are: a file that is no text, such as a PDF.
    virtual void write(const QByteArray& bytes) = 0;
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
