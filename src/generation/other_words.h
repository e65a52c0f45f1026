#pragma once

// The words are asked as the page is, and fail as it does.
#include "generation/mnemonic.h"

namespace lexiquill::generation {

// The most words the service gives for one request.
inline constexpr int kMostOtherWords = 50;

// The address that asks the mnemonic service at baseUrl for count words that could
// stand for the character at index at (from 0) of phrase, in that letter's place of
// the phrase's sentence: familiar words first, or a reproducible draw with a seed;
// only words that begin with start, when it is given (one to three letters, the
// first that character).
// The phrase is percent-encoded (a blank as "+"), so that "&" or "#" in it stay its
// own; the service counts the position in characters, a pair of surrogates as one.
QString otherWordsUrl(const QString& baseUrl, const QString& phrase, qsizetype at, int count,
                      std::optional<quint64> seed = std::nullopt, const QString& start = {});

// The words of the service's answer, {"letter":"A","part":"noun","words":[...]}; a
// PlatformError when the answer is not of that shape.
QStringList wordsOfAnswer(const QString& answer);

// Asks the service at baseUrl (starting it as fetchMnemonicPage does) for the words of
// otherWordsUrl.
QStringList fetchOtherWords(platform::HttpClient& client, platform::ServiceHost& host,
                            const QString& baseUrl, const QString& phrase, qsizetype at, int count,
                            std::optional<quint64> seed = std::nullopt, const QString& start = {});

// The first candidate that is neither among used nor current, the word it is to
// replace; current when there is none. Case does not count: "Ant" is "ant".
QString freshWord(const QStringList& candidates, const QStringList& used, const QString& current);

}  // namespace lexiquill::generation
