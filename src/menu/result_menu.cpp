#include "menu/result_menu.h"

#include <QRandomGenerator>
#include <algorithm>

#include "command/command_context.h"
#include "command/result_origins.h"
#include "command/step_trap.h"
#include "generation/other_words.h"
#include "generation/sentence.h"
#include "output/clipboard_copy.h"
#include "platform/list_view.h"
#include "platform/platform_error.h"

namespace lexiquill::menu {

namespace {

QStringList askWords(command::CommandContext& ctx, int row, int count,
                     std::optional<quint64> seed = std::nullopt)
{
    if (const QString problem = ctx.mnemonicAddressProblem(); !problem.isEmpty()) {
        throw platform::PlatformError(problem);
    }
    platform::ListView& list = ctx.resultTable();
    return generation::fetchOtherWords(
        ctx.httpClient(), ctx.serviceHost(), ctx.mnemonicBaseUrl(), list.text(row),
        ctx.resultOrigins().characterOf(list, row).value(), count, seed);
}

}  // namespace

RowMenu openRowMenu(command::CommandContext& ctx, int row)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("ListView2_ContextMenu"));
    platform::ListView& list = ctx.resultTable();
    RowMenu menu{row,
                 command::ListWatch(ctx, list),
                 ctx.resultOrigins().characterOf(list, row).has_value(),
                 !ctx.isGenerating(),
                 {}};
    if (!menu.mnemonic || !menu.enabled) return menu;
    trap.step(100, [&] {
        const QString current = list.subText(row, 2);
        // One more than shown, so that eight remain without the row's own word.
        QStringList words = askWords(ctx, row, kOtherWords + 1);
        words.removeIf(
            [&](const QString& w) { return w.compare(current, Qt::CaseInsensitive) == 0; });
        menu.otherWords = words.mid(0, kOtherWords);
    });
    return menu;
}

void chooseWord(command::CommandContext& ctx, const RowMenu& menu, const QString& word)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("mnuOtherWord_Click"));
    if (menu.rows.listChanged()) return;
    trap.step(100, [&] { ctx.resultTable().setSubText(menu.row, 2, word); });
}

void drawAgain(command::CommandContext& ctx, const RowMenu& menu)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("mnuDrawAgain_Click"));
    if (menu.rows.listChanged()) return;
    platform::ListView& list = ctx.resultTable();
    QList<std::pair<int, QString>> drawn;
    const bool asked = command::attempt(trap, 100, [&] {
        auto [first, last, used] =
            ctx.resultOrigins().phraseRows(list, menu.row, command::ResultOrigins::Words::Ticked);
        // used: the words the phrase keeps, then those drawn for it. Enough words that one
        // differs from all the phrase's others and the row's own.
        const int count = std::min(generation::kMostOtherWords, last - first + 2);
        const quint64 seed = QRandomGenerator::global()->generate();
        for (int r = first; r <= last; ++r) {
            // Other commands may run while the service answers.
            if (menu.rows.listChanged()) return;
            if (list.checked(r)) continue;
            const QString word =
                generation::freshWord(askWords(ctx, r, count, seed), used, list.subText(r, 2));
            used.append(word);
            drawn.append({r, word});
        }
    });
    if (!asked || menu.rows.listChanged()) return;
    trap.step(102, [&] {
        for (const auto& [row, word] : std::as_const(drawn)) list.setSubText(row, 2, word);
    });
}

namespace {

// The sentence of the phrase row belongs to; a row of its own is its Result.
QString phraseSentence(command::CommandContext& ctx, int row)
{
    return generation::sentenceOf(
        ctx.resultOrigins()
            .phraseRows(ctx.resultTable(), row, command::ResultOrigins::Words::All)
            .words);
}

}  // namespace

QString mnemonicSentence(command::CommandContext& ctx, int row)
{
    if (!ctx.resultOrigins().characterOf(ctx.resultTable(), row)) return {};
    return phraseSentence(ctx, row);
}

void copySentence(command::CommandContext& ctx, const RowMenu& menu)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("mnuCopySentence_Click"));
    if (menu.rows.listChanged()) return;
    trap.step(100, [&] { placeSentence(ctx.clipboard(), phraseSentence(ctx, menu.row)); });
}

void placeSentence(platform::Clipboard& clipboard, const QString& sentence)
{
    if (!output::setClipboardText(clipboard, sentence, 0)) {
        throw platform::PlatformError(QStringLiteral(
            "The sentence could not be placed on the clipboard: another program holds it."));
    }
}

}  // namespace lexiquill::menu
