#pragma once

// Its failures are those of the page: PhraseRefused and the other PlatformErrors.
#include "generation/mnemonic.h"

namespace lexiquill::generation {

// What an acrostic is asked for: its items, each with a letter A to Z (with cues, as
// cueItem keeps them; without, their initials will do), and the service's draw.
struct AcrosticRequest {
    QStringList items;
    bool cues = false;  // starts of two or three letters for items that share an initial
    std::optional<quint64> seed;
    QStringList avoid;  // words the sentence must not use (itemWords of the items)
};

// A cue no word begins with, cut to its one letter.
struct CutCue {
    qsizetype item;  // the index of the item
    QString wanted;
};

// One sentence for a whole list, a word for each item.
struct Acrostic {
    QString key;  // the initials ("AVZ"), or the cues ("Ol Op Oc T") the words begin with
    QString sentence;
    QList<CutCue> cut;
};

// The words of the items that the service could take for a word of their own acrostic,
// each once, whatever their case: "New York" and "New Hampshire" give New, York, Hampshire.
// Only words of two to twelve letters a to z can be the service's, and the first of them
// as far as a request line has room: a long list is told apart by its starts, not by this.
QStringList itemWords(const QStringList& items);

// Asks the mnemonic service at baseUrl (starting it as fetchMnemonicPage does) for the
// acrostic of the items: one sentence planned over their starts, none of its words one of
// request.avoid. Fails as fetchServedWords does; a list with more items than one
// sentence takes is a PhraseRefused that says so.
Acrostic fetchAcrostic(platform::HttpClient& client, platform::ServiceHost& host,
                       const QString& baseUrl, const AcrosticRequest& request);

}  // namespace lexiquill::generation
