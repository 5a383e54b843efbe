#!/usr/bin/env python3
"""Checks that the packages' types name the events and payload keys the library sends: per event,
the keys (nested ones as "position.x") that bindings/node/axbridge.d.ts and the Python package's
TypedDicts allow must be those of src/events/event_catalogue.h. Needs bindings/node's
node_modules (typescript). usage: scripts/check_event_types.py"""
import json
import re
import subprocess
import sys
import typing
from pathlib import Path

repo = Path(__file__).resolve().parent.parent


def catalogue() -> dict:
    text = (repo / "src/events/event_catalogue.h").read_text()
    strings = dict(re.findall(r'constexpr char (k\w+)\[\] = "([^"]*)";', text))
    parts = {name: re.findall(r"k[A-Z]\w*", body) for name, body in
             re.findall(r"constexpr std::array<const char\*, \d+> (k\w+)\{([^}]*)\};", text)}

    def flatten(ident: str, prefix: str = "") -> set:
        nested = parts.get(ident + "Keys", [])
        return {prefix + strings[ident]}.union(
            *(flatten(k, prefix + strings[ident] + ".") for k in nested))

    table = text[text.index("kEvents{{"):]
    return {strings[event]: set().union(*(flatten(k) for part in re.findall(r"k[A-Z]\w*", rest)
                                          for k in parts[part]))
            for event, rest in re.findall(r"\{(k\w+), \{([^}]*)\}\}", table)}


def typescript() -> dict:
    walker = r"""
    const [ts, file] = [require(process.argv[1]), process.argv[2]];
    const program = ts.createProgram([file], {strict: true, noEmit: true, types: []});
    const checker = program.getTypeChecker();
    const keys = (type, prefix, out) => {
      for (const part of type.isUnion() ? type.types : [type]) {
        for (const property of checker.getPropertiesOfType(part)) {
          out.add(prefix + property.name);
          const inner = checker.getNonNullableType(checker.getTypeOfSymbol(property));
          if (inner.flags & ts.TypeFlags.Object) keys(inner, prefix + property.name + '.', out);
        }
      }
      return out;
    };
    const payloads = program.getSourceFile(file).statements.find(
        (s) => ts.isInterfaceDeclaration(s) && s.name.text === 'EventPayloads');
    console.log(JSON.stringify(Object.fromEntries(payloads.members.map((member) => [
      member.name.text, [...keys(checker.getTypeAtLocation(member), '', new Set())]]))));
    """
    node = repo / "bindings/node"
    out = subprocess.run(["node", "-e", walker, str(node / "node_modules/typescript"),
                          str(node / "axbridge.d.ts")], check=True, capture_output=True, text=True)
    return {event: set(keys) for event, keys in json.loads(out.stdout).items()}


def python() -> dict:
    sys.path.insert(0, str(repo / "bindings/python"))
    import axbridge
    from axbridge import Library

    def keys(payload: typing.Any, prefix: str = "") -> set:
        if typing.get_origin(payload) is typing.Union:
            return set().union(*(keys(p, prefix) for p in typing.get_args(payload)))
        if not typing.is_typeddict(payload):
            return set()
        hints = typing.get_type_hints(payload)
        return set().union(*({prefix + k} | keys(hints[k], prefix + k + ".") for k in hints))

    events = {name: set() for name in typing.get_args(axbridge.EventName)}
    for overload in typing.get_overloads(Library.on):
        hints = typing.get_type_hints(overload)
        for name in typing.get_args(hints["name"]):
            events[name] = keys(typing.get_args(hints["listener"])[0][0])
    return events


def main() -> int:
    expected = catalogue()
    problems = []
    for kit, found in (("bindings/node/axbridge.d.ts", typescript()),
                       ("the Python package's TypedDicts", python())):
        for event in sorted(expected.keys() | found.keys()):
            if event not in found or event not in expected:
                problems.append(f"{kit}: event {event!r} " +
                                ("missing" if event not in found else "not in the catalogue"))
            elif found[event] != expected[event]:
                problems.append(f"{kit}: {event!r} lacks {sorted(expected[event] - found[event])}"
                                f", has unknown {sorted(found[event] - expected[event])}")
    print("\n".join(problems) or f"event types agree with the catalogue ({len(expected)} events)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
