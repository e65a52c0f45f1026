#include "generation/generation_run.h"

#include <utility>

#include "generation/acronym.h"
#include "generation/mnemonic.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/http_client.h"
#include "platform/list_view.h"
#include "platform/service_host.h"
#include "command/command_context.h"
#include "command/path_helpers.h"
#include "command/step_trap.h"

namespace lexiquill::generation {

using command::Pointer;

namespace {

void runAcronymLoop(command::CommandContext& ctx, command::StepTrap& trap)
{
    int count = 0;
    trap.step(112, [&] { count = ctx.wordList().rowCount(); });
    for (int i = 1; i <= count; ++i) {
        // Fresh each phrase, so that a phrase that could not be read never repeats
        // the one before it in the results.
        QString phrase;
        int row = 0;
        trap.step(114, [&] { ctx.setProgressValue(progressPercent(i, ctx.wordList().rowCount())); });
        trap.step(116, [&] { phrase = ctx.wordList().text(i); });
        trap.step(118, [&] {
            ctx.setProgressText(QStringLiteral("Processing: ") + command::fileNameFromPath(phrase));
        });
        trap.step(120, [&] { ctx.pump().yield(); });
        trap.step(122, [&] { ctx.setPointer(Pointer::Busy); });
        trap.step(124, [&] { row = ctx.resultTable().append(phrase); });
        trap.step(126, [&] { ctx.resultTable().setSubText(row, 2, buildAcronym(phrase)); });
    }
}

// The request of a phrase. When nothing listens at the service address (none was
// started yet, or the one on this machine stopped during the run), the program starts
// the service itself and asks again.
QString fetchPage(command::CommandContext& ctx, const QString& phrase)
{
    const QString base = ctx.mnemonicBaseUrl();
    try {
        return fetchMnemonicPage(ctx.httpClient(), base, phrase);
    } catch (const platform::ConnectionRefused&) {
        if (!ctx.serviceHost().start(base)) throw;
    }
    return fetchMnemonicPage(ctx.httpClient(), base, phrase);
}

void runMnemonicLoop(command::CommandContext& ctx, command::StepTrap& trap)
{
    int count = 0;
    trap.step(132, [&] { count = ctx.wordList().rowCount(); });
    for (int i = 1; i <= count; ++i) {
        // A failed request leaves an empty page: a phrase never gets words from the
        // page of a phrase before it.
        QString page;
        QString phrase;
        QStringList words;
        trap.step(134, [&] {
            const QString request = ctx.wordList().text(i);
            page = fetchPage(ctx, request);
        });
        trap.step(136, [&] { ctx.setProgressValue(progressPercent(i, ctx.wordList().rowCount())); });
        trap.step(138, [&] { phrase = ctx.wordList().text(i); });
        trap.step(140, [&] {
            ctx.setProgressText(QStringLiteral("Processing: ") + command::fileNameFromPath(phrase));
        });
        trap.step(142, [&] { ctx.pump().yield(); });
        trap.step(144, [&] { ctx.setPointer(Pointer::Busy); });
        trap.step(146, [&] { words = extractMnemonicWords(phrase, page); });
        for (const QString& word : std::as_const(words)) {
            int row = 0;
            trap.step(164, [&] { row = ctx.resultTable().append(phrase); });
            trap.step(166, [&] { ctx.resultTable().setSubText(row, 2, word); });
        }
    }
}

}  // namespace

void startGenerating(command::CommandContext& ctx)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("PushButton2_Click"));
    if (trap.test(100, [&] { return ctx.isGenerating(); })) return;
    trap.step(102, [&] { ctx.setGenerating(true); });
    if (!trap.test(104, [&] { return ctx.wordList().rowCount() == 0; })) {
        trap.step(106, [&] { ctx.setPointer(Pointer::Busy); });
        trap.step(108, [&] { ctx.resultTable().clear(); });
        if (trap.test(110, [&] { return ctx.isAcronymMode(); })) {
            runAcronymLoop(ctx, trap);
        } else if (trap.test(130, [&] { return ctx.isMnemonicMode(); })) {
            runMnemonicLoop(ctx, trap);
        }
        trap.step(172, [&] { ctx.setPointer(Pointer::Default); });
        trap.step(174, [&] { ctx.setProgressValue(0); });
        trap.step(176, [&] { ctx.setProgressText(QStringLiteral("Progress Bar")); });
        trap.step(178, [&] { ctx.dialogs().showMessage(QStringLiteral("Done.")); });
    } else {
        trap.step(180, [&] { ctx.dialogs().showMessage(QStringLiteral("You forgot to add word(s).")); });
    }
    trap.step(182, [&] { ctx.setGenerating(false); });
}

}  // namespace lexiquill::generation
