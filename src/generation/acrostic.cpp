#include "generation/acrostic.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>

#include "generation/acrostic_cues.h"
#include "generation/mnemonic.h"
#include "generation/sentence_plan.h"
#include "platform/service_host.h"

namespace lexiquill::generation {

namespace {

// Room the avoided words may take in a request line, well within the service's limit.
constexpr qsizetype kAvoidBudget = 2000;
constexpr qsizetype kLongestServiceWord = 12;
const QRegularExpression kNotAToZ(QStringLiteral("[^A-Za-z]+"));

Acrostic askForAcrostic(platform::HttpClient& client, platform::ServiceHost& host,
                        const QString& baseUrl, const AcrosticRequest& request)
{
    QStringList starts;
    if (request.cues) {
        starts = acrosticCues(request.items);
    } else {
        for (const QString& item : request.items) starts.append(acrosticLetters(item, 1));
    }
    const SentencePlan plan =
        fetchSentencePlan(client, host, baseUrl, {{}, starts, {}, request.avoid, request.seed});
    if (plan.words.size() != starts.size()) {
        throw platform::PlatformError(QStringLiteral(
            "the service gave a sentence with another number of words than the list has items"));
    }
    Acrostic acrostic;
    acrostic.sentence = plan.sentence;
    // The service takes a start's initial where no word begins with the whole start.
    QStringList used;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const qsizetype length =
            std::clamp<qsizetype>(plan.words[i].start.size(), 1, starts[i].size());
        used.append(starts[i].left(length));
        if (length < starts[i].size()) acrostic.cut.append({i, starts[i]});
    }
    acrostic.key = used.join(request.cues ? QStringLiteral(" ") : QString());
    return acrostic;
}

}  // namespace

QStringList itemWords(const QStringList& items)
{
    QStringList words;
    QSet<QString> seen;
    qsizetype room = kAvoidBudget;
    for (const QString& item : items) {
        for (const QString& word : item.split(kNotAToZ, Qt::SkipEmptyParts)) {
            if (word.size() < 2 || word.size() > kLongestServiceWord) continue;
            const QString lower = word.toLower();
            if (seen.contains(lower)) continue;
            room -= lower.size() + 1;
            if (room < 0) return words;
            seen.insert(lower);
            words.append(word);
        }
    }
    return words;
}

Acrostic fetchAcrostic(platform::HttpClient& client, platform::ServiceHost& host,
                       const QString& baseUrl, const AcrosticRequest& request)
{
    try {
        return askForAcrostic(client, host, baseUrl, request);
    } catch (const PhraseTooLong&) {
        // The service was asked for the initials, one letter an item.
        throw PhraseRefused(
            QStringLiteral("The list has %1 items, too many for one sentence: it takes at most %2")
                .arg(request.items.size())
                .arg(host.longestPhrase()));
    }
}

}  // namespace lexiquill::generation
