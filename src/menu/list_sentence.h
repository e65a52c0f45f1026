#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace lexiquill::command {
class CommandContext;
}
namespace lexiquill::output {
struct StudyList;
}

namespace lexiquill::menu {

// The dialog's name in the error report ("frmSentence.cmdDrawAgain_Click 100").
inline const QString kSentenceModule = QStringLiteral("frmSentence");

// The word list's sentence as its dialog shows it: one word for each item of the list
// that has a letter A to Z, in the list's order. The items are read once, when the
// dialog opens: nothing here ever writes to the window's lists.
struct ListSentence {
    // In the order of the sentence: the list's, or with Any order one that spells.
    QStringList items;
    // Where each item stands in the word list, from 0.
    QList<qsizetype> positions;
    // What each item's word begins with, as the key shows it: the item's initial, or
    // its cue where items share an initial ("Ol", "Op").
    QStringList starts;
    QStringList words;
    // The sentence with the plan's punctuation; its words are those above.
    QString sentence;
    // The words of the items themselves, which the sentence must not use.
    QStringList avoid;
    // With Any order, the key the initials spell ("HOMES"); empty in the list's order.
    QString spelled;
};

// "Sentence for the List…" can be chosen: the word list has an item and no run is going.
bool canPlanListSentence(command::CommandContext& context);

// Reads the word list and asks the mnemonic service for its sentence. A failure is
// reported once, and then there is none.
std::optional<ListSentence> planListSentence(command::CommandContext& context);

// The key: the spelled one with Any order, else the starts run together ("MVEMJSUN"),
// or apart where one is a cue of two or three letters ("Ol Op Oc T T Fa").
QString keyOf(const ListSentence& sentence);

// Up to eight other words the service offers for the word at index (from 0), none
// that the sentence or the items already use. A failure is reported once, and then
// there are none.
std::optional<QStringList> otherWordsFor(command::CommandContext& context,
                                         const ListSentence& sentence, int index);

// Makes word the word at index, in the sentence too.
void chooseWord(ListSentence& sentence, int index, const QString& word);

// Asks for a new sentence in which the words kept (kept[i] for the word at i) stay where
// they are. Either every other word is drawn again or, when the service fails (reported
// once), none is; true when they were.
bool drawAgain(command::CommandContext& context, ListSentence& sentence, const QList<bool>& kept);

// Puts the sentence on the clipboard as one line without a line end.
void copyListSentence(command::CommandContext& context, const ListSentence& sentence);

// Any order: puts the items in the order whose initials spell a word, or back in the
// list's order, and asks for the sentence of that order. The words kept (kept[i] for
// the item at i) go with their items and stay kept. On a failure (reported once)
// nothing changes; true when the order changed.
bool setAnyOrder(command::CommandContext& context, ListSentence& sentence, QList<bool>& kept,
                 bool anyOrder);

// The list with its sentence as the cards and the study sheet show it.
output::StudyList studyListOf(const ListSentence& sentence);

// Save as Flashcards…: asks for a path with the save dialog of the results' exports and
// writes there the list's card (see output::FlashcardWriter::writeList) into the deck
// "Lexiquill". Failures are reported once; a file that was there stays as it was
// unless the new one is complete.
void saveListFlashcards(command::CommandContext& context, const ListSentence& sentence);

// Save Study Sheet…: asks for a path for a PDF file and writes there what pdf makes of
// the list (the study sheet, which needs what the commands do without). Failures are
// reported as Save as Flashcards… reports them.
void saveStudySheet(command::CommandContext& context, const ListSentence& sentence,
                    const std::function<QByteArray(const output::StudyList&)>& pdf);

}  // namespace lexiquill::menu
