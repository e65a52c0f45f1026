// Feeds arbitrary UTF-16 text to the functions that take text from outside: the
// acronym builder, the order that spells a word, the path helper and the application
// title. Each result is
// checked against a property that must hold for every input.

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numeric>

#include "command/app_identity.h"
#include "command/path_helpers.h"
#include "fuzz_check.h"
#include "generation/acronym.h"
#include "generation/acrostic_cues.h"
#include "generation/any_order.h"

namespace {

// The acronym by the plainest route: trim, split at every blank, keep empty words; a
// word's first character is a whole surrogate pair where it starts with one.
QString expectedAcronym(const QString& phrase)
{
    qsizetype begin = 0;
    qsizetype end = phrase.size();
    while (begin < end && phrase[begin] == u' ') ++begin;
    while (end > begin && phrase[end - 1] == u' ') --end;
    if (begin == end) return {};
    QString result;
    for (const QString& word : phrase.mid(begin, end - begin).split(u' ', Qt::KeepEmptyParts)) {
        const bool pair = word.size() > 1 && word[0].isHighSurrogate() && word[1].isLowSurrogate();
        if (pair) {
            result += word.left(2).toLower().toUpper();
        } else if (!word.isEmpty()) {
            result += word[0].toLower().toUpper();
        }
        result += u'.';
    }
    return result;
}

bool isSeparator(QChar c) { return c == u'\\' || c == u'/'; }

}  // namespace

using lexiquill::generation::acrosticLetters;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));

    check(lexiquill::generation::buildAcronym(text) == expectedAcronym(text));

    // Every order weighed (no more than twelve items): each item once, the key its initials.
    const QStringList starts = text.split(u' ').mid(0, lexiquill::generation::kExhaustiveItems);
    const auto spelt = lexiquill::generation::orderThatSpells(starts);
    QString initials;
    for (const qsizetype i : spelt.order) initials += acrosticLetters(starts.value(i, "?"), 1);
    QList<qsizetype> all(starts.size());
    std::iota(all.begin(), all.end(), 0);
    check(std::is_permutation(all.begin(), all.end(), spelt.order.begin(), spelt.order.end()));
    check(QString(spelt.key).remove(u' ') == initials);

    const QString name = lexiquill::command::fileNameFromPath(text);
    check(text.endsWith(name));
    check(!name.contains(u'\\') && !name.contains(u'/'));
    const qsizetype cut = text.size() - name.size();
    check(cut == 0 || isSeparator(text[cut - 1]));

    const QString title = lexiquill::command::applicationTitle(text);
    check(title.size() <= 40 && text.startsWith(title));
    check(text.size() > 40 || title == text);
    return 0;
}
