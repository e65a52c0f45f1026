#include "generation/mnemonic.h"

#include "platform/http_client.h"
#include "platform/service_host.h"

namespace lexiquill::generation {

QString mnemonicQueryUrl(const QString& baseUrl, const QString& phrase, std::optional<quint64> seed)
{
    QString value = phrase;
    value.replace(QLatin1Char(' '), QLatin1Char('+'));
    const QString seedPart =
        seed ? QStringLiteral("seed=") + QString::number(*seed) + QLatin1Char('&') : QString();
    return baseUrl + QStringLiteral("/mnemonics/?") + seedPart + QStringLiteral("w=") + value;
}

namespace {

QString askStartingTheService(platform::HttpClient& client, platform::ServiceHost& host,
                              const QString& baseUrl, const QString& address)
{
    try {
        return client.get(address);
    } catch (const platform::ConnectionRefused&) {
        if (!host.start(baseUrl)) throw;
    } catch (const platform::ConnectionLost&) {
        // Cut off in the middle of the page: the service there has gone, as when it is
        // stopped during a run.
        if (!host.start(baseUrl)) throw;
    }
    return client.get(address);
}

}  // namespace

QString askMnemonicService(platform::HttpClient& client, platform::ServiceHost& host,
                           const QString& baseUrl, const QString& address)
{
    try {
        return askStartingTheService(client, host, baseUrl, address);
    } catch (const platform::ServerReplied& reply) {
        if (reply.status() != 414) throw;
        throw platform::PlatformError(
            QStringLiteral("The phrase is too long for the mnemonic service: a phrase may have at "
                           "most %1 characters, fewer with letters outside A to Z")
                .arg(host.longestPhrase()));
    }
}

QString fetchMnemonicPage(platform::HttpClient& client, platform::ServiceHost& host,
                          const QString& baseUrl, const QString& phrase,
                          std::optional<quint64> seed)
{
    return askMnemonicService(client, host, baseUrl, mnemonicQueryUrl(baseUrl, phrase, seed));
}

namespace {

const QString kOpen = QStringLiteral("<big>");
const QString kClose = QStringLiteral("</big>");
const QString kTerminator = QStringLiteral("<br>");

}  // namespace

QStringList extractMnemonicWords(const QString& phrase, const QString& page)
{
    QStringList words;
    for (const MnemonicWord& word : findMnemonicWords(phrase, page)) words.append(word.text);
    return words;
}

QList<MnemonicWord> findMnemonicWords(const QString& phrase, const QString& page)
{
    const qsizetype markerLength = kOpen.size() + 1 + kClose.size();

    QList<MnemonicWord> words;
    qsizetype position = 0;  // where the next marker search starts
    // The terminator found last time. Searches only ever start at or after the
    // previous start, so it stays valid while it lies at or after the new start, and
    // once none was found none will be: long pages cost one pass, not one per letter.
    qsizetype terminatorAt = 0;
    qsizetype terminatorFrom = -1;
    for (qsizetype at = 0; at < phrase.size(); ++at) {
        const QChar letter = phrase[at].toUpper();
        if (letter == QLatin1Char(' ')) continue;
        if (position < 0) break;

        QString marker;
        marker.reserve(markerLength);
        marker += kOpen;
        marker += letter;
        marker += kClose;
        position = page.indexOf(marker, position);
        if (position < 0) continue;

        const qsizetype wordStart = position + markerLength;
        if (terminatorFrom < 0 || (terminatorAt >= 0 && terminatorAt < wordStart)) {
            terminatorAt = page.indexOf(kTerminator, wordStart);
            terminatorFrom = wordStart;
        }
        if (terminatorAt < 0) continue;
        QString word;
        word.reserve(1 + terminatorAt - wordStart);
        word += letter;
        word += QStringView(page).mid(wordStart, terminatorAt - wordStart);
        words.append({word, at});
    }
    return words;
}

QStringList servedMnemonicWords(const QString& page)
{
    QStringList words;
    const QStringView text(page);
    for (qsizetype at = text.indexOf(kOpen); at >= 0; at = text.indexOf(kOpen, at)) {
        const qsizetype letter = at + kOpen.size();
        at = letter;
        if (!text.mid(letter + 1).startsWith(kClose)) continue;
        const qsizetype wordStart = letter + 1 + kClose.size();
        const qsizetype end = text.indexOf(kTerminator, wordStart);
        if (end < 0) break;
        QString word = text.mid(letter, 1).toString();
        word += text.mid(wordStart, end - wordStart);
        words.append(word);
        at = end + kTerminator.size();
    }
    return words;
}

}  // namespace lexiquill::generation
