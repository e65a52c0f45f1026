#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "platform/platform_error.h"

namespace lexiquill::platform {
class HttpClient;
class ServiceHost;
}  // namespace lexiquill::platform

namespace lexiquill::generation {

// How a request asks for the words of a phrase, beside the phrase itself.
struct MnemonicQuery {
    // The phrase percent-encoded (every byte of its UTF-8 but letters, digits and
    // "-._~"), so that the service sees exactly the phrase, whatever it holds. Otherwise
    // every blank becomes "+" and nothing else is changed, as the window sends it; the
    // HTTP client encodes what must be encoded.
    bool exactPhrase = false;
    // The service's reproducible draw. It goes before the phrase, so that nothing in a
    // phrase sent as it is (a "#", another "seed=") can take its place.
    std::optional<quint64> seed;
};

// The address that asks the mnemonic service at baseUrl for the words of a phrase:
// baseUrl, "/mnemonics/?", the seed if any, then "w=" and the phrase.
QString mnemonicQueryUrl(const QString& baseUrl, const QString& phrase,
                         const MnemonicQuery& query = {});

// The service gave nothing for the phrase itself (it refused it, or answered a page
// without words): another phrase may still be answered.
class PhraseRefused : public platform::PlatformError {
public:
    using platform::PlatformError::PlatformError;
};

// A phrase longer than the service takes, said in words with its limit.
class PhraseTooLong : public PhraseRefused {
public:
    using PhraseRefused::PhraseRefused;
};

// One GET of the phrase's address; the page text, or a PlatformError carrying the
// client's description. When nothing listens at the service address (none was started
// yet, or the one on this machine stopped), or the answer breaks off because the
// service there went away, the program starts the service itself through host and
// asks again. A phrase the service refuses is a PhraseRefused; one too long for it is
// a PhraseTooLong.
QString fetchMnemonicPage(platform::HttpClient& client, platform::ServiceHost& host,
                          const QString& baseUrl, const QString& phrase,
                          const MnemonicQuery& query = {});

// One GET of an address of the mnemonic service at baseUrl, starting the service as
// fetchMnemonicPage does, and saying so in words when the phrase was too long.
QString askMnemonicService(platform::HttpClient& client, platform::ServiceHost& host,
                           const QString& baseUrl, const QString& address);

// A page holds its words as "<big>X</big>rest<br>": the word is the letter X followed by
// the page text up to the next "<br>". The page is read in one of two ways.

// The window's way: one word per character of the phrase, in the order of the phrase.
// The marker "<big>X</big>" of the upper-cased character is searched from where the
// previous marker was found, so a repeated letter finds the same word again; a letter
// without a marker ends the phrase, and a marker with no "<br>" after it takes no word.
// Only the blank is skipped. Each word comes with the index (from 0) of the phrase's
// character it was found for. Never fails: any page gives a (possibly empty) list.
struct MnemonicWord {
    QString text;
    qsizetype at;
};
QList<MnemonicWord> findMnemonicWords(const QString& phrase, const QString& page);

// The served way: every marker in the page's order, each keeping the word the service drew
// for it (the service draws no word twice), so "book" gives four words, not the first O word
// twice. A marker without a "<br>" after it ends the list. Never fails.
QStringList servedMnemonicWords(const QString& page);

// The words the service at baseUrl serves for the phrase, sent exactly as it is: one per
// letter A to Z. A page without any word for a phrase that has such a letter (a wrong
// server, a login page of the network) is a PhraseRefused, as a refusal is.
QStringList fetchServedWords(platform::HttpClient& client, platform::ServiceHost& host,
                             const QString& baseUrl, const QString& phrase,
                             std::optional<quint64> seed);

}  // namespace lexiquill::generation
