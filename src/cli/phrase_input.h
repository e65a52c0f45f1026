#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace lexiquill::cli {

// The phrases of the named files in turn, or of standard input for "-" (and for no
// name at all), cut into lines as Load Word(s) From File cuts them and decoded as it
// decodes them. Any kind of file is read, a pipe or a terminal too: on the command
// line the user chose it and is there to end it.
class PhraseInput {
public:
    // The longest phrase taken: far past any real one, and an endless line (a device
    // without line ends, a file of one binary blob) cannot take the machine's memory.
    static constexpr qsizetype kLongestPhrase = qsizetype(64) << 20;

    explicit PhraseInput(QStringList files);

    // Hands every phrase to take, in order, and calls blockDone after the phrases of
    // each block read, before the next read may wait for more. A file that cannot be
    // opened or read is reported on standard error ("lexiquill: FILE: reason") and the
    // next one is read; a line longer than kLongestPhrase is reported with its number
    // and left out. Returns false when either happened.
    bool forEach(const std::function<void(const QString&)>& take,
                 const std::function<void()>& blockDone);

    // The bytes of the input behind the phrases handed on so far, line ends and lines
    // left out included.
    qint64 bytesTaken() const { return m_bytesTaken; }
    // The size of the whole input, when every input is a regular file; -1 otherwise.
    qint64 totalBytes() const;

private:
    QStringList m_files;
    qint64 m_bytesTaken = 0;
};

}  // namespace lexiquill::cli
