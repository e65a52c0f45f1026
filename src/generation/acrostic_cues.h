#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

namespace lexiquill::generation {

// The first count letters an acrostic takes from a phrase: its characters a to z and
// A to Z, upper-cased, in order; every other character (digits, blanks, accented
// letters) is skipped. Fewer when the phrase has fewer.
QString acrosticLetters(QStringView phrase, qsizetype count);

// What the cues need of a phrase: its start from its first letter A to Z, as far as
// items of one list share leading words and a cue's letters then reach. Empty when the
// phrase has no such letter. A list item is far shorter; a longer line is cut, so that a
// list of huge lines is not held whole.
QString cueItem(QStringView phrase);

// Where each item of an acrostic is known from: the item (as cueItem keeps it), or
// where it shares leading words with another item ("Catherine of Aragon", "Catherine
// Howard"), its rest from the first word where they differ that is not a small word such
// as "of" and "the" and has a letter A to Z ("Aragon", "Howard").
QStringList ownStarts(const QStringList& items);

// The cue of each item of an acrostic, so that items sharing an initial can be told
// apart, made from its own start: where two or more items begin with the same letter,
// each gets the shortest start of two or three of its letters that no other item begins
// with ("Ol", "Op", "Oc" for Olfactory, Optic, Oculomotor). An item whose initial no
// other shares, or that has no such start of its own (two "Adams", or "Ol" beside
// "Olfactory"), keeps its one letter. Cues are written as words begin: a capital, then
// lower case. An item without a letter gets an empty cue.
QStringList acrosticCues(const QStringList& items);

// Up to count words for the cue of the word at index (from 0) of a sentence, familiar
// words first.
using CueWords = std::function<QStringList(qsizetype index, const QString& cue, int count)>;

// Fits the words of an acrostic sentence to their cues: each word whose cue has two or
// three letters is replaced by the first of cueWords that begins with the cue and is
// no other word of the sentence, asking for enough words to pass over those. Where
// there is none, the word stays and its cue is cut to its one letter. Returns the
// indexes of the cues cut so.
QList<qsizetype> fitToCues(QStringList& words, QStringList& cues, const CueWords& cueWords);

}  // namespace lexiquill::generation
