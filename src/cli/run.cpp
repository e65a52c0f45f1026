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
#include "generation/acrostic_cues.h"
#include "generation/mnemonic.h"
#include "generation/other_words.h"
#include "generation/sentence.h"
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

// What request gives, or ServiceFailed naming the service when it fails.
template <class Request>
QStringList askService(const MnemonicService& service, Request&& request)
{
    try {
        return request();
    } catch (const platform::PlatformError& error) {
        throw ServiceFailed{service.baseUrl + QStringLiteral(": ") +
                            QString::fromUtf8(error.what())};
    }
}

QStringList askWords(MnemonicService& service, const QString& phrase, std::optional<quint64> seed)
{
    return askService(service, [&] {
        return generation::servedMnemonicWords(generation::fetchMnemonicPage(
            service.http, service.host, service.baseUrl, phrase, seed));
    });
}

// Words of the service that begin with cue, for the letter at index at (from 0) of
// the acrostic's letters.
QStringList askCueWords(MnemonicService& service, const QString& letters, qsizetype at, int count,
                        const QString& cue)
{
    return askService(service, [&] {
        return generation::fetchOtherWords(service.http, service.host, service.baseUrl, letters, at,
                                           count, std::nullopt, cue);
    });
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
            QStringList phrases;  // those with a letter, for their cues
            allRead = m_input.forEach(
                [&](const QString& phrase) {
                    const QString letter = generation::acrosticLetters(phrase, 1);
                    if (letter.isEmpty()) {
                        progress.clear();
                        printError(QStringLiteral("\"%1\" has no letter A to Z; it is left out")
                                       .arg(phrase));
                    } else {
                        letters += letter;
                        if (m_options.cues) phrases.append(phrase);
                    }
                    progress.step();
                },
                [] {});
            progress.clear();
            if (!letters.isEmpty()) writeAcrostic(letters, phrases);
        } else {
            allRead = m_input.forEach(
                [&](const QString& phrase) {
                    const QStringList words = askWords(*m_service, phrase, m_options.seed);
                    if (m_options.sentence) {
                        m_writer->write(phrase, generation::sentenceOf(words));
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

    // One sentence, a word for each of the letters, led by its key: the letters, or
    // with --cues the cues of the phrases, whose words then begin with their cues.
    void writeAcrostic(const QString& letters, const QStringList& phrases)
    {
        QStringList words = askWords(*m_service, letters, m_options.seed);
        if (!m_options.cues) {
            m_writer->write(letters, generation::sentenceOf(words));
            return;
        }
        const QStringList wanted = generation::acrosticCues(phrases);
        QStringList cues = wanted;
        const QList<qsizetype> cut =
            generation::fitToCues(words, cues, [&](qsizetype at, const QString& cue, int count) {
                return askCueWords(*m_service, letters, at, count, cue);
            });
        for (const qsizetype i : cut) {
            printError(
                QStringLiteral("no word begins with \"%1\" for \"%2\"; it keeps the letter %3")
                    .arg(wanted[i], phrases[i], cues[i]));
        }
        m_writer->write(cues.join(u' '), generation::sentenceOf(words));
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
