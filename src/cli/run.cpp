#include "cli/run.h"

#include <unistd.h>

#include <csignal>
#include <memory>

#include "cli/jobs.h"
#include "cli/messages.h"
#include "cli/options.h"
#include "cli/output_stream.h"
#include "cli/phrase_input.h"
#include "cli/progress.h"
#include "cli/result_writer.h"
#include "generation/mnemonic.h"
#include "platform/platform_error.h"

namespace lexiquill::cli {

namespace {

// The service failed: the run stops, having said so.
struct ServiceFailed {};

// A reader that goes away ends the program at once and quietly, as it ends cat or
// sort, also when whoever started us ignored or blocked SIGPIPE.
void endOnClosedPipe()
{
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
}

ResultKind resultKind(const Options& options)
{
    if (options.mode == Mode::Acronyms) return ResultKind::Acronym;
    return options.sentence || options.acrostic ? ResultKind::Sentence : ResultKind::Words;
}

// The phrases, read from the input, through the job of the mode and its writer to
// standard output.
class Run {
public:
    Run(const Options& options, MnemonicService* service, const SheetWriter& sheets)
        : m_options(options),
          m_service(service),
          m_out(STDOUT_FILENO),
          m_input(options.files),
          m_writer(makeResultWriter(options.format, resultKind(options), m_out, options.deck,
                                    listFile(options))),
          m_job(makeJob(options, service, *m_writer, m_out, sheets))
    {
    }

    // Reads every phrase and writes its results. False when an input could not be
    // read or the service gave nothing for a phrase.
    bool writeResults()
    {
        Progress progress(m_input.totalBytes(), !m_options.quiet);
        const bool allRead = m_input.forEach(
            [&](const QString& phrase) {
                attempt(&phrase, [&] { m_job->take(phrase); });
                progress.step(m_input.bytesTaken());
            },
            [&] { m_out.flush(); });
        attempt(nullptr, [&] { m_job->finish(); });
        m_writer->finish();
        m_out.flush();
        return allRead && !m_phraseFailed;
    }

private:
    // Runs a step of the job for phrase, or for the whole list when there is none: the
    // one place where what the service did wrong becomes a message. A phrase it gave
    // nothing for is named and the run goes on; a service that failed is named and the
    // run stops, what was made before still going out.
    template <class Step>
    void attempt(const QString* phrase, Step&& step)
    {
        try {
            step();
        } catch (const generation::PhraseRefused& refusal) {
            const QString reason = QString::fromUtf8(refusal.what());
            printError(phrase ? quotedPhrase(*phrase) + QStringLiteral(": ") + reason : reason);
            m_phraseFailed = true;
        } catch (const platform::PlatformError& error) {
            try {
                m_out.flush();
            } catch (const WriteFailed&) {
            }
            printError(m_service->baseUrl + QStringLiteral(": ") + QString::fromUtf8(error.what()));
            throw ServiceFailed{};
        }
    }

    const Options& m_options;
    MnemonicService* m_service;
    OutputStream m_out;
    PhraseInput m_input;
    std::unique_ptr<ResultWriter> m_writer;
    std::unique_ptr<Job> m_job;
    bool m_phraseFailed = false;
};

}  // namespace

int run(const Options& options, MnemonicService* service, const SheetWriter& sheets)
{
    endOnClosedPipe();
    Run run(options, service, sheets);
    try {
        return run.writeResults() ? 0 : 1;
    } catch (const ServiceFailed&) {
    } catch (const WriteFailed& failure) {
        printError(QStringLiteral("write error: ") + QString::fromLocal8Bit(failure.what()));
    }
    return 1;
}

}  // namespace lexiquill::cli
