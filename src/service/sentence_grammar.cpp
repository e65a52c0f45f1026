#include "service/sentence_grammar.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <unordered_map>

namespace lexiquill::service {

namespace {

// Sentences of subject, verb and object, a phrase with a preposition after them, a clause
// joined by a conjunction; words of grammar where the letters call for them, content words
// wherever they fit. The scores weigh content words over words of grammar, and a sentence
// ending after its object or its phrase over one that stops short.
constexpr std::string_view kEnglish = R"(
start S

slot det.sg     determiner  base   +singular                      0.85
slot det.pl     determiner  base   +plural                        0.85
slot det.all    determiner  base   -singular -plural              0.85
slot poss       possessive  base                                  0.9
slot adj        adjective   base                                  0.8
slot degree     adverb      base   +degree                        0.5
slot adv        adverb      base   -degree                        0.6
slot noun.sg.an noun        base   +plural= +kind=person|kind=animal  1
slot noun.pl.an noun        plural +kind=person|kind=animal           1
slot noun.sg.th noun        base   +plural= +kind=artifact|kind=food|kind=plant|kind=object|kind=location|kind=body|kind=substance  1
slot noun.pl.th noun        plural +kind=artifact|kind=food|kind=plant|kind=object|kind=location|kind=body|kind=substance  1
slot noun.mass  noun        base   -plural= +kind=artifact|kind=food|kind=plant|kind=object|kind=location|kind=body|kind=substance  0.9
slot noun.sg    noun        base   +plural=                       1
slot noun.mod   noun        base   +kind=artifact|kind=food|kind=plant|kind=object|kind=location|kind=body|kind=substance  0.7
slot noun.pl    noun        plural                                1
slot verb.sg.tr  verb        s      +transitive                    1
slot verb.pl.tr  verb        base   +transitive                    1
slot verb.sg.in.an  verb    s      +intransitive                  1
slot verb.pl.in.an  verb    base   +intransitive                  1
slot verb.sg.in.th  verb    s      +intransitive -animate         1
slot verb.pl.in.th  verb    base   +intransitive -animate         1
slot verb.now.tr    verb    base   +transitive                    0.8
slot verb.now.in    verb    base   +intransitive                  0.8
slot pron.sg    pronoun     base   +subject +singular             0.7
slot pron.pl    pronoun     base   +subject +plural               0.7
slot pron.obj   pronoun     base   +object                        0.7
slot prep       preposition base !of !until !during !unlike !via !about  0.8
slot prep.of    preposition base =of                              0.6
slot conj       conjunction base                                  0.5
slot interj     interjection base                                 -0.5

next determiner an

# The subject: [determiner or possessive] [[very] adjective] noun; a plural or mass noun
# without a determiner; a pronoun. After an interjection or a conjunction the same.
step S interj, S.i 0
step {S|S.i|S.c} det.{sg|pl|all} SD.{sg|pl|all} 0
step {S|S.i|S.c} poss SD.all 0.2
step {S|S.i|S.c} adj SA 0
step {S|S.i|S.c} degree SA.d -0.2
step {S|S.i|S.c} noun.pl.{an|th} SN.pl.{an|th} 0
step {S|S.i|S.c} noun.mass SN.sg.th -0.2
step {S|S.i|S.c} pron.{sg|pl} SN.{sg|pl}.an 0
step SD.{sg|pl|all} adj SDA.{sg|pl|all} 0
step SDA.{sg|pl|all} adj SDA2.{sg|pl|all} -0.5
step SD.{sg|pl|all} degree SDD.{sg|pl|all} -0.2
step SDD.{sg|pl|all} adj SDA.{sg|pl|all} 0.3
step {SD|SDA|SDA2}.sg noun.sg.{an|th} SN.sg.{an|th} 0
step {SD|SDA|SDA2}.pl noun.pl.{an|th} SN.pl.{an|th} 0
step {SD|SDA|SDA2}.all noun.{sg|pl}.{an|th} SN.{sg|pl}.{an|th} 0
step {SD|SDA|SDA2}.all noun.mass SN.sg.th 0
step SA adj SA2 -0.5
step SA.d adj SA 0.3
step {SA|SA2} noun.pl.{an|th} SN.pl.{an|th} 0
step {SA|SA2} noun.mass SN.sg.th 0
# A noun before the noun says what it is made of or for ("Glass Sets").
step {SD|SDA|SDA2}.{sg|pl|all} noun.mod SM.{sg|pl|all} -0.3
step {S|S.i|S.c|SA|SA2} noun.mod SM.bare -0.3
step SM.{sg|pl} noun.{sg|pl}.{an|th} SN.{sg|pl}.{an|th} 0
step SM.all noun.{sg|pl}.{an|th} SN.{sg|pl}.{an|th} 0
step SM.bare noun.pl.{an|th} SN.pl.{an|th} 0
step SM.{all|bare} noun.mass SN.sg.th 0
end SN.{sg|pl}.{an|th} -8

# The verb agrees with its subject. People and animals do things to things; a thing does what
# a verb of things says ("Bells Ring"); or a sentence begins with the verb ("Eat Apples").
step SN.{sg|pl}.{an|th} adv SV.{sg|pl}.{an|th} -0.1
step {SN|SV}.{sg|pl}.an verb.{sg|pl}.tr VT 0
step {SN|SV}.{sg|pl}.{an|th} verb.{sg|pl}.in.{an|th} VI 0
step {S|S.i} verb.now.tr VT -0.6
step {S|S.i} verb.now.in VI -0.8
# Whom the sentence speaks to, then what they are to do ("Kings, Play Chess").
step SN.{sg|pl}.an ,verb.now.tr VT -1.5
step SN.{sg|pl}.an ,verb.now.in VI -1.7

# The object ("Chess", "Us Nachos") and the noun of a phrase with a preposition ("On Fine
# Glass"): a thing one can picture.
step VT pron.obj VO 0
end VO -1.8
step {VT|VO|PR} det.{sg|pl|all} OD.{sg|pl|all} 0
step {VT|VO|PR} poss OD.all 0.2
step {VT|VO|PR} adj OA 0
step {VT|VO|PR} degree OA.d -0.2
step {VT|VO|PR} noun.{pl|mass} ON 0
step {VT|VO|PR} noun.mod OM.bare -0.3
step OD.{sg|pl|all} adj ODA.{sg|pl|all} 0
step ODA.{sg|pl|all} adj ODA2.{sg|pl|all} -0.5
step OD.{sg|pl|all} degree ODD.{sg|pl|all} -0.2
step ODD.{sg|pl|all} adj ODA.{sg|pl|all} 0.3
step {OD|ODA|ODA2}.sg noun.sg ON 0
step {OD|ODA|ODA2}.pl noun.pl ON 0
step {OD|ODA|ODA2}.all noun.{sg|pl|mass} ON 0
step OA adj OA2 -0.5
step OA.d adj OA 0.3
step {OA|OA2} noun.{pl|mass} ON 0
step {OD|ODA|ODA2}.{sg|pl|all} noun.mod OM.{sg|pl|all} -0.3
step {OA|OA2} noun.mod OM.bare -0.3
step OM.{sg|pl} noun.{sg|pl} ON 0
step OM.all noun.{sg|pl|mass} ON 0
step OM.bare noun.{pl|mass} ON 0

# What may follow: a phrase with a preposition, another clause after a comma.
step {VI|ON} prep PR -0.3
step ON prep.of PR -0.6
step {VI|ON} ,conj S.c -1.2
end VI -2.4
end ON -1.0
)";

[[noreturn]] void fail(std::string_view line, std::string_view why)
{
    throw std::invalid_argument("grammar line \"" + std::string(line) + "\": " + std::string(why));
}

// The line once for each choice of its "{a|b}" groups; groups written alike choose together.
std::vector<std::string> expand(std::string_view line)
{
    const std::size_t open = line.find('{');
    if (open == std::string_view::npos) return {std::string(line)};
    const std::size_t close = line.find('}', open);
    if (close == std::string_view::npos) fail(line, "a \"{\" without its \"}\"");
    const std::string_view group = line.substr(open, close - open + 1);
    std::vector<std::string> lines;
    std::string_view choices = group.substr(1, group.size() - 2);
    while (true) {
        const std::string_view choice = choices.substr(0, choices.find('|'));
        std::string chosen(line);
        for (std::size_t at = chosen.find(group); at != std::string::npos;
             at = chosen.find(group, at + choice.size())) {
            chosen.replace(at, group.size(), choice);
        }
        for (std::string& expanded : expand(chosen)) lines.push_back(std::move(expanded));
        if (choice.size() == choices.size()) return lines;
        choices.remove_prefix(choice.size() + 1);
    }
}

std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const std::size_t begin = line.find_first_not_of(' ');
        if (begin == std::string_view::npos) break;
        line.remove_prefix(begin);
        const std::size_t end = line.find(' ');
        fields.push_back(line.substr(0, end));
        line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    }
    return fields;
}

