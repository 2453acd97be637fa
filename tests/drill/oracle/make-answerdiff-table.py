#!/usr/bin/env python3
"""Writes the answer diff's test table (../answerdiff-oracle.json) with Python's difflib.

Regenerate with any Python 3 (difflib is in its standard library):
    python3 make-answerdiff-table.py > ../answerdiff-oracle.json

Each case is the typed answer, the right one, and the spans difflib.SequenceMatcher(None,
answer, reference) finds: "wrong", the answer's side of its replace and delete opcodes, and
"missing", the reference's side of its replace and insert opcodes, as [from, length] in UTF-16
units, touching spans joined.
"""

import difflib
import json
import random


def utf16(text, index):
    return len(text[:index].encode("utf-16-le")) // 2


def spans(text, ranges):
    out = []
    for start, end in ranges:
        if start == end:
            continue
        frm, length = utf16(text, start), utf16(text, end) - utf16(text, start)
        if out and out[-1][0] + out[-1][1] == frm:
            out[-1][1] += length
        else:
            out.append([frm, length])
    return out


def case(name, answer, reference):
    ops = difflib.SequenceMatcher(None, answer, reference).get_opcodes()
    return {
        "name": name,
        "answer": answer,
        "reference": reference,
        "wrong": spans(answer, [(i1, i2) for tag, i1, i2, _, _ in ops if tag in ("replace", "delete")]),
        "missing": spans(reference, [(j1, j2) for tag, _, _, j1, j2 in ops if tag in ("replace", "insert")]),
    }


def differs_without_autojunk(answer, reference):
    with_rule = difflib.SequenceMatcher(None, answer, reference).get_opcodes()
    without = difflib.SequenceMatcher(None, answer, reference, autojunk=False).get_opcodes()
    return with_rule != without


# Sentences a learner types; the long ones are made of these words, drawn from a fixed sequence.
WORDS = ("the a of to and in is it you that he was for on are with as I his they be at one "
         "have this from or had by hot word but what some we can out other were all there when "
         "station train morning tomorrow weather umbrella breakfast").split()
rng = random.Random(20261207)


def sentence(length):
    words = []
    while len(" ".join(words)) < length:
        words.append(rng.choice(WORDS))
    text = " ".join(words)[:length - 1].rstrip() + "."
    return text[0].upper() + text[1:]


def typo(text, edits):
    chars = list(text)
    for _ in range(edits):
        at = rng.randrange(len(chars))
        kind = rng.randrange(3)
        if kind == 0:
            chars[at] = rng.choice("abcdefghijklmnopqrstuvwxyz ")
        elif kind == 1:
            del chars[at]
        else:
            chars.insert(at, rng.choice("etaoin "))
    return "".join(chars)


def typo_the_rule_changes(text, edits):
    while True:
        typed = typo(text, edits)
        if differs_without_autojunk(typed, text):
            return typed


long250 = sentence(250)
long600 = sentence(600)
cases = [
    case("ascii word", "I goes to school.", "I go to school."),
    case("ascii identical", "Thank you very much.", "Thank you very much."),
    case("ascii all different", "xyz", "abc"),
    case("ascii extra word", "Could you you help me?", "Could you help me?"),
    case("ascii swapped words", "Where station is the?", "Where is the station?"),
    case("case difference", "thank You.", "Thank you."),
    case("repeated letters", "aaaa", "aa"),
    case("crossed pairs", "abab", "baba"),
    case("japanese one kanji", "私は学生です。", "私は先生です。"),
    case("japanese kana for kanji", "わたしは先生です。", "私は先生です。"),
    case("japanese missing particle", "駅どこですか。", "駅はどこですか。"),
    case("japanese missing full stop", "ありがとうございます", "ありがとうございます。"),
    case("full-width for half-width", "ＡＢＣ１２３", "ABC123"),
    case("full-width digits in text", "I am ２５ years old.", "I am 25 years old."),
    case("full-width space", "Good　morning.", "Good morning."),
    case("missing final full stop", "See you tomorrow", "See you tomorrow."),
    case("trailing space", "Good morning. ", "Good morning."),
    case("leading space", " Good morning.", "Good morning."),
    case("line break for space", "Nice to\nmeet you.", "Nice to meet you."),
    case("crlf against lf", "one\r\ntwo", "one\ntwo"),
    case("emoji replaced", "I love 🍣!", "I love 🍜!"),
    case("emoji missing", "Well done", "Well done 👍"),
    case("emoji with modifier", "👍🏽 ok", "👍 ok"),
    case("supplementary kanji", "𠮷野家で食べた。", "吉野家で食べた。"),
    case("surrogate pairs only", "𝐀𝐁𝐂", "𝐀𝐂𝐃"),
    case("empty answer", "", "Excuse me."),
    case("empty reference", "Excuse me.", ""),
    case("both empty", "", ""),
    case("long identical", long250, long250),
    case("long with typos", typo_the_rule_changes(long250, 6), long250),
    case("long answer short reference", long250, "The station."),
    case("long longer with typos", typo(long600, 15), long600),
    case("long japanese", typo("今日はとても良い天気ですね。" * 18, 0)[:-3] + "雨ですね。",
         "今日はとても良い天気ですね。" * 18),
]
# The 200-character rule must show in the table, or it is untested.
assert any(differs_without_autojunk(c["answer"], c["reference"]) for c in cases
           if len(c["reference"]) >= 200), "no long case where the automatic junk rule matters"

print("[")
print(",\n".join(json.dumps(c, ensure_ascii=False) for c in cases))
print("]")
