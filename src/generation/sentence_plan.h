#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace lexiquill::platform {
class HttpClient;
class ServiceHost;
}  // namespace lexiquill::platform

namespace lexiquill::generation {

struct PlannedWord {
    QString word;
    QString part;   // "noun", "verb", "determiner", ...
    QString start;  // the letters the word begins with, as the service planned it
};

// The sentence the service planned: its words in order, and the text with its punctuation.
struct SentencePlan {
    QList<PlannedWord> words;
    QString sentence;
};

struct SentenceRequest {
    QString phrase;      // used when starts is empty
    QStringList starts;  // cues/initials
    QStringList keep;    // aligned with the positions; empty string = free
    QStringList avoid;
    std::optional<quint64> seed;
};

// The address of GET /mnemonics/sentence for the request at the service at baseUrl.
QString sentencePlanUrl(const QString& baseUrl, const SentenceRequest& request);

// The plan of the service's answer; a PlatformError when the answer is not a plan.
SentencePlan sentencePlanOfAnswer(const QString& answer);

// One GET through the HTTP client (starting the service as fetchMnemonicPage does);
// PlatformError on failure or on an answer that is not a plan.
SentencePlan fetchSentencePlan(platform::HttpClient& client, platform::ServiceHost& host,
                               const QString& baseUrl, const SentenceRequest& request);

}  // namespace lexiquill::generation
