#include "generation/generation_run.h"

#include <utility>

#include "command/command_context.h"
#include "command/path_helpers.h"
#include "command/result_origins.h"
#include "command/step_trap.h"
#include "generation/acronym.h"
#include "generation/mnemonic.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/list_view.h"
#include "platform/platform_error.h"

namespace lexiquill::generation {

using command::Pointer;

namespace {

// The steps that show phrase i of the word list, from line to line + 8: its share of
// the run on the progress bar, its text in the caption, a yield, and the hourglass
// (a pointer move in the yield may have taken it away). Hands back the phrase; a
// phrase that could not be read is empty, never the one before it.
QString showPhrase(command::CommandContext& ctx, command::StepTrap& trap, int line, int i)
{
    QString phrase;
    trap.step(line, [&] { ctx.setProgressValue(progressPercent(i, ctx.wordList().rowCount())); });
    trap.step(line + 2, [&] { phrase = ctx.wordList().text(i); });
    trap.step(line + 4, [&] {
        ctx.setProgressText(QStringLiteral("Processing: ") + command::fileNameFromPath(phrase));
    });
    trap.step(line + 6, [&] { ctx.pump().yield(); });
    trap.step(line + 8, [&] { ctx.setPointer(Pointer::Busy); });
    return phrase;
}

void runAcronymLoop(command::CommandContext& ctx, command::StepTrap& trap)
{
    int count = 0;
    trap.step(112, [&] { count = ctx.wordList().rowCount(); });
    for (int i = 1; i <= count; ++i) {
        const QString phrase = showPhrase(ctx, trap, 114, i);
        int row = 0;
        trap.step(124, [&] { row = ctx.resultTable().append(phrase); });
        trap.step(126, [&] { ctx.resultTable().setSubText(row, 2, buildAcronym(phrase)); });
    }
}

void runMnemonicLoop(command::CommandContext& ctx, command::StepTrap& trap)
{
    int count = 0;
    trap.step(132, [&] { count = ctx.wordList().rowCount(); });
    // An address that cannot be asked is reported once, not once per phrase.
    if (const QString problem = ctx.mnemonicAddressProblem(); !problem.isEmpty()) {
        trap.step(134, [&] { throw platform::PlatformError(problem); });
        return;
    }
    for (int i = 1; i <= count; ++i) {
        // A failed request leaves an empty page: a phrase never gets words from the
        // page of a phrase before it.
        QString page;
        QList<MnemonicWord> words;
        trap.step(134, [&] {
            page = fetchMnemonicPage(ctx.httpClient(), ctx.serviceHost(), ctx.mnemonicBaseUrl(),
                                     ctx.wordList().text(i));
        });
        const QString phrase = showPhrase(ctx, trap, 136, i);
        trap.step(146, [&] { words = findMnemonicWords(phrase, page); });
        // What each row is made for lets the results' menu offer other words for it.
        ctx.resultOrigins().startPhrase();
        for (const MnemonicWord& word : std::as_const(words)) {
            int row = 0;
            trap.step(164, [&] { row = ctx.resultTable().append(phrase); });
            trap.step(166, [&] { ctx.resultTable().setSubText(row, 2, word.text); });
            if (row > 0) ctx.resultOrigins().record(ctx.resultTable(), row, word.at);
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
        trap.step(180,
                  [&] { ctx.dialogs().showMessage(QStringLiteral("You forgot to add word(s).")); });
    }
    trap.step(182, [&] { ctx.setGenerating(false); });
}

}  // namespace lexiquill::generation
