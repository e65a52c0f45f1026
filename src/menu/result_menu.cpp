#include "menu/result_menu.h"

#include <QRandomGenerator>
#include <algorithm>

#include "command/command_context.h"
#include "command/result_origins.h"
#include "command/step_trap.h"
#include "generation/other_words.h"
#include "generation/sentence.h"
#include "output/clipboard_copy.h"
#include "output/list_reading.h"
#include "platform/list_view.h"
#include "platform/platform_error.h"

namespace lexiquill::menu {

namespace {

// The service gives at most this many words to one request.
constexpr int kMostWordsAsked = 50;

bool rowsStayed(command::CommandContext& ctx, const RowMenu& menu)
{
    platform::ListView& list = ctx.resultTable();
    return list.changeCount() == menu.changeCount && menu.row <= list.rowCount();
}

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
                 list.changeCount(),
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
    if (!rowsStayed(ctx, menu)) return;
    trap.step(100, [&] { ctx.resultTable().setSubText(menu.row, 2, word); });
}

void drawAgain(command::CommandContext& ctx, const RowMenu& menu)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("mnuDrawAgain_Click"));
    if (!rowsStayed(ctx, menu)) return;
    platform::ListView& list = ctx.resultTable();
    QList<std::pair<int, QString>> drawn;
    const bool asked = output::attempt(trap, 100, [&] {
        const auto [first, last] = ctx.resultOrigins().phraseRows(list, menu.row);
        QStringList used;  // the words the phrase keeps, then those drawn for it
        for (int r = first; r <= last; ++r) {
            if (list.checked(r)) used.append(list.subText(r, 2));
        }
        // Enough words that one differs from all the phrase's others and the row's own.
        const int count = std::min(kMostWordsAsked, last - first + 2);
        const quint64 seed = QRandomGenerator::global()->generate();
        for (int r = first; r <= last; ++r) {
            // Other commands may run while the service answers.
            if (!rowsStayed(ctx, menu)) return;
            if (list.checked(r)) continue;
            const QString word =
                generation::freshWord(askWords(ctx, r, count, seed), used, list.subText(r, 2));
            used.append(word);
            drawn.append({r, word});
        }
    });
    if (!asked || !rowsStayed(ctx, menu)) return;
    trap.step(102, [&] {
        for (const auto& [row, word] : std::as_const(drawn)) list.setSubText(row, 2, word);
    });
}

namespace {

// The sentence of the phrase row belongs to; a row of its own is its Result.
QString phraseSentence(command::CommandContext& ctx, int row)
{
    platform::ListView& list = ctx.resultTable();
    const auto [first, last] = ctx.resultOrigins().phraseRows(list, row);
    QStringList words;
    for (int r = first; r <= last; ++r) words.append(list.subText(r, 2));
    return generation::sentenceOf(words);
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
    if (!rowsStayed(ctx, menu)) return;
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