float numberOf(std::string_view line, std::string_view text)
{
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) fail(line, "not a score");
    return value;
}

WordTraits traitsOf(std::string_view line, std::string_view text)
{
    WordTraits traits = 0;
    while (true) {
        const std::string_view name = text.substr(0, text.find('|'));
        const std::optional<WordTraits> trait = traitNamed(name);
        if (!trait) fail(line, "no such field of the word list");
        traits |= *trait;
        if (name.size() == text.size()) return traits;
        text.remove_prefix(name.size() + 1);
    }
}

class GrammarReader {
public:
    Grammar read(std::string_view text);

private:
    int state(std::string_view name);
    void readSlot(std::string_view line, const std::vector<std::string_view>& fields);
    void readStep(std::string_view line, const std::vector<std::string_view>& fields);

    Grammar m_grammar;
    std::unordered_map<std::string, int> m_states;
    std::unordered_map<std::string, int> m_slots;
};

int GrammarReader::state(std::string_view name)
{
    const auto [found, added] = m_states.try_emplace(std::string(name), m_grammar.states.size());
    if (added) {
        m_grammar.states.emplace_back(name);
        m_grammar.endScore.push_back(Grammar::kNoEnd);
    }
    return found->second;
}

void GrammarReader::readSlot(std::string_view line, const std::vector<std::string_view>& fields)
{
    static constexpr std::string_view kForms[] = {"base", "plural", "s", "past"};
    GrammarSlot slot;
    slot.name = fields[1];
    const std::optional<PartOfSpeech> part = partNamed(fields[2]);
    const auto form = std::find(std::begin(kForms), std::end(kForms), fields[3]);
    if (!part || form == std::end(kForms)) fail(line, "no such part of speech or form");
    slot.part = *part;
    slot.form = static_cast<WordForm>(form - std::begin(kForms));
    for (std::size_t i = 4; i + 1 < fields.size(); ++i) {
        const std::string_view traits = fields[i].substr(1);
        if (fields[i][0] == '=') {
            slot.only.emplace_back(traits);
        } else if (fields[i][0] == '!') {
            slot.never.emplace_back(traits);
        } else if (fields[i][0] == '-') {
            slot.refused |= traitsOf(line, traits);
        } else if (fields[i][0] == '+' && traits.find('|') != std::string_view::npos) {
            slot.anyOf |= traitsOf(line, traits);
        } else if (fields[i][0] == '+') {
            slot.needed |= traitsOf(line, traits);
        } else {
            fail(line, "a trait must begin with + or -, a word with = or !");
        }
    }
    slot.score = numberOf(line, fields.back());
    if (!m_slots.try_emplace(slot.name, m_grammar.wordSlots.size()).second) {
        fail(line, "the slot is named twice");
    }
    m_grammar.wordSlots.push_back(std::move(slot));
}

