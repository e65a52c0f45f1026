#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace lexiquill::generation {

// How the key of an order reads, best first.
enum class KeySpelling {
    Word,     // one familiar English word: "HOMES"
    Words,    // familiar words of two to four letters each: "CAT OWL"
    Letters,  // no words: the most pronounceable string of the letters
};

// An order of the items of a set whose order does not matter.
struct SpellingOrder {
    // Indexes into the starts given, in the key's order; each index exactly once.
    QList<qsizetype> order;
    // The initials in that order, upper case; with Words a blank between the words.
    QString key;
    KeySpelling spelling = KeySpelling::Letters;
};

// Up to this many items every order is weighed; beyond it a search gives its best.
constexpr qsizetype kExhaustiveItems = 12;

// The order of the items whose initials spell a familiar English word, or failing
// that familiar words of two to four letters each, or failing that the string of them
// that reads most like a word. starts holds each item's start: its initial or its cue
// ("Ol", "Op"); the key is spelt by the first letter of each. A cue stays the item's
// own and the sentence's word for it still begins with it, so a key of initials reads
// as the letters the learner recites, one per item, whereas cues run together
// ("OlOpOc") would almost never make a word. Starts without a letter A to Z add
// nothing to the key and come last. Items with equal initials keep their order. The
// answer comes within a second for any number of items.
SpellingOrder orderThatSpells(const QStringList& starts);

}  // namespace lexiquill::generation
