#include "cli/run.h"

#include <unistd.h>

#include <QFile>
#include <csignal>
#include <cstdio>
#include <memory>

#include "cli/options.h"
#include "cli/output_stream.h"
#include "cli/phrase_input.h"
#include "cli/progress.h"
#include "cli/result_writer.h"
#include "generation/acronym.h"
#include "generation/mnemonic.h"
#include "platform/platform_error.h"

namespace lexiquill::cli {

namespace {

// The service failed: the run stops with this, naming the address.
struct ServiceFailed {
    QString message;
};

void printError(const QString& message)
{
    std::fprintf(stderr, "lexiquill: %s\n", message.toLocal8Bit().constData());
}

QStringList askWords(MnemonicService& service, const QString& phrase, std::optional<quint64> seed)
{
    try {
        return generation::servedMnemonicWords(generation::fetchMnemonicPage(
            service.http, service.host, service.baseUrl, phrase, seed));
    } catch (const platform::PlatformError& error) {
        throw ServiceFailed{service.baseUrl + QStringLiteral(": ") +
                            QString::fromUtf8(error.what())};
    }
}

// The letter an acrostic takes from a phrase: its first one of A to Z, upper-cased;
// nothing when it has none.
QChar acrosticLetter(const QString& phrase)
{
    for (const QChar c : phrase) {
        if (c >= u'A' && c <= u'Z') return c;
        if (c >= u'a' && c <= u'z') return QChar(c.unicode() - u'a' + u'A');
    }
    return {};
}

class Run {
public:
    Run(const Options& options, MnemonicService* service)
        : m_options(options),
          m_service(service),
          m_out(STDOUT_FILENO),
          m_input(options.files),
          m_writer(makeResultWriter(options.format, resultKind(options), m_out, options.deck))
    {
    }

    // False when an input could not be read.
    bool go()
    {
        // Counting reads the files twice; only worth it when a progress line may show.
        const bool showing = !m_options.quiet && progressCanShow();
        Progress progress(showing ? m_input.countPhrases() : -1, !m_options.quiet);
        bool allRead = true;
        if (m_options.mode == Mode::Acronyms) {
            allRead = m_input.forEach(
                [&](const QString& phrase) {
                    m_writer->write(phrase, generation::buildAcronym(phrase));
                    progress.step();
                },
                [&] { m_out.flush(); });
        } else if (m_options.acrostic) {
            QString letters;
            allRead = m_input.forEach(
                [&](const QString& phrase) {
                    const QChar letter = acrosticLetter(phrase);
                    if (letter.isNull()) {
                        progress.clear();
                        printError(QStringLiteral("\"%1\" has no letter A to Z; it is left out")
                                       .arg(phrase));
                    } else {
                        letters += letter;
                    }
                    progress.step();
                },
                [] {});
            if (!letters.isEmpty()) {
                m_writer->write(letters, askWords(*m_service, letters, m_options.seed).join(u' '));
            }
        } else {
            allRead = m_input.forEach(
                [&](const QString& phrase) {
                    const QStringList words = askWords(*m_service, phrase, m_options.seed);
                    if (m_options.sentence) {
                        m_writer->write(phrase, words.join(u' '));
                    } else {
                        m_writer->write(phrase, words);
                    }
                    // Each phrase waits for the service: show its rows meanwhile.
                    m_out.flush();
                    progress.step();
                },
                [] {});
        }
        progress.clear();
        m_writer->finish();
        m_out.flush();
        return allRead;
    }

    // What was made before the service failed still goes out.
    void flushQuietly()
    {
        try {
            m_out.flush();
        } catch (const WriteFailed&) {
        }
    }

private:
    static ResultKind resultKind(const Options& options)
    {
        if (options.mode == Mode::Acronyms) return ResultKind::Acronym;
        return options.sentence || options.acrostic ? ResultKind::Sentence : ResultKind::Words;
    }

    const Options& m_options;
    MnemonicService* m_service;
    OutputStream m_out;
    PhraseInput m_input;
    std::unique_ptr<ResultWriter> m_writer;
};

}  // namespace

int run(const Options& options, MnemonicService* service)
{
    // A reader that goes away ends the program at once, as it ends cat or sort.
    std::signal(SIGPIPE, SIG_DFL);
    Run run(options, service);
    try {
        return run.go() ? 0 : 1;
    } catch (const ServiceFailed& failure) {
        run.flushQuietly();
        printError(failure.message);
    } catch (const WriteFailed& failure) {
        printError(QStringLiteral("write error: ") + QString::fromLocal8Bit(failure.what()));
    }
    return 1;
}

}  // namespace lexiquill::cli
