"""Reads one vCard from standard input with vobject, an independent parser, and prints the
fields the tests compare as JSON."""
import json
import sys

import vobject


def first_value(card, name):
    found = card.contents.get(name, [])
    return found[0].value if found else None


def main():
    text = sys.stdin.buffer.read().decode("utf-8")
    card = vobject.readOne(text)
    name = card.n.value
    org = first_value(card, "org")  # a list of organisational units
    adr = card.contents.get("adr", [])
    tel = card.contents.get("tel", [])
    fields = {
        "version": first_value(card, "version"),
        "family": name.family,
        "given": name.given,
        "fn": first_value(card, "fn"),
        "org": org,
        "title": first_value(card, "title"),
        "mobile": tel[0].value if tel else None,
        "mobileType": ",".join(tel[0].params.get("TYPE", [])) if tel else None,
        "email": first_value(card, "email"),
        "street": adr[0].value.street if adr else None,
        "adrType": ",".join(adr[0].params.get("TYPE", [])) if adr else None,
        "note": first_value(card, "note"),
    }
    json.dump(fields, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
