#include "generation/acrostic_cues.h"

#include <QHash>
#include <algorithm>
#include <iterator>

#include "generation/other_words.h"

namespace lexiquill::generation {

namespace {

// The longest cue: more letters make a word hard to find and the key hard to read.
constexpr qsizetype kLongestCue = 3;
// How much of an item the cues look at: the items of a study list share a few leading
// words at most.
constexpr qsizetype kItemLength = 256;

bool isLetterAToZ(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// Words that items sharing leading words pass over to find one of their own.
bool isSmallWord(QStringView folded)
{
    static constexpr QStringView kSmallWords[] = {u"a",  u"an", u"and", u"at", u"by",  u"for",
                                                  u"in", u"of", u"on",  u"or", u"the", u"to"};
    return std::find(std::begin(kSmallWords), std::end(kSmallWords), folded) !=
           std::end(kSmallWords);
}

// A word of an item: where it begins, and its text case folded.
struct Word {
    qsizetype at;
    QString folded;
};

QList<Word> wordsOf(QStringView item)
{
    QList<Word> words;
    for (qsizetype at = 0; at < item.size();) {
        if (item[at].isSpace()) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < item.size() && !item[end].isSpace()) ++end;
        words.append({at, item.sliced(at, end - at).toString().toCaseFolded()});
        at = end;
    }
    return words;
}

// Counts the words of a sentence, case folded, and how many begin with each start of
// one to three letters, so that fitting a long sentence stays linear.
class SentenceWords {
public:
    explicit SentenceWords(const QStringList& words)
    {
        for (const QString& word : words) add(word);
    }
    void add(const QString& word) { change(word, 1); }
    void remove(const QString& word) { change(word, -1); }
    bool contains(const QString& word) const { return m_words.value(word.toCaseFolded()) > 0; }
    int beginningWith(const QString& cue) const { return m_starts.value(cue.toCaseFolded()); }

private:
    void change(const QString& word, int by)
    {
        const QString folded = word.toCaseFolded();
        m_words[folded] += by;
        for (qsizetype k = 1; k <= std::min(kLongestCue, folded.size()); ++k) {
            m_starts[folded.left(k)] += by;
        }
    }

    QHash<QString, int> m_words;
    QHash<QString, int> m_starts;
};

}  // namespace

QString acrosticLetters(QStringView phrase, qsizetype count)
{
    QString letters;
    for (const QChar c : phrase) {
        if (letters.size() == count) break;
        if (isLetterAToZ(c)) letters += c.toUpper();
    }
    return letters;
}

QString cueItem(QStringView phrase)
{
    const auto first = std::find_if(phrase.cbegin(), phrase.cend(), isLetterAToZ);
    return phrase.sliced(first - phrase.cbegin()).left(kItemLength).toString();
}

QStringList ownStarts(const QStringList& items)
{
    QStringList kept;
    kept.reserve(items.size());
    for (const QString& item : items) kept.append(cueItem(item));
    // Counting how many items begin with each run of words keeps long lists linear.
    QList<QList<Word>> words;
    words.reserve(items.size());
    QHash<QString, int> beginning;
    for (const QString& item : std::as_const(kept)) {
        words.append(wordsOf(item));
        QString run;
        for (const Word& word : std::as_const(words.last())) {
            run += u' ' + word.folded;
            ++beginning[run];
        }
    }
    QStringList starts;
    starts.reserve(items.size());
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const QList<Word>& own = words[i];
        qsizetype shared = 0;
        for (QString run; shared < own.size(); ++shared) {
            run += u' ' + own[shared].folded;
            if (beginning.value(run) < 2) break;
        }
        const auto first = std::find_if(own.cbegin() + shared, own.cend(), [](const Word& w) {
            return !isSmallWord(w.folded) && !acrosticLetters(w.folded, 1).isEmpty();
        });
        starts.append(shared > 0 && first != own.cend() ? kept[i].sliced(first->at) : kept[i]);
    }
    return starts;
}

QStringList acrosticCues(const QStringList& items)
{
    QStringList starts;
    starts.reserve(items.size());
    // How many items begin with each start of one to three letters: a start is an item's
    // own when it alone begins with it.
    QHash<QString, int> begins;
    for (const QString& start : ownStarts(items)) {
        starts.append(acrosticLetters(start, kLongestCue));
        for (qsizetype k = 1; k <= starts.last().size(); ++k) ++begins[starts.last().left(k)];
    }
    QStringList cues;
    cues.reserve(items.size());
    for (const QString& start : std::as_const(starts)) {
        qsizetype length = start.isEmpty() ? 0 : 1;
        if (length == 1 && begins.value(start.left(1)) > 1) {
            for (qsizetype k = 2; k <= start.size(); ++k) {
                if (begins.value(start.left(k)) == 1) {
                    length = k;
                    break;
                }
            }
        }
        cues.append(start.left(1) + start.mid(1, length - 1).toLower());
    }
    return cues;
}

QList<qsizetype> fitToCues(QStringList& words, QStringList& cues, const CueWords& cueWords)
{
    SentenceWords sentence(words);
    // The first word served for cue that begins with it and is no word of the sentence;
    // empty when there is none. The words that begin with the cue may come first in
    // the answer: ask for enough to pass over them.
    const auto wordFor = [&](qsizetype at, const QString& cue) {
        const int count = std::min(sentence.beginningWith(cue) + 1, kMostOtherWords);
        for (const QString& word : cueWords(at, cue, count)) {
            if (word.startsWith(cue, Qt::CaseInsensitive) && !sentence.contains(word)) return word;
        }
        return QString();
    };
    // The words of the longer cues are all to be replaced: none of them holds back the
    // word another cue is served.
    const QStringList served = words;
    QList<qsizetype> longer;
    for (qsizetype i = 0; i < cues.size() && i < words.size(); ++i) {
        if (cues[i].size() < 2) continue;
        longer.append(i);
        sentence.remove(words[i]);
        words[i].clear();
    }
    QList<qsizetype> cut;
    for (const qsizetype i : longer) {
        words[i] = wordFor(i, cues[i]);
        if (words[i].isEmpty()) {
            cues[i].truncate(1);
            cut.append(i);
            // The word first served, unless a cue took it meanwhile.
            words[i] = sentence.contains(served[i]) ? wordFor(i, cues[i]) : served[i];
            if (words[i].isEmpty()) words[i] = served[i];
        }
        sentence.add(words[i]);
    }
    return cut;
}

}  // namespace lexiquill::generation
