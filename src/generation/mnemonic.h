#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace lexiquill::platform {
class HttpClient;
class ServiceHost;
}  // namespace lexiquill::platform

namespace lexiquill::generation {

// The address that asks the mnemonic service at baseUrl for the words of a phrase:
// baseUrl, "/mnemonics/?w=", then the phrase with every blank turned into "+". Nothing
// else is escaped or changed; the HTTP client encodes what must be encoded. A seed asks
// for the service's reproducible draw; it goes before the phrase, so that nothing in
// the phrase (a "#", another "seed=") can take its place.
QString mnemonicQueryUrl(const QString& baseUrl, const QString& phrase,
                         std::optional<quint64> seed = std::nullopt);

// One GET of the phrase's address; the page text, or a PlatformError carrying the
// client's description. When nothing listens at the service address (none was started
// yet, or the one on this machine stopped), or the answer breaks off because the
// service there went away, the program starts the service itself through host and
// asks again. A phrase too long for the service is reported in words, with its limit.
QString fetchMnemonicPage(platform::HttpClient& client, platform::ServiceHost& host,
                          const QString& baseUrl, const QString& phrase,
                          std::optional<quint64> seed = std::nullopt);

// One GET of an address of the mnemonic service at baseUrl, starting the service as
// fetchMnemonicPage does, and saying so in words when the phrase was too long.
QString askMnemonicService(platform::HttpClient& client, platform::ServiceHost& host,
                           const QString& baseUrl, const QString& address);

// The mnemonic words the page offers for the phrase, one per letter, in the order of
// the letters. A word is the upper-cased letter followed by the page text between the
// letter's marker "<big>X</big>" and the next "<br>". Each search starts where the
// previous marker was found, so a repeated letter finds the same word again; a letter
// without a marker ends the phrase, and a marker with no "<br>" after it takes no word.
// Only the blank is skipped. Never fails: any page gives a (possibly empty) list.
QStringList extractMnemonicWords(const QString& phrase, const QString& page);

// The same words, each with the index (from 0) of the phrase's character it was found
// for.
struct MnemonicWord {
    QString text;
    qsizetype at = 0;
};
QList<MnemonicWord> findMnemonicWords(const QString& phrase, const QString& page);

// The words the page serves, in its order: for each marker "<big>X</big>", X followed by the
// page text up to the next "<br>". A repeated letter keeps the word the service drew for it
// (the service draws no word twice), so "book" gives four words, not the first O word twice;
// the command line takes its words this way. A marker without a "<br>" after it ends the
// list. Never fails: any page gives a (possibly empty) list.
QStringList servedMnemonicWords(const QString& page);

}  // namespace lexiquill::generation
