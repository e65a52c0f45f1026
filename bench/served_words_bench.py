#!/usr/bin/python3
"""Words served twice, and the other words a letter offers, from a real service on loopback and
the real command line:

- pages with a repeated word over 1,000 pages of 24 random letters (seeds 1 to 1,000), and
  how many of them repeat a word where the letter's whole list was not used up;
- `lexiquill --mnemonics --acrostic` over 1,000 lists of 12 phrases whose initials repeat, and
  `--sentence` over 1,000 phrases with repeated letters: sentences holding a word twice;
- for every letter A to Z at every place of the sentence pattern (adjective, noun, verb), the
  words of that part of speech GET /mnemonics/words offers besides the row's own, where fewer
  than 8, with what the list holds;
- the share of the 2- and 3-letter starts of bench/data/science-terms.txt that have a word
  (GET /mnemonics/words with start=).

  bench/served_words_bench.py [build folder] [word list it embeds]

Defaults: build and data/mnemonic-words.txt. Compare an older build with its own list
(`git show OLD:data/mnemonic-words.txt > old.txt`).
"""
import collections
import json
import os
import random
import re
import socket
import subprocess
import sys
import time
import urllib.parse
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
PARTS = ("adjective", "noun", "verb")
OTHER_WORDS = 8


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def get(base, path):
    with urllib.request.urlopen(base + path) as answer:
        return answer.read().decode()


def read_list(path):
    """part -> letter -> number of words; word -> parts."""
    counts = {part: collections.Counter() for part in PARTS}
    parts = collections.defaultdict(set)
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                part, word = line.split()[:2]
                counts[part][word[0]] += 1
                parts[word].add(part)
    return counts, parts


def repeated(words):
    return len(set(w.lower() for w in words)) < len(words)


def pages_with_repeats(base, whole_list):
    draw = random.Random(24)
    pages = avoidable = 0
    for seed in range(1, 1001):
        letters = "".join(draw.choice(LETTERS) for _ in range(24))
        page = get(base, f"/mnemonics/?w={letters}&seed={seed}")
        words = [m[0] + m[1] for m in re.findall(r"<big>([A-Z])</big>([a-z]*)<br>", page)]
        if repeated(words):
            pages += 1
            counts = collections.Counter(letters)
            avoidable += any(counts[l] <= whole_list(l) for l in counts
                             if repeated([w for w in words if w[0] == l]))
    return pages, avoidable


def sentences_with_repeats(program, base):
    """Acrostics of lists with repeated initials, one run each, and sentences of phrases with
    repeated letters, in one run."""
    common = sorted({line.split()[1] for line in open(os.path.join(ROOT, "data/mnemonic-words.txt"))
                     if not line.startswith("#")})
    draw = random.Random(27)
    acrostics = 0
    started = time.monotonic()
    for _ in range(1000):
        # Six initials for twelve phrases: every list repeats some.
        initials = draw.sample(LETTERS.lower(), 6)
        phrases = [draw.choice([w for w in common if w[0] == draw.choice(initials)] or common)
                   for _ in range(12)]
        out = subprocess.run([program, "--mnemonics", "--acrostic", "--quiet", "--service", base],
                             input="\n".join(phrases) + "\n", capture_output=True, text=True,
                             check=True).stdout
        acrostics += repeated(out.split("\t")[1].split())
    acrostic_seconds = time.monotonic() - started
    with_repeats = [w for w in common if len(set(w)) < len(w)]
    phrases = [" ".join(draw.choice(with_repeats) for _ in range(2)) for _ in range(1000)]
    out = subprocess.run([program, "--mnemonics", "--sentence", "--quiet", "--service", base],
                         input="\n".join(phrases) + "\n", capture_output=True, text=True,
                         check=True).stdout
    lines = out.splitlines()
    sentences = sum(repeated(line.split("\t")[1].split()) for line in lines)
    return acrostics, acrostic_seconds, len(lines), sentences


def other_words(base, counts, parts):
    """(letter, part, words of that part besides the row's own, what the list holds) where
    fewer than OTHER_WORDS."""
    short = []
    for letter in LETTERS:
        for at, part in enumerate(PARTS, start=1):
            answer = json.loads(get(base, f"/mnemonics/words?w={letter * 3}&at={at}&n=50"))
            assert answer["part"] == part
            fitting = [w for w in answer["words"] if part in parts[w.lower()]]
            if len(fitting) - 1 < OTHER_WORDS:
                short.append((letter, part, max(len(fitting) - 1, 0), counts[part][letter.lower()],
                              len(answer["words"])))
    return short


def start_coverage(base):
    with open(os.path.join(ROOT, "bench/data/science-terms.txt"), encoding="utf-8") as f:
        terms = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    shares = {}
    for length in (2, 3):
        starts = sorted({t[:length].lower() for t in terms if re.fullmatch(r"[A-Za-z]+", t[:length])
                         and len(t) >= length})
        missing = []
        for start in starts:
            answer = json.loads(get(base, f"/mnemonics/words?w={start}&at=1&n=1&start={start}"))
            if not answer["words"]:
                missing.append(start)
        shares[length] = (len(starts) - len(missing), len(starts), missing)
    return shares


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    listing = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "data/mnemonic-words.txt")
    counts, parts = read_list(listing)
    # The words a page may draw for a letter (the list's lines without a third field).
    with open(listing, encoding="utf-8") as f:
        page_words = {fields[1] for fields in map(str.split, f) if len(fields) == 2 and fields[0] != "#"}
    per_letter = collections.Counter(w[0].upper() for w in page_words)

    port = free_port()
    base = f"http://127.0.0.1:{port}"
    server = subprocess.Popen([os.path.join(build, "src/lexiquill-mnemonic-service"),
                               "--listen", f"127.0.0.1:{port}"])
    try:
        for _ in range(100):
            try:
                get(base, "/healthz")
                break
            except OSError:
                time.sleep(0.05)
        pages, avoidable = pages_with_repeats(base, lambda letter: per_letter[letter])
        print(f"pages_of_24_random_letters 1000")
        print(f"pages_with_a_repeated_word {pages}")
        print(f"pages_with_a_repeated_word_before_the_letter_was_used_up {avoidable}")
        acrostics, seconds, lines, sentences = sentences_with_repeats(
            os.path.join(build, "src/lexiquill"), base)
        print(f"acrostics_of_lists_with_repeated_initials 1000 ({seconds:.0f} s)")
        print(f"acrostics_with_a_repeated_word {acrostics}")
        print(f"sentences_of_phrases_with_repeated_letters {lines}")
        print(f"sentences_with_a_repeated_word {sentences}")
        short = other_words(base, counts, parts)
        print(f"letter_places_with_fewer_than_{OTHER_WORDS}_other_words_of_their_part {len(short)} of 78")
        for letter, part, fitting, listed, served in short:
            print(f"  {letter} {part}: {fitting} others of the part ({listed} in the list), "
                  f"{served} served with the letter's other words")
        for length, (covered, total, missing) in start_coverage(base).items():
            print(f"science_term_starts_of_{length}_letters_with_a_word {covered} of {total} "
                  f"({100 * covered / total:.1f}%); none for: {' '.join(missing)}")
    finally:
        server.terminate()
        server.wait()


if __name__ == "__main__":
    main()
