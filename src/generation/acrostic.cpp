#include "generation/acrostic.h"

#include "generation/acrostic_cues.h"
#include "generation/mnemonic.h"
#include "generation/other_words.h"
#include "generation/sentence.h"
#include "platform/service_host.h"

namespace lexiquill::generation {

namespace {

Acrostic askForAcrostic(platform::HttpClient& client, platform::ServiceHost& host,
                        const QString& baseUrl, const AcrosticRequest& request)
{
    QStringList cues;
    QString letters;
    if (request.cues) {
        cues = acrosticCues(request.items);
        for (const QString& cue : std::as_const(cues)) letters += cue.left(1);
    } else {
        for (const QString& item : request.items) letters += acrosticLetters(item, 1);
    }
    QStringList words = fetchServedWords(client, host, baseUrl, letters, request.seed);
    if (!request.cues) return {letters, sentenceOf(words), {}};

    const QStringList wanted = cues;
    Acrostic acrostic;
    const auto cueWords = [&](qsizetype at, const QString& cue, int count) {
        return fetchOtherWords(client, host, baseUrl, letters, at, count, std::nullopt, cue);
    };
    for (const qsizetype i : fitToCues(words, cues, cueWords)) acrostic.cut.append({i, wanted[i]});
    acrostic.key = cues.join(u' ');
    acrostic.sentence = sentenceOf(words);
    return acrostic;
}

}  // namespace

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
