#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

namespace lexiquill::test {

// A cards file as the flashcard program's text import reads it (Anki manual, "Text
// Files"): "#key:value" header lines at the top; then one note a record, fields split
// at the separator the header names; a field that begins with a quote runs to the
// closing quote, a doubled quote inside standing for one, and may hold separators and
// line breaks; a record ends at LF or CR LF; later lines beginning with "#" are
// comments. ok is false, with why in error, for a file the importer cannot read.
struct FlashcardFile {
    QMap<QString, QString> headers;
    QList<QStringList> notes;
    bool ok = false;
    QString error;
};

FlashcardFile readFlashcards(const QByteArray& bytes);

}  // namespace lexiquill::test
