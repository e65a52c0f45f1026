#include "cli/jobs.h"

#include "cli/messages.h"
#include "cli/options.h"
#include "cli/output_stream.h"
#include "cli/result_writer.h"
#include "generation/acronym.h"
#include "generation/acrostic.h"
#include "generation/acrostic_cues.h"
#include "generation/mnemonic.h"
#include "generation/sentence.h"

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
        const QStringList words = generation::fetchServedWords(
            m_service.http, m_service.host, m_service.baseUrl, phrase, m_options.seed);
        if (m_options.sentence) {
            m_writer.write(phrase, generation::sentenceOf(words));
        } else {
            m_writer.write(phrase, words);
        }
        m_out.flush();
    }

private:
    MnemonicService& m_service;
    const Options& m_options;
    ResultWriter& m_writer;
    OutputStream& m_out;
};

// One sentence for the whole list, a word for the first letter A to Z of each phrase, led
// by its key: the letters, or with --cues the cues of the phrases.
class AcrosticJob final : public Job {
public:
    AcrosticJob(MnemonicService& service, const Options& options, ResultWriter& writer)
        : m_service(service), m_writer(writer)
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
        if (m_request.cues) m_names.append(phrase.left(kShownLength + 1));
    }
    void finish() override
    {
        if (m_request.items.isEmpty()) return;
        const generation::Acrostic acrostic =
            generation::fetchAcrostic(m_service.http, m_service.host, m_service.baseUrl, m_request);
        for (const generation::CutCue& cut : acrostic.cut) {
            printError(QStringLiteral("no word begins with \"%1\" for %2; it keeps the letter %3")
                           .arg(cut.wanted, quotedPhrase(m_names[cut.item]), cut.wanted.left(1)));
        }
        m_writer.write(acrostic.key, acrostic.sentence);
    }

private:
    MnemonicService& m_service;
    ResultWriter& m_writer;
    generation::AcrosticRequest m_request;
    QStringList m_names;  // the start of each item's phrase, for the messages
};

}  // namespace

std::unique_ptr<Job> makeJob(const Options& options, MnemonicService* service, ResultWriter& writer,
                             OutputStream& out)
{
    if (options.mode == Mode::Acronyms) return std::make_unique<AcronymJob>(writer);
    if (options.acrostic) return std::make_unique<AcrosticJob>(*service, options, writer);
    return std::make_unique<WordsJob>(*service, options, writer, out);
}

}  // namespace lexiquill::cli
