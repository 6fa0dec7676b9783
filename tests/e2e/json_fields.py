#!/usr/bin/python3
"""Reads the converter's --json output (JSON Lines) from standard input with Python's json module
and prints every field of every line as "INDEX KEY VALUE", texts turned back into their bytes
(surrogateescape) and shown in hexadecimal, so that a test can compare them with the reports. The keys must be
the converter's, in its order.
"""
import json
import sys

KEYS = ["input", "midi", "status", "reason", "warnings", "title", "composer", "performer", "roll_number",
        "roll_type", "manufacturer", "tempo", "steps_per_inch", "annotations", "events", "notes",
        "seconds"]


def text(value):
    if value is None:
        return "null"
    return "hex:" + value.encode("utf-8", "surrogateescape").hex()


def main():
    # The output itself is valid UTF-8: other bytes of the texts are escapes in it.
    for index, line in enumerate(sys.stdin.buffer.read().decode("utf-8").split("\n")):
        if not line:
            continue
        record = json.loads(line)
        # With --picture, --audio and --expression, their keys follow "midi" (--expression's
        # two: "expression" and "profile").
        extra = [key for key in ("picture", "audio", "expression", "profile") if key in record]
        keys = KEYS[:2] + extra + KEYS[2:]
        if list(record) != keys:
            print(index, "keys", ",".join(record))
            continue
        for key in keys:
            value = record[key]
            if key == "annotations":
                pairs = [text(k) + "=" + text(v) for k, v in value]
                print(index, key, ";".join(pairs))
            elif key == "warnings":
                print(index, key, ";".join(text(w) for w in value))
            elif isinstance(value, str) or value is None:
                print(index, key, text(value))
            else:
                print(index, key, repr(value))


main()
