#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace lexiquill::output {

// One item of a list learnt by a sentence: the item, its start (the initial or cue it
// is recalled by: "H", "Ol") and the word of the sentence that stands for it.
struct StudyItem {
    QString item;
    QString start;
    QString word;
};

// A list with its memory aid, as the list card and the study sheet show it: the items
// in the order learnt, each beside its word; the key ("HOMES", or the cues
// "Ol Op Oc T"); and the sentence.
struct StudyList {
    QString title;  // see listTitle()
    QString key;
    QString sentence;
    QList<StudyItem> items;
};

// The title of a list: the name of the file it came from without its extension, or
// when it came from no file (filePath empty), its first item.
QString listTitle(const QString& filePath, const QStringList& items);

// How many characters at the beginning of text are its start, to be shown in bold:
// those that match start, in any case ("Olfactory" and "Ol" give 2).
qsizetype startLength(QStringView text, QStringView start);

}  // namespace lexiquill::output