void GrammarReader::readStep(std::string_view line, const std::vector<std::string_view>& fields)
{
    GrammarStep step;
    std::string_view slot = fields[2];
    if (slot.starts_with(',')) {
        step.before = ',';
        slot.remove_prefix(1);
    }
    if (slot.ends_with(',')) {
        step.after = ',';
        slot.remove_suffix(1);
    }
    const auto found = m_slots.find(std::string(slot));
    if (found == m_slots.end()) fail(line, "no such slot");
    step.from = state(fields[1]);
    step.slot = found->second;
    step.to = state(fields[3]);
    step.score = numberOf(line, fields[4]);
    m_grammar.steps.push_back(step);
}

Grammar GrammarReader::read(std::string_view text)
{
    while (!text.empty()) {
        const std::string_view raw = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(text.size(), raw.size() + 1));
        for (const std::string& line : expand(raw.substr(0, raw.find('#')))) {
            const std::vector<std::string_view> fields = fieldsOf(line);
            if (fields.empty()) continue;
            const std::string_view kind = fields[0];
            if (kind == "start" && fields.size() == 2) {
                m_grammar.start = state(fields[1]);
            } else if (kind == "slot" && fields.size() >= 5) {
                readSlot(line, fields);
            } else if (kind == "step" && fields.size() == 5) {
                readStep(line, fields);
            } else if (kind == "end" && fields.size() == 3) {
                m_grammar.endScore[state(fields[1])] = numberOf(line, fields[2]);
            } else if (kind == "next" && fields.size() == 3 && partNamed(fields[1])) {
                m_grammar.nextRules.push_back({*partNamed(fields[1]), traitsOf(line, fields[2])});
            } else {
                fail(line, "not a line of a grammar");
            }
        }
    }
    std::stable_sort(m_grammar.steps.begin(), m_grammar.steps.end(),
                     [](const GrammarStep& a, const GrammarStep& b) { return a.from < b.from; });
    m_grammar.firstStep.assign(m_grammar.states.size() + 1, 0);
    for (const GrammarStep& step : m_grammar.steps) ++m_grammar.firstStep[step.from + 1];
    for (std::size_t i = 1; i < m_grammar.firstStep.size(); ++i) {
        m_grammar.firstStep[i] += m_grammar.firstStep[i - 1];
    }
    for (int state = 0; const float end : m_grammar.endScore) {
        if (end != Grammar::kNoEnd) m_grammar.endStates.push_back(state);
        ++state;
    }
    return std::move(m_grammar);
}

}  // namespace

Grammar readGrammar(std::string_view text) { return GrammarReader().read(text); }

const Grammar& englishGrammar()
{
    static const Grammar grammar = readGrammar(kEnglish);
    return grammar;
}

}  // namespace lexiquill::service
