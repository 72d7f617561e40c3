#!/usr/bin/env python3
"""Reads the administrative template (ADMX and its en-US ADML) as XML and checks it against the
policy table the code reads (printed by policy_table): every policy writes a value of the table,
under the table's key and of its kind; every value of the table has exactly one policy; every
string and presentation the template names is there. Usage: TABLE_PROGRAM ADMX ADML"""
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
failures = []


def fail(text):
    failures.append(text)


def main(table_program, admx_path, adml_path):
    lines = subprocess.run([table_program], check=True, capture_output=True, text=True).stdout
    rows = [line.split() for line in lines.splitlines() if line.strip()]
    key = rows[0][1]
    table = {name: kind for name, kind in rows[1:]}

    admx = ET.parse(admx_path).getroot()
    adml = ET.parse(adml_path).getroot()
    strings = {s.get("id") for s in adml.iterfind(".//p:stringTable/p:string", NS)}
    presentations = {p.get("id"): p for p in adml.iterfind(".//p:presentationTable/p:presentation", NS)}
    categories = {c.get("name") for c in admx.iterfind(".//p:categories/p:category", NS)}

    def resolves(reference, where):
        match = re.fullmatch(r"\$\((string|presentation)\.([^)]+)\)", reference or "")
        if not match:
            fail(f"{where}: {reference!r} is no string or presentation reference")
        elif match.group(1) == "string" and match.group(2) not in strings:
            fail(f"{where}: no string {match.group(2)}")
        elif match.group(1) == "presentation" and match.group(2) not in presentations:
            fail(f"{where}: no presentation {match.group(2)}")

    for element in admx.iter():
        for attribute in ("displayName", "explainText", "presentation"):
            if element.get(attribute, "").startswith("$("):
                resolves(element.get(attribute), f"{element.tag} {element.get('name') or element.get('id')}")

    written = {}
    for policy in admx.iterfind(".//p:policies/p:policy", NS):
        name = policy.get("name")
        if policy.get("class") != "Machine":
            fail(f"{name}: not a machine policy")
        if policy.get("key") != key:
            fail(f"{name}: key {policy.get('key')!r}, the code reads {key!r}")
        parent = policy.find("p:parentCategory", NS)
        if parent is None or parent.get("ref") not in categories:
            fail(f"{name}: not in a category of the template")
        values = []
        if policy.get("valueName"):
            values.append((policy.get("valueName"), "number"))  # enabled 1, disabled 0
        elements = policy.find("p:elements", NS)
        ids = set()
        for element in (elements if elements is not None else []):
            tag = element.tag.split("}")[1]
            ids.add(element.get("id"))
            if element.get("key", key) != key:
                fail(f"{name}: element {element.get('id')} under another key")
            kind = {"enum": "number", "text": "text", "multiText": "list",
                    "decimal": "text" if element.get("storeAsText") == "true" else "number"}.get(tag)
            if kind is None:
                fail(f"{name}: element {tag} writes no value the code reads")
            else:
                values.append((element.get("valueName"), kind))
        if policy.get("presentation"):
            match = re.fullmatch(r"\$\(presentation\.([^)]+)\)", policy.get("presentation"))
            shown = presentations.get(match.group(1)) if match else None
            for control in (shown if shown is not None else []):
                if control.get("refId") not in ids:
                    fail(f"{name}: presentation shows {control.get('refId')!r}, no element of it")
        for value, kind in values:
            if value not in table:
                fail(f"{name}: writes {value!r}, which the code does not read")
            elif table[value] != kind:
                fail(f"{name}: writes {value!r} as {kind}, the code reads {table[value]}")
            if value in written:
                fail(f"{value!r} is written by {written[value]} and {name}")
            written[value] = name
    for value in table:
        if value not in written:
            fail(f"no policy sets {value!r}")

    for text in failures:
        print("FAILED:", text)
    print(f"{len(written)} policies checked, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
