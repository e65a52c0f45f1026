#include "generation/mnemonic.h"

#include <QUrl>

#include "generation/acrostic_cues.h"
#include "platform/http_client.h"
#include "platform/service_host.h"

namespace lexiquill::generation {

QString mnemonicQueryUrl(const QString& baseUrl, const QString& phrase, const MnemonicQuery& query)
{
    QString value;
    if (query.exactPhrase) {
        value = QString::fromLatin1(QUrl::toPercentEncoding(phrase));
    } else {
        value = phrase;
        value.replace(QLatin1Char(' '), QLatin1Char('+'));
    }
    const QString seedPart =
        query.seed ? QStringLiteral("seed=") + QString::number(*query.seed) + QLatin1Char('&')
                   : QString();
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
        if (reply.status() == 400) throw PhraseRefused(QString::fromUtf8(reply.what()));
        if (reply.status() != 414) throw;
        throw PhraseTooLong(
            QStringLiteral("The phrase is too long for the mnemonic service: a phrase may have at "
                           "most %1 characters, fewer with letters outside A to Z")
                .arg(host.longestPhrase()));
    }
}

QString fetchMnemonicPage(platform::HttpClient& client, platform::ServiceHost& host,
                          const QString& baseUrl, const QString& phrase, const MnemonicQuery& query)
{
    return askMnemonicService(client, host, baseUrl, mnemonicQueryUrl(baseUrl, phrase, query));
}

namespace {

const QString kOpen = QStringLiteral("<big>");
const QString kClose = QStringLiteral("</big>");
const QString kTerminator = QStringLiteral("<br>");
const qsizetype kMarkerLength = kOpen.size() + 1 + kClose.size();

// Reads the words of a page, its markers "<big>X</big>" and the "<br>" after each. Every
// search starts at or after the one before, as both ways of reading a page go forward.
class PageReader {
public:
    explicit PageReader(QStringView page) : m_page(page) {}

    // Where the first marker of letter at or after from begins; -1 when there is none.
    qsizetype findMarker(qsizetype from, QChar letter) const
    {
        QString marker;
        marker.reserve(kMarkerLength);
        marker += kOpen;
        marker += letter;
        marker += kClose;
        return m_page.indexOf(marker, from);
    }

    // The same for the marker of any one character.
    qsizetype findAnyMarker(qsizetype from) const
    {
        for (qsizetype at = m_page.indexOf(kOpen, from); at >= 0;
             at = m_page.indexOf(kOpen, at + kOpen.size())) {
            if (m_page.mid(at + kOpen.size() + 1).startsWith(kClose)) return at;
        }
        return -1;
    }

    // The word of the marker at marker; none when no "<br>" follows it.
    std::optional<QString> wordAt(qsizetype marker)
    {
        const qsizetype wordStart = marker + kMarkerLength;
        // The terminator found last time stays the one while it lies at or after the
        // word, and once none was found none will be: a long page costs one pass, not
        // one per letter.
        if (!m_searched || (m_terminatorAt >= 0 && m_terminatorAt < wordStart)) {
            m_terminatorAt = m_page.indexOf(kTerminator, wordStart);
            m_searched = true;
        }
        if (m_terminatorAt < 0) return std::nullopt;
        QString word;
        word.reserve(1 + m_terminatorAt - wordStart);
        word += m_page[marker + kOpen.size()];
        word += m_page.sliced(wordStart, m_terminatorAt - wordStart);
        return word;
    }

    // Where the page goes on after the word read last.
    qsizetype afterWord() const { return m_terminatorAt + kTerminator.size(); }

private:
    QStringView m_page;
    qsizetype m_terminatorAt = -1;
    bool m_searched = false;
};

}  // namespace

QList<MnemonicWord> findMnemonicWords(const QString& phrase, const QString& page)
{
    PageReader reader(page);
    QList<MnemonicWord> words;
    qsizetype position = 0;  // where the next marker search starts
    for (qsizetype at = 0; at < phrase.size(); ++at) {
        const QChar letter = phrase[at].toUpper();
        if (letter == QLatin1Char(' ')) continue;
        position = reader.findMarker(position, letter);
        if (position < 0) break;
        if (std::optional<QString> word = reader.wordAt(position)) {
            words.append({std::move(*word), at});
        }
    }
    return words;
}

QStringList servedMnemonicWords(const QString& page)
{
    PageReader reader(page);
    QStringList words;
    for (qsizetype at = reader.findAnyMarker(0); at >= 0;
         at = reader.findAnyMarker(reader.afterWord())) {
        std::optional<QString> word = reader.wordAt(at);
        if (!word) break;
        words.append(std::move(*word));
    }
    return words;
}

QStringList fetchServedWords(platform::HttpClient& client, platform::ServiceHost& host,
                             const QString& baseUrl, const QString& phrase,
                             std::optional<quint64> seed)
{
    const QStringList words = servedMnemonicWords(
        fetchMnemonicPage(client, host, baseUrl, phrase, {.exactPhrase = true, .seed = seed}));
    if (words.isEmpty() && !acrosticLetters(phrase, 1).isEmpty()) {
        throw PhraseRefused(baseUrl + QStringLiteral(" gave a page without words"));
    }
    return words;
}

}  // namespace lexiquill::generation
