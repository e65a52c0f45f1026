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
    explicit PhraseInput(QStringList files);

    // Hands every phrase to take, in order, and calls blockDone after the phrases of
    // each block read, before the next read may wait for more. A file that cannot be
    // opened or read is reported on standard error ("lexiquill: FILE: reason") and the
    // next one is read; returns false when that happened.
    bool forEach(const std::function<void(const QString&)>& take,
                 const std::function<void()>& blockDone);

    // How many phrases there are, when every input is a regular file; -1 otherwise.
    // Reads the files once more for it.
    qint64 countPhrases() const;

private:
    QStringList m_files;
};

}  // namespace lexiquill::cli
