#!/usr/bin/python3
"""How mnemonic pages read: over 1,000 random phrases (the same ones on every run), the words
repeated within a page and the plural nouns drawn, from a real service on loopback.

  bench/mnemonic_pages_bench.py [path/to/lexiquill-mnemonic-service] [word list it embeds]

Defaults: build/src/lexiquill-mnemonic-service and data/mnemonic-words.txt. The word list
tells which words are nouns; WordNet (wordnet-base) tells which of them are plurals. Compare
an older build with `git show OLD:data/mnemonic-words.txt > old.txt`.
"""
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


def phrase_shape(count):
    """The service's parts of speech for a phrase of `count` letters."""
    if count <= 2:
        return "nv"[:count]
    shape, left = "", count
    while left:
        step = {4: "aanv", 2: "nv"}.get(left, "anv")
        shape, left = shape + step, left - len(step)
    return shape


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    service = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build/src/lexiquill-mnemonic-service")
    listing = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "data/mnemonic-words.txt")
    listed = collections.defaultdict(set)
    with open(listing, encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                part, word = line.split()
                listed[word[0]].add(word)
                if part == "noun":
                    listed["nouns"].add(word)
    sizes = words.scowl_sizes()
    plurals = collections.defaultdict(list)
    for base, forms in words.exceptions("noun").items():
        for form in forms:
            plurals[form].append(base)
    nouns = set()
    with open(os.path.join(words.WORDNET, "index.noun"), encoding="utf-8") as f:
        nouns = {line.split()[0] for line in f if not line.startswith(" ")}

    def is_plural(noun):
        return noun in sizes and any(b in nouns for b in words.singulars(noun, plurals, sizes))

    common = sorted(w for w, size in sizes.items() if size <= 20 and re.fullmatch(r"[a-z]{3,9}", w))
    draw = random.Random(16)
    phrases = [" ".join(draw.choice(common) for _ in range(draw.randint(1, 3))) for _ in range(PHRASES)]

    port = free_port()
    server = subprocess.Popen([service, "--listen", f"127.0.0.1:{port}"])
    try:
        for _ in range(100):
            try:
                urllib.request.urlopen(f"http://127.0.0.1:{port}/healthz").read()
                break
            except OSError:
                time.sleep(0.05)
        repeats = repeats_avoidable = pages_with_repeat = plural_nouns = letters = 0
        for seed, phrase in enumerate(phrases):
            url = f"http://127.0.0.1:{port}/mnemonics/?w={phrase.replace(' ', '+')}&seed={seed}"
            page = urllib.request.urlopen(url).read().decode()
            drawn = [(m[0] + m[1]).lower() for m in re.findall(r"<big>([A-Z])</big>([a-z]*)<br>", page)]
            letters += len(drawn)
            counts = collections.Counter(drawn)
            extra = sum(n - 1 for n in counts.values())
            repeats += extra
            repeats_avoidable += sum(n - 1 for w, n in counts.items() if len(listed[w[0]]) >= 20)
            pages_with_repeat += extra > 0
            for word, part in zip(drawn, phrase_shape(len(drawn))):
                plural_nouns += part == "n" and word in listed["nouns"] and is_plural(word)
    finally:
        server.terminate()
        server.wait()
    print(f"pages {PHRASES}")
    print(f"letters_per_page {letters / PHRASES:.1f}")
    print(f"repeated_words_per_page {repeats / PHRASES:.3f}")
    print(f"repeated_words_per_page_letters_with_20_words {repeats_avoidable / PHRASES:.3f}")
    print(f"pages_with_a_repeated_word {pages_with_repeat}")
    print(f"plural_nouns {plural_nouns}")
    print(f"plural_nouns_per_page {plural_nouns / PHRASES:.3f}")


if __name__ == "__main__":
    main()
