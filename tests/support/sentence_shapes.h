#pragma once

// English sentence shapes as a reader knows them, apart from the service's own grammar.

#include <regex>
#include <string>
#include <string_view>

// One letter per part: determiner or possessive D, adjective J, noun N, verb V, pronoun R, adverb
// B, preposition P, conjunction C, interjection I; '?' for anything else.
inline char partLetter(std::string_view part)
{
    static constexpr std::pair<std::string_view, char> kLetters[] = {
        {"determiner", 'D'},  {"possessive", 'D'},  {"adjective", 'J'}, {"noun", 'N'},
        {"verb", 'V'},        {"pronoun", 'R'},     {"adverb", 'B'},    {"preposition", 'P'},
        {"conjunction", 'C'}, {"interjection", 'I'}};
    for (const auto& [name, letter] : kLetters) {
        if (name == part) return letter;
    }
    return '?';
}

// Whether one sentence's letters, with its commas and without its full stop, read as a subject,
// a verb and what follows it (or a verb first, "Eat Apples", after whom it speaks to and a
// comma, "Kings, Play Chess"), clauses joined by a comma and a conjunction, an interjection and
// a comma before them.
inline bool readsAsSentence(const std::string& letters)
{
    static const std::string np = "(D?(B?J)*N?N|R)";
    static const std::string rest = "(R?" + np + ")?(P" + np + ")*";
    static const std::string clause = np + "B?V" + rest;
    static const std::regex shape("(I,)?(" + clause + "|(" + np + ",)?V" + rest + ")(,C" + clause +
                                  ")*");
    return std::regex_match(letters, shape);
}
