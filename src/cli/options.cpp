#include "cli/options.h"

#include <QCommandLineParser>
#include <algorithm>
#include <iterator>

#include "output/flashcard_file.h"

namespace lexiquill::cli {

namespace {

const QString kAcronyms = QStringLiteral("acronyms");
const QString kMnemonics = QStringLiteral("mnemonics");
const QString kFormat = QStringLiteral("format");
const QString kSentence = QStringLiteral("sentence");
const QString kAcrostic = QStringLiteral("acrostic");
const QString kSeed = QStringLiteral("seed");
const QString kQuiet = QStringLiteral("quiet");
const QString kCues = QStringLiteral("cues");
const QString kDeck = QStringLiteral("deck");
const QString kAnyOrder = QStringLiteral("any-order");
const QString kSheet = QStringLiteral("sheet");

struct FormatName {
    const char* name;
    Format format;
};
constexpr FormatName kFormats[] = {{"tsv", Format::Tsv},
                                   {"text", Format::Text},
                                   {"csv", Format::Csv},
                                   {"json", Format::Json},
                                   {"cards", Format::Cards}};

Choice usage(const QString& error) { return Choice{std::nullopt, error}; }

}  // namespace

QString listFile(const Options& options)
{
    return options.files.size() == 1 && options.files.front() != QLatin1String("-")
               ? options.files.front()
               : QString();
}

void addOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {kAcronyms, QStringLiteral("Print the acronym of every phrase, without a window.")},
        {kMnemonics, QStringLiteral("Print the mnemonic words of every phrase, without a window.")},
        {kFormat,
         QStringLiteral("Output format: tsv (the default), text (as Save Results To Text File), "
                        "csv, json (JSON Lines) or cards (flashcards to import into Anki)."),
         QStringLiteral("FORMAT")},
        {kSentence, QStringLiteral("With --mnemonics: one line per phrase, its words as a "
                                   "sentence.")},
        {kAcrostic, QStringLiteral("With --mnemonics: one sentence for the whole list, a word "
                                   "for the first letter A to Z of each phrase.")},
        {kCues, QStringLiteral("With --acrostic: phrases that share an initial get words that "
                               "begin with their first two or three letters.")},
        {kAnyOrder, QStringLiteral("With --acrostic: the phrases in the order whose initials "
                                   "spell an English word, or short words, or what reads "
                                   "most like one.")},
        {kSheet,
         QStringLiteral("With --acrostic: also write a study sheet of the list to FILE (PDF)."),
         QStringLiteral("FILE")},
        {kDeck,
         QStringLiteral("With --format cards: the deck the cards go to (default \"%1\").")
             .arg(output::kDefaultDeck),
         QStringLiteral("NAME")},
        {kSeed,
         QStringLiteral("With --mnemonics: the service's reproducible draw N; the same input "
                        "and seed give the same words."),
         QStringLiteral("N")},
        {kQuiet, QStringLiteral("Show no progress line on a terminal.")},
    });
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("With --acronyms or --mnemonics: word-list files, one phrase a line; "
                       "standard input when none is given or FILE is -."),
        QStringLiteral("[FILE...]"));
}

namespace {

// A usage error when the options do not go together in a run without the window, or
// when no such run is asked for and an option or argument would need one.
QString modeError(const QCommandLineParser& parser)
{
    const bool acronyms = parser.isSet(kAcronyms);
    const bool mnemonics = parser.isSet(kMnemonics);
    if (acronyms && mnemonics) {
        return QStringLiteral("--acronyms and --mnemonics cannot be used together");
    }
    for (const QString& option : {kSentence, kAcrostic, kCues, kAnyOrder, kSheet, kSeed}) {
        if (parser.isSet(option) && !mnemonics) {
            return QStringLiteral("--%1 needs --mnemonics").arg(option);
        }
    }
    if (acronyms || mnemonics) return {};
    for (const QString& option : {kFormat, kDeck, kQuiet}) {
        if (parser.isSet(option)) {
            return QStringLiteral("--%1 needs --acronyms or --mnemonics").arg(option);
        }
    }
    if (!parser.positionalArguments().isEmpty()) {
        return QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
    }
    return {};
}

QString readFormat(const QCommandLineParser& parser, Options& options)
{
    if (!parser.isSet(kFormat)) return {};
    const QString name = parser.value(kFormat);
    const auto* found = std::find_if(std::begin(kFormats), std::end(kFormats),
                                     [&](const FormatName& f) { return name == f.name; });
    if (found == std::end(kFormats)) {
        return QStringLiteral("unknown format '%1' (tsv, text, csv, json or cards)").arg(name);
    }
    options.format = found->format;
    return {};
}

// --cues, --any-order and --sheet, which only an acrostic takes.
QString readAcrosticOptions(const QCommandLineParser& parser, Options& options)
{
    for (const QString& option : {kCues, kAnyOrder, kSheet}) {
        if (parser.isSet(option) && !options.acrostic) {
            return QStringLiteral("--%1 needs --acrostic").arg(option);
        }
    }
    options.cues = parser.isSet(kCues);
    options.anyOrder = parser.isSet(kAnyOrder);
    options.sheet = parser.value(kSheet);
    if (parser.isSet(kSheet) && options.sheet.isEmpty())
        return QStringLiteral("--sheet needs a file name");
    return {};
}

QString readDeck(const QCommandLineParser& parser, Options& options)
{
    options.deck = output::kDefaultDeck;
    if (!parser.isSet(kDeck)) return {};
    if (options.format != Format::Cards) return QStringLiteral("--deck needs --format cards");
    options.deck = parser.value(kDeck);
    const QString problem = output::deckNameProblem(options.deck);
    return problem.isEmpty() ? QString() : QStringLiteral("--deck: the deck name ") + problem;
}

QString readSeed(const QCommandLineParser& parser, Options& options)
{
    if (!parser.isSet(kSeed)) return {};
    bool ok = false;
    const QString text = parser.value(kSeed);
    const quint64 seed = text.toULongLong(&ok);
    // toULongLong also takes a sign and blanks; the service takes digits only.
    if (!ok || text.isEmpty() ||
        !std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return QStringLiteral("--seed needs a whole number, not '%1'").arg(text);
    }
    options.seed = seed;
    return {};
}

}  // namespace

Choice readOptions(const QCommandLineParser& parser)
{
    if (const QString error = modeError(parser); !error.isEmpty()) return usage(error);
    if (!parser.isSet(kAcronyms) && !parser.isSet(kMnemonics)) return {};
    Options options;
    options.mode = parser.isSet(kAcronyms) ? Mode::Acronyms : Mode::Mnemonics;
    options.sentence = parser.isSet(kSentence);
    options.acrostic = parser.isSet(kAcrostic);
    options.quiet = parser.isSet(kQuiet);
    options.files = parser.positionalArguments();
    for (const auto read : {readFormat, readAcrosticOptions, readDeck, readSeed}) {
        if (const QString error = read(parser, options); !error.isEmpty()) return usage(error);
    }
    return Choice{options, QString()};
}

}  // namespace lexiquill::cli
