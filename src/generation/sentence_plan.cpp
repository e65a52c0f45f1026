#include "generation/sentence_plan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include "generation/mnemonic.h"
#include "platform/platform_error.h"

namespace lexiquill::generation {

namespace {

// Each entry percent-encoded, so that a comma, "&" or "#" inside one stays its own.
QString encodedList(const QStringList& entries)
{
    QStringList encoded;
    for (const QString& entry : entries) {
        encoded.append(QString::fromLatin1(QUrl::toPercentEncoding(entry)));
    }
    return encoded.join(QLatin1Char(','));
}

}  // namespace

QString sentencePlanUrl(const QString& baseUrl, const SentenceRequest& request)
{
    QString address = baseUrl + QStringLiteral("/mnemonics/sentence?");
    if (request.seed) address += QStringLiteral("seed=") + QString::number(*request.seed) + '&';
    if (request.starts.isEmpty()) {
        address +=
            QStringLiteral("w=") + QString::fromLatin1(QUrl::toPercentEncoding(request.phrase));
    } else {
        address += QStringLiteral("starts=") + encodedList(request.starts);
    }
    if (!request.keep.isEmpty()) address += QStringLiteral("&keep=") + encodedList(request.keep);
    if (!request.avoid.isEmpty()) address += QStringLiteral("&avoid=") + encodedList(request.avoid);
    return address;
}

SentencePlan sentencePlanOfAnswer(const QString& answer)
{
    const QJsonObject object = QJsonDocument::fromJson(answer.toUtf8()).object();
    const QJsonValue sentence = object.value(QStringLiteral("sentence"));
    const QJsonValue words = object.value(QStringLiteral("words"));
    const auto notAPlan = [] {
        return platform::PlatformError(
            QStringLiteral("The mnemonic service gave an answer that is not a sentence plan"));
    };
    if (!sentence.isString() || !words.isArray()) throw notAPlan();
    SentencePlan plan;
    plan.sentence = sentence.toString();
    for (const QJsonValue& value : words.toArray()) {
        const QJsonObject word = value.toObject();
        PlannedWord planned{word.value(QStringLiteral("word")).toString(),
                            word.value(QStringLiteral("part")).toString(),
                            word.value(QStringLiteral("start")).toString()};
        if (planned.word.isEmpty() || planned.part.isEmpty() || planned.start.isEmpty()) {
            throw notAPlan();
        }
        plan.words.append(planned);
    }
    return plan;
}

SentencePlan fetchSentencePlan(platform::HttpClient& client, platform::ServiceHost& host,
                               const QString& baseUrl, const SentenceRequest& request)
{
    return sentencePlanOfAnswer(
        askMnemonicService(client, host, baseUrl, sentencePlanUrl(baseUrl, request)));
}

}  // namespace lexiquill::generation
