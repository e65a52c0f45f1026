#include "generation/acrostic_cues.h"

#include <QHash>
#include <algorithm>

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
    QList<qsizetype> cut;
    for (qsizetype i = 0; i < cues.size() && i < words.size(); ++i) {
        const QString& cue = cues[i];
        if (cue.size() < 2) continue;
        const auto taken = [&](const QString& word) {
            for (qsizetype j = 0; j < words.size(); ++j) {
                if (j != i && words[j].compare(word, Qt::CaseInsensitive) == 0) return true;
            }
            return false;
        };
        // Every other word that begins with the cue may come first in the answer.
        int skip = 0;
        for (qsizetype j = 0; j < words.size(); ++j) {
            if (j != i && words[j].startsWith(cue, Qt::CaseInsensitive)) ++skip;
        }
        bool fitted = false;
        for (const QString& word : cueWords(i, cue, std::min(skip + 1, kMostWords))) {
            if (word.startsWith(cue, Qt::CaseInsensitive) && !taken(word)) {
                words[i] = word;
                fitted = true;
                break;
            }
        }
        if (!fitted) {
            cues[i].truncate(1);
            cut.append(i);
        }
    }
    return cut;
}

}  // namespace lexiquill::generation
