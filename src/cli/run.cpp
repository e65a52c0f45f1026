#include "cli/run.h"

#include <unistd.h>

#include <csignal>
#include <memory>

#include "cli/messages.h"
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

// The service gave nothing for one phrase: the run goes on with the next.
struct PhraseFailed {
    QString message;
};

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

// The first of A to Z in a phrase, upper-cased; nothing when it has none. The acrostic
// takes it, and the service gives a word to every such letter.
QChar firstLetterAToZ(const QString& phrase)
{
    const QString letter = generation::acrosticLetters(phrase, 1);
    return letter.isEmpty() ? QChar() : letter.front();
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

// A phrase as a message names it: in quotes, and a long one cut short.
QString quoted(const QString& phrase)
{
    constexpr qsizetype kShown = 60;
    return QLatin1Char('"') + phrase.left(kShown) +
           (phrase.size() > kShown ? QStringLiteral("...\"") : QStringLiteral("\""));
}

QStringList askWords(MnemonicService& service, const QString& phrase, std::optional<quint64> seed)
{
    QString page;
    try {
        page = generation::fetchMnemonicPage(service.http, service.host, service.baseUrl, phrase,
                                             {.exactPhrase = true, .seed = seed});
    } catch (const generation::PhraseRefused& refusal) {
        throw PhraseFailed{QString::fromUtf8(refusal.what())};
    } catch (const platform::PlatformError& error) {
        throw ServiceFailed{service.baseUrl + QStringLiteral(": ") +
                            QString::fromUtf8(error.what())};
    }
    // A wrong server or a login page of the network answers too, with no word at all.
    if (!firstLetterAToZ(phrase).isNull() && !page.contains(QLatin1String("<big>"))) {
        throw PhraseFailed{service.baseUrl + QStringLiteral(" gave a page without words")};
    }
    return generation::servedMnemonicWords(page);
}

class Run {
public:
    Run(const Options& options, MnemonicService* service)
        : m_options(options),
          m_service(service),
          m_out(STDOUT_FILENO),
          m_input(options.files),
          m_writer(makeResultWriter(options.format, resultKind(options), m_out, options.deck,
                                    listFile(options)))
    {
    }

    // Reads every phrase and writes its results. False when an input could not be
    // read or a phrase got nothing from the service.
    bool writeResults()
    {
        Progress progress(m_input.totalBytes(), !m_options.quiet);
        const auto stepDone = [&] { progress.step(m_input.bytesTaken()); };
        bool allRead = true;
        if (m_options.mode == Mode::Acronyms) {
            allRead = m_input.forEach(
                [&](const QString& phrase) {
                    m_writer->write(phrase, generation::buildAcronym(phrase));
                    stepDone();
                },
                [&] { m_out.flush(); });
        } else if (m_options.acrostic) {
            QString letters;
            QStringList phrases;  // those with a letter, for their cues
            allRead = m_input.forEach(
                [&](const QString& phrase) {
                    const QChar letter = firstLetterAToZ(phrase);
                    if (letter.isNull()) {
                        printError(quoted(phrase) +
                                   QStringLiteral(" has no letter A to Z; it is left out"));
                    } else {
                        letters += letter;
                        if (m_options.cues) phrases.append(phrase);
                    }
                    stepDone();
                },
                [] {});
            if (!letters.isEmpty()) writeAcrostic(letters, phrases);
        } else {
            allRead = m_input.forEach(
                [&](const QString& phrase) {
                    if (const auto words = wordsOf(phrase)) {
                        if (m_options.sentence) {
                            m_writer->write(phrase, generation::sentenceOf(*words));
                        } else {
                            m_writer->write(phrase, *words);
                        }
                    }
                    // Each phrase waits for the service: show its rows meanwhile.
                    m_out.flush();
                    stepDone();
                },
                [] {});
        }
        m_writer->finish();
        m_out.flush();
        return allRead && !m_phraseFailed;
    }

    // One sentence, a word for each of the letters, led by its key: the letters, or
    // with --cues the cues of the phrases, whose words then begin with their cues.
    void writeAcrostic(const QString& letters, const QStringList& phrases)
    {
        const auto served = wordsOf(letters);
        if (!served) return;
        QStringList words = *served;
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
    // The one file the phrases come from, if it is one.
    static QString listFile(const Options& options)
    {
        return options.files.size() == 1 && options.files.front() != QLatin1String("-")
                   ? options.files.front()
                   : QString();
    }

    static ResultKind resultKind(const Options& options)
    {
        if (options.mode == Mode::Acronyms) return ResultKind::Acronym;
        return options.sentence || options.acrostic ? ResultKind::Sentence : ResultKind::Words;
    }

    // The words of a phrase; nothing, said on standard error, when the service gave
    // none for it.
    std::optional<QStringList> wordsOf(const QString& phrase)
    {
        try {
            return askWords(*m_service, phrase, m_options.seed);
        } catch (const PhraseFailed& failure) {
            printError(quoted(phrase) + QStringLiteral(": ") + failure.message);
            m_phraseFailed = true;
            return std::nullopt;
        }
    }

    const Options& m_options;
    MnemonicService* m_service;
    OutputStream m_out;
    PhraseInput m_input;
    std::unique_ptr<ResultWriter> m_writer;
    bool m_phraseFailed = false;
};

}  // namespace

int run(const Options& options, MnemonicService* service)
{
    endOnClosedPipe();
    Run run(options, service);
    try {
        return run.writeResults() ? 0 : 1;
    } catch (const ServiceFailed& failure) {
        run.flushQuietly();
        printError(failure.message);
    } catch (const WriteFailed& failure) {
        printError(QStringLiteral("write error: ") + QString::fromLocal8Bit(failure.what()));
    }
    return 1;
}

}  // namespace lexiquill::cli
