#include "generation/acrostic_cues.h"

#include <QHash>
#include <algorithm>

#include "generation/other_words.h"

namespace lexiquill::generation {

namespace {

// The longest cue: more letters make a word hard to find and the key hard to read.
constexpr qsizetype kLongestCue = 3;
// The most words the service gives for one request.
constexpr int kMostWords = 50;

}  // namespace

QString acrosticLetters(QStringView phrase, qsizetype count)
{
    QString letters;
    for (const QChar c : phrase) {
        if (letters.size() == count) break;
        if (c >= u'A' && c <= u'Z') {
            letters += c;
        } else if (c >= u'a' && c <= u'z') {
            letters += QChar(c.unicode() - u'a' + u'A');
        }
    }
    return letters;
}

QStringList acrosticCues(const QStringList& phrases)
{
    QStringList starts;
    starts.reserve(phrases.size());
    // How many phrases begin with each start of one to three letters: a start is a
    // phrase's own when it alone begins with it. Counting keeps long lists linear.
    QHash<QString, int> begins;
    for (const QString& phrase : phrases) {
        starts.append(acrosticLetters(phrase, kLongestCue));
        for (qsizetype k = 1; k <= starts.last().size(); ++k) ++begins[starts.last().left(k)];
    }
    QStringList cues;
    cues.reserve(phrases.size());
    for (const QString& start : starts) {
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
    // The first word served for cue that begins with it and is no word of the sentence;
    // empty when there is none. The words that begin with the cue may come first in
    // the answer: ask for enough to pass over them.
    const auto wordFor = [&](qsizetype at, const QString& cue) {
        const auto beginsWithCue = [&](const QString& word) {
            return word.startsWith(cue, Qt::CaseInsensitive);
        };
        const auto skip = std::count_if(words.cbegin(), words.cend(), beginsWithCue);
        QStringList offered =
            cueWords(at, cue, static_cast<int>(std::min<qsizetype>(skip + 1, kMostWords)));
        offered.removeIf([&](const QString& word) { return !beginsWithCue(word); });
        return freshWord(offered, words, QString());
    };
    // The words of the longer cues are all to be replaced: none of them holds back the
    // word another cue is served.
    const QStringList served = words;
    QList<qsizetype> longer;
    for (qsizetype i = 0; i < cues.size() && i < words.size(); ++i) {
        if (cues[i].size() < 2) continue;
        longer.append(i);
        words[i].clear();
    }
    QList<qsizetype> cut;
    for (const qsizetype i : longer) {
        words[i] = wordFor(i, cues[i]);
        if (!words[i].isEmpty()) continue;
        cues[i].truncate(1);
        cut.append(i);
        // The word first served, unless a cue took it meanwhile.
        words[i] = words.contains(served[i], Qt::CaseInsensitive) ? wordFor(i, cues[i]) : served[i];
        if (words[i].isEmpty()) words[i] = served[i];
    }
    return cut;
}

}  // namespace lexiquill::generation
