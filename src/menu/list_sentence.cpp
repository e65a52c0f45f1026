#include "menu/list_sentence.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <numeric>

#include "command/command_context.h"
#include "command/step_trap.h"
#include "generation/acrostic.h"
#include "generation/acrostic_cues.h"
#include "generation/any_order.h"
#include "generation/other_words.h"
#include "generation/sentence_plan.h"
#include "menu/result_menu.h"
#include "output/flashcard_file.h"
#include "output/study_list.h"
#include "output/text_export.h"
#include "platform/list_view.h"
#include "platform/platform_error.h"
#include "platform/text_file.h"

namespace lexiquill::menu {

namespace {

// The sentence's words as the text has them, each with the punctuation that follows it.
QStringList sentenceTokens(const QString& sentence)
{
    return sentence.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Takes the plan's words into sentence. The dialog lines each word up with its item
// and edits the text word by word: a plan whose text does not hold its words, one for
// each item, is no plan.
void takePlan(ListSentence& sentence, const generation::SentencePlan& plan)
{
    static const QRegularExpression punctuation(QStringLiteral("[.,]"));
    const qsizetype count = sentence.items.size();
    const QStringList tokens = sentenceTokens(plan.sentence);
    bool fits = plan.words.size() == count && tokens.size() == count;
    for (qsizetype i = 0; fits && i < count; ++i) {
        fits = QString(tokens[i]).remove(punctuation) == plan.words[i].word;
    }
    if (!fits) {
        throw platform::PlatformError(QStringLiteral(
            "The mnemonic service gave a sentence that is not one word for each item of the "
            "list"));
    }
    for (qsizetype i = 0; i < count; ++i) {
        sentence.words[i] = plan.words[i].word;
        // The service says where it had no word for a cue and took its initial instead.
        sentence.starts[i] = plan.words[i].start;
    }
    sentence.sentence = tokens.join(QLatin1Char(' '));
}

// The mnemonic service's address, or a PlatformError saying why it cannot be asked.
QString serviceAddress(command::CommandContext& ctx)
{
    if (const QString problem = ctx.mnemonicAddressProblem(); !problem.isEmpty()) {
        throw platform::PlatformError(problem);
    }
    return ctx.mnemonicBaseUrl();
}

// The keep= of a plan: the words kept (kept[i] for the word at i), the others free.
QStringList keptWords(const ListSentence& sentence, const QList<bool>& kept)
{
    QStringList keep;
    for (qsizetype i = 0; i < sentence.words.size(); ++i) {
        keep.append(kept.value(i) ? sentence.words[i] : QString());
    }
    return keep;
}

// A new draw each time: Draw Again must not give the same words back.
generation::SentencePlan askPlan(command::CommandContext& ctx, const ListSentence& sentence,
                                 const QStringList& keep)
{
    const generation::SentenceRequest request{
        {}, sentence.starts, keep, sentence.avoid, QRandomGenerator::global()->generate64()};
    return generation::fetchSentencePlan(ctx.httpClient(), ctx.serviceHost(), serviceAddress(ctx),
                                         request);
}

ListSentence readItems(command::CommandContext& ctx)
{
    platform::ListView& list = ctx.wordList();
    ListSentence sentence;
    for (int row = 1; row <= list.rowCount(); ++row) {
        const QString item = list.text(row);
        // An item without a letter has no initial to give the sentence.
        if (generation::acrosticLetters(item, 1).isEmpty()) continue;
        sentence.items.append(item);
        sentence.positions.append(row - 1);
    }
    if (sentence.items.isEmpty()) {
        throw platform::PlatformError(
            QStringLiteral("No item of the word list has a letter from A to Z to begin a word."));
    }
    sentence.starts = generation::acrosticCues(sentence.items);
    sentence.words.resize(sentence.items.size());
    sentence.avoid = generation::itemWords(sentence.items);
    return sentence;
}

}  // namespace

bool canPlanListSentence(command::CommandContext& ctx)
{
    return ctx.wordList().rowCount() > 0 && !ctx.isGenerating();
}

std::optional<ListSentence> planListSentence(command::CommandContext& ctx)
{
    command::StepTrap trap(ctx, command::kWindowModule, QStringLiteral("mnuListSentence_Click"));
    std::optional<ListSentence> sentence;
    trap.step(100, [&] {
        ListSentence read = readItems(ctx);
        takePlan(read, askPlan(ctx, read, {}));
        sentence = std::move(read);
    });
    return sentence;
}

QString keyOf(const ListSentence& sentence)
{
    if (!sentence.spelled.isEmpty()) return sentence.spelled;
    const bool cues = std::any_of(sentence.starts.cbegin(), sentence.starts.cend(),
                                  [](const QString& start) { return start.size() > 1; });
    return sentence.starts.join(cues ? QStringLiteral(" ") : QString());
}

std::optional<QStringList> otherWordsFor(command::CommandContext& ctx, const ListSentence& sentence,
                                         int index)
{
    command::StepTrap trap(ctx, kSentenceModule, QStringLiteral("lstWords_ContextMenu"));
    std::optional<QStringList> offered;
    trap.step(100, [&] {
        const QString& start = sentence.starts[index];
        const QStringList used = sentence.words + sentence.avoid;
        // Enough words that eight remain once those already used are passed over.
        const auto passed = std::count_if(used.cbegin(), used.cend(), [&](const QString& word) {
            return word.startsWith(start, Qt::CaseInsensitive);
        });
        QString letters;
        for (const QString& s : sentence.starts) letters += s.front();
        QStringList words = generation::fetchOtherWords(
            ctx.httpClient(), ctx.serviceHost(), serviceAddress(ctx), letters, index,
            static_cast<int>(
                std::min<qsizetype>(kOtherWords + passed, generation::kMostOtherWords)),
            std::nullopt, start);
        words.removeIf([&](const QString& word) {
            return used.contains(word, Qt::CaseInsensitive) ||
                   !word.startsWith(start, Qt::CaseInsensitive);
        });
        offered = words.mid(0, kOtherWords);
    });
    return offered;
}

void chooseWord(ListSentence& sentence, int index, const QString& word)
{
    QStringList tokens = sentenceTokens(sentence.sentence);
    tokens[index] = word + tokens[index].mid(sentence.words[index].size());
    sentence.sentence = tokens.join(QLatin1Char(' '));
    sentence.words[index] = word;
}

bool drawAgain(command::CommandContext& ctx, ListSentence& sentence, const QList<bool>& kept)
{
    command::StepTrap trap(ctx, kSentenceModule, QStringLiteral("cmdDrawAgain_Click"));
    return command::attempt(trap, 100, [&] {
        ListSentence drawn = sentence;
        takePlan(drawn, askPlan(ctx, sentence, keptWords(sentence, kept)));
        sentence = std::move(drawn);
    });
}

void copyListSentence(command::CommandContext& ctx, const ListSentence& sentence)
{
    command::StepTrap trap(ctx, kSentenceModule, QStringLiteral("cmdCopy_Click"));
    trap.step(100, [&] { placeSentence(ctx.clipboard(), sentence.sentence); });
}

namespace {

// The items in order: order[i] is the index of the item that goes to i.
template <class T>
QList<T> reordered(const QList<T>& entries, const QList<qsizetype>& order)
{
    QList<T> out;
    for (const qsizetype i : order) out.append(entries[i]);
    return out;
}

}  // namespace

bool setAnyOrder(command::CommandContext& ctx, ListSentence& sentence, QList<bool>& kept,
                 bool anyOrder)
{
    command::StepTrap trap(ctx, kSentenceModule, QStringLiteral("chkAnyOrder_Click"));
    QList<qsizetype> order(sentence.items.size());
    std::iota(order.begin(), order.end(), 0);
    ListSentence next = sentence;
    next.spelled.clear();
    if (anyOrder) {
        const generation::SpellingOrder spelling = generation::orderThatSpells(sentence.starts);
        order = spelling.order;
        next.spelled = spelling.key;
    } else {
        std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            return sentence.positions[a] < sentence.positions[b];
        });
    }
    next.items = reordered(sentence.items, order);
    next.positions = reordered(sentence.positions, order);
    next.starts = reordered(sentence.starts, order);
    next.words = reordered(sentence.words, order);
    const QList<bool> nextKept = reordered(kept, order);
    const QStringList keep = keptWords(next, nextKept);
    if (!command::attempt(trap, 100, [&] { takePlan(next, askPlan(ctx, next, keep)); }))
        return false;
    sentence = std::move(next);
    kept = nextKept;
    return true;
}

