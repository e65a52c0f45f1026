#include "cli/jobs.h"

#include "cli/messages.h"
#include "cli/options.h"
#include "cli/output_stream.h"
#include "cli/result_writer.h"
#include "generation/acronym.h"
#include "generation/acrostic.h"
#include "generation/acrostic_cues.h"
#include "generation/any_order.h"
#include "generation/mnemonic.h"
#include "generation/sentence_plan.h"
#include "output/study_list.h"
#include "platform/platform_error.h"

namespace lexiquill::cli {

namespace {

class AcronymJob final : public Job {
public:
    explicit AcronymJob(ResultWriter& writer) : m_writer(writer) {}
    void take(const QString& phrase) override
    {
        m_writer.write(phrase, generation::buildAcronym(phrase));
    }

private:
    ResultWriter& m_writer;
};

// The words of each phrase, one row each, or with --sentence as one sentence.
class WordsJob final : public Job {
public:
    WordsJob(MnemonicService& service, const Options& options, ResultWriter& writer,
             OutputStream& out)
        : m_service(service), m_options(options), m_writer(writer), m_out(out)
    {
    }
    void take(const QString& phrase) override
    {
        if (m_options.sentence) {
            m_writer.write(phrase, generation::fetchSentencePlan(
                                       m_service.http, m_service.host, m_service.baseUrl,
                                       {phrase, {}, {}, {}, m_options.seed})
                                       .sentence);
        } else {
            m_writer.write(phrase,
                           generation::fetchServedWords(m_service.http, m_service.host,
                                                        m_service.baseUrl, phrase, m_options.seed));
        }
        m_out.flush();
    }

private:
    MnemonicService& m_service;
    const Options& m_options;
    ResultWriter& m_writer;
    OutputStream& m_out;
};

// Puts the entries of list in the given order; an empty list stays empty.
void reorder(QStringList& list, const QList<qsizetype>& order)
{
    if (list.isEmpty()) return;
    QStringList ordered;
    ordered.reserve(list.size());
    for (const qsizetype i : order) ordered.append(list[i]);
    list = ordered;
}

// The words of a sentence, without its punctuation.
QStringList wordsOf(const QString& sentence)
{
    QStringList words = sentence.split(u' ', Qt::SkipEmptyParts);
    for (QString& word : words) word.remove(u'.').remove(u',');
    return words;
}

// One sentence for the whole list, a word for the first letter A to Z of each phrase, led
// by its key: the letters, or with --cues the cues of the phrases, or with --any-order the
// word their order spells. With --format cards it is the list's card, and --sheet writes
// its study sheet.
class AcrosticJob final : public Job {
public:
    AcrosticJob(MnemonicService& service, const Options& options, ResultWriter& writer,
                const SheetWriter& sheets)
        : m_service(service), m_options(options), m_writer(writer), m_sheets(sheets)
    {
        m_request.cues = options.cues;
        m_request.seed = options.seed;
    }
    void take(const QString& phrase) override
    {
        // Only what the sentence needs is kept: a list may hold huge lines.
        const QString item =
            m_request.cues ? generation::cueItem(phrase) : generation::acrosticLetters(phrase, 1);
        if (item.isEmpty()) {
            printError(quotedPhrase(phrase) +
                       QStringLiteral(" has no letter A to Z; it is left out"));
            return;
        }
        m_request.items.append(item);
        m_starts.append(phrase.left(kLongestShownItem));
        if (m_request.cues) m_names.append(phrase.left(kShownLength + 1));
        // A card and a sheet show the items, as far as a line of them reaches.
        if (m_first.isNull()) m_first = phrase.left(kLongestShownItem);
        if (showsItems()) m_shown.append(phrase.left(kLongestShownItem));
    }
    void finish() override
    {
        if (m_request.items.isEmpty()) return;
        QString key;
        if (m_options.anyOrder) {
            const generation::SpellingOrder order = generation::orderThatSpells(
                m_request.cues ? generation::acrosticCues(m_request.items) : m_request.items);
            for (QStringList* list : {&m_request.items, &m_names, &m_shown}) {
                reorder(*list, order.order);
            }
            key = order.key;
        }
        // No item is a word of its own acrostic ("Earth" among the planets).
        m_request.avoid = generation::itemWords(m_starts);
        const generation::Acrostic acrostic =
            generation::fetchAcrostic(m_service.http, m_service.host, m_service.baseUrl, m_request);
        for (const generation::CutCue& cut : acrostic.cut) {
            printError(QStringLiteral("no word begins with \"%1\" for %2; it keeps the letter %3")
                           .arg(cut.wanted, quotedPhrase(m_names[cut.item]), cut.wanted.left(1)));
        }
        if (key.isEmpty()) key = acrostic.key;
        if (!showsItems()) {
            m_writer.write(key, acrostic.sentence);
            return;
        }
        const output::StudyList list = studyList(key, acrostic);
        m_writer.writeList(list);
        if (!m_options.sheet.isEmpty()) writeSheet(list);
    }

private:
    // The longest part of an item a card or a sheet shows.
    static constexpr qsizetype kLongestShownItem = 256;

    bool showsItems() const
    {
        return m_options.format == Format::Cards || !m_options.sheet.isEmpty();
    }

    output::StudyList studyList(const QString& key, const generation::Acrostic& acrostic) const
    {
        output::StudyList list{
            output::listTitle(listFile(m_options), {m_first}), key, acrostic.sentence, {}};
        const QStringList words = wordsOf(acrostic.sentence);
        const QStringList starts = m_request.cues ? acrostic.key.split(u' ') : m_request.items;
        for (qsizetype i = 0; i < m_shown.size(); ++i) {
            list.items.append({m_shown[i], starts.value(i), words.value(i)});
        }
        return list;
    }

    // A sheet that cannot be written is said like a list the service refused: the run
    // has printed its results and ends with 1, not as if the service had failed.
    void writeSheet(const output::StudyList& list) const
    {
        try {
            m_sheets(m_options.sheet, list);
        } catch (const platform::PlatformError& error) {
            throw generation::PhraseRefused(QString::fromUtf8(error.what()));
        }
    }

    MnemonicService& m_service;
    const Options& m_options;
    ResultWriter& m_writer;
    const SheetWriter& m_sheets;
    generation::AcrosticRequest m_request;
    QStringList m_names;   // the start of each item's phrase, for the messages
    QStringList m_shown;   // the items as a card and a sheet show them
    QStringList m_starts;  // the start of each item, for the words the sentence avoids
    QString m_first;       // the first item, which names a list read from no file
};

}  // namespace

std::unique_ptr<Job> makeJob(const Options& options, MnemonicService* service, ResultWriter& writer,
                             OutputStream& out, const SheetWriter& sheets)
{
    if (options.mode == Mode::Acronyms) return std::make_unique<AcronymJob>(writer);
    if (options.acrostic) return std::make_unique<AcrosticJob>(*service, options, writer, sheets);
    return std::make_unique<WordsJob>(*service, options, writer, out);
}

}  // namespace lexiquill::cli
