#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "cli/result_writer.h"

class QCommandLineParser;

namespace lexiquill::cli {

enum class Mode { Acronyms, Mnemonics };

// What a command-line run is asked to do.
struct Options {
    Mode mode = Mode::Acronyms;
    Format format = Format::Tsv;
    bool sentence = false;
    bool acrostic = false;
    bool cues = false;      // with acrostic: starts of two or three letters for shared initials
    bool anyOrder = false;  // with acrostic: the order that spells a word
    QString sheet;          // with acrostic: where the study sheet goes; empty: none
    bool quiet = false;
    std::optional<quint64> seed;
    QStringList files;  // none: standard input
    QString deck;       // the deck of --format cards
};

// The one file the phrases come from, if they come from one: it names the list.
QString listFile(const Options& options);

// Adds the command line's options (--acronyms, --mnemonics, --format, --sentence,
// --acrostic, --cues, --any-order, --sheet, --seed, --deck, --quiet) and its FILE
// arguments to parser.
void addOptions(QCommandLineParser& parser);

// What the parsed arguments ask for: a command-line run, the window (when neither
// --acronyms nor --mnemonics is given, nor anything only they take), or a usage error.
struct Choice {
    std::optional<Options> runWithoutWindow;  // none: the window
    QString usageError;
};
Choice readOptions(const QCommandLineParser& parser);

}  // namespace lexiquill::cli