output::StudyList studyListOf(const ListSentence& sentence)
{
    output::StudyList list{
        output::listTitle({}, sentence.items), keyOf(sentence), sentence.sentence, {}};
    for (qsizetype i = 0; i < sentence.items.size(); ++i) {
        list.items.append({sentence.items[i], sentence.starts[i], sentence.words[i]});
    }
    return list;
}

namespace {

// Asks for a path with filter and writes there what write puts on the stream, under
// procedure's steps: 106 to 116 ask, 118 finds the user cancelled, 120 writes.
void saveList(command::CommandContext& ctx, const QString& procedure, const QString& filter,
              const std::function<void(platform::TextStream&)>& write)
{
    command::StepTrap trap(ctx, kSentenceModule, procedure);
    const QString path = output::askSavePath(ctx, trap, filter);
    if (trap.test(118, [&] { return path.isEmpty(); })) return;
    trap.step(120, [&] {
        const std::unique_ptr<platform::TextStream> stream = ctx.textFiles().createTextFile(path);
        write(*stream);
        stream->close();
    });
}

}  // namespace

void saveListFlashcards(command::CommandContext& ctx, const ListSentence& sentence)
{
    saveList(ctx, QStringLiteral("cmdSaveFlashcards_Click"), {}, [&](platform::TextStream& file) {
        output::FlashcardWriter cards(output::kDefaultDeck, file);
        cards.writeList(studyListOf(sentence));
        cards.finish();
    });
}

void saveStudySheet(command::CommandContext& ctx, const ListSentence& sentence,
                    const std::function<QByteArray(const output::StudyList&)>& pdf)
{
    saveList(ctx, QStringLiteral("cmdSaveSheet_Click"),
             QStringLiteral("PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*|"),
             [&](platform::TextStream& file) { file.writeBytes(pdf(studyListOf(sentence))); });
}

}  // namespace lexiquill::menu
