#include "generation/other_words.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include "generation/mnemonic.h"
#include "platform/platform_error.h"

namespace lexiquill::generation {

QString otherWordsUrl(const QString& baseUrl, const QString& phrase, qsizetype at, int count,
                      std::optional<quint64> seed, const QString& start)
{
    QString value = QString::fromLatin1(QUrl::toPercentEncoding(phrase, " "));
    value.replace(QLatin1Char(' '), QLatin1Char('+'));
    const qsizetype position = QStringView(phrase).first(at).toUcs4().size() + 1;
    QString address = baseUrl + QStringLiteral("/mnemonics/words?w=") + value +
                      QStringLiteral("&at=") + QString::number(position) + QStringLiteral("&n=") +
                      QString::number(count);
    if (seed) address += QStringLiteral("&seed=") + QString::number(*seed);
    if (!start.isEmpty()) address += QStringLiteral("&start=") + start;
    return address;
}

QStringList wordsOfAnswer(const QString& answer)
{
    const QJsonValue words = QJsonDocument::fromJson(answer.toUtf8()).object().value("words");
    QStringList out;
    for (const QJsonValue& word : words.toArray()) {
        if (!word.isString()) break;
        out.append(word.toString());
    }
    if (!words.isArray() || out.size() != words.toArray().size()) {
        throw platform::PlatformError(
            QStringLiteral("The mnemonic service gave an answer that is not a list of words"));
    }
    return out;
}

QStringList fetchOtherWords(platform::HttpClient& client, platform::ServiceHost& host,
                            const QString& baseUrl, const QString& phrase, qsizetype at, int count,
                            std::optional<quint64> seed, const QString& start)
{
    return wordsOfAnswer(askMnemonicService(
        client, host, baseUrl, otherWordsUrl(baseUrl, phrase, at, count, seed, start)));
}

QString freshWord(const QStringList& candidates, const QStringList& used, const QString& current)
{
    for (const QString& word : candidates) {
        if (!used.contains(word, Qt::CaseInsensitive) &&
            word.compare(current, Qt::CaseInsensitive) != 0) {
            return word;
        }
    }
    return current;
}

}  // namespace lexiquill::generation
