#include "wordlist/word_list_commands.h"

#include "command/command_context.h"
#include "command/step_trap.h"
#include "platform/dialogs.h"
#include "platform/list_view.h"

namespace lexiquill::wordlist {

using command::Pointer;
using command::StepTrap;

namespace {
StepTrap trapFor(command::CommandContext& ctx, const char* procedure)
{
    return StepTrap(ctx, command::kWindowModule, QString::fromLatin1(procedure));
}
}  // namespace

void addWord(command::CommandContext& ctx)
{
    StepTrap trap = trapFor(ctx, "PushButton6_Click");
    QString phrase;
    trap.step(100,
              [&] { phrase = ctx.dialogs().inputText(QStringLiteral("Enter word to add: ")); });
    if (trap.test(102, [&] { return phrase.isEmpty(); })) return;
    trap.step(104, [&] { ctx.wordList().append(phrase); });
}

void loadSampleWords(command::CommandContext& ctx)
{
    StepTrap trap = trapFor(ctx, "PushButton7_Click");
    trap.step(100, [&] { ctx.wordList().append(QStringLiteral("john smith")); });
    trap.step(102, [&] { ctx.wordList().append(QStringLiteral("ella marsh")); });
    trap.step(104, [&] { ctx.selectMnemonicMode(); });
}

void clearWordList(command::CommandContext& ctx)
{
    StepTrap trap = trapFor(ctx, "PushButton1_Click");
    if (trap.test(100, [&] { return ctx.pointer() == Pointer::Busy; })) return;
    trap.step(100, [&] { ctx.wordList().clear(); });
}

void clearResults(command::CommandContext& ctx)
{
    StepTrap trap = trapFor(ctx, "PushButton5_Click");
    trap.step(100, [&] { ctx.resultTable().clear(); });
}

void removeSelectedPhrase(command::CommandContext& ctx)
{
    if (ctx.pointer() == Pointer::Busy) return;
    platform::ListView& words = ctx.wordList();
    if (words.rowCount() == 0) return;
    const int selected = words.selectedRow();
    if (selected > 0) words.remove(selected);
}

}  // namespace lexiquill::wordlist
