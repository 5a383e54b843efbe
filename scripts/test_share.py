#!/usr/bin/env python3
"""Counts non-blank lines of every test against the code, and fails when the tests exceed a share
of the code.

Code: src/, include/, tools/ and the packages' own code (bindings/*, without their tests).
Tests: everything under tests/ (unit, contract, simulated desktop, scenarios, host, support, the
Linux suites with their test applications and peers, macOS, soak), the fuzzers (fuzz/) and the
packages' tests (bindings/*/test*), their inputs and expected outputs included. The in-process
suites of the simulated flavour and the packages are also held to a share of their own.

Counted: C, C++, Objective-C++, Python, JavaScript and TypeScript, and, in the tests, the inputs
they read (JSON scenarios, .out expected outputs, pages and documents). Build directories,
node_modules and caches are skipped.

usage: scripts/test_share.py [--max-percent N] [--max-in-process-percent N] [root]
       (defaults 50 and 30; root: the repository)
"""
import argparse
import sys
from pathlib import Path

SOURCE_SUFFIXES = {".c", ".h", ".cpp", ".cc", ".hpp", ".m", ".mm", ".py", ".js", ".mjs", ".cjs",
                   ".ts"}
TEST_INPUT_SUFFIXES = {".json", ".out", ".html", ".fodt"}
SKIPPED_DIRECTORIES = {"node_modules", "__pycache__", "prebuilds"}

IN_PROCESS = ["tests/core", "tests/contract", "tests/sim", "tests/scenario", "tests/sim_host",
              "tests/support"]
# Folders whose sub-folders are counted apart, the files beside them as one more part.
SPLIT = {"tests/linux": "test applications and peers"}


def skipped(path: Path, root: Path) -> bool:
    parts = path.relative_to(root).parts
    return any(part in SKIPPED_DIRECTORIES or part.startswith("build") or part.startswith(".")
               for part in parts[:-1])


def files(root: Path, folder: Path, suffixes: set, deep: bool = True) -> list:
    if not folder.exists():
        return []
    found = sorted(folder.rglob("*") if deep else folder.iterdir())
    return [f for f in found if f.is_file() and f.suffix in suffixes and not skipped(f, root)]


def count(paths: list) -> int:
    total = 0
    for path in paths:
        with open(path, encoding="utf-8", errors="replace") as text:
            total += sum(1 for line in text if line.strip())
    return total


def test_parts(root: Path, kit_tests: list) -> dict:
    """Lines per part of the tests, by folder; every folder under tests/ is one."""
    suffixes = SOURCE_SUFFIXES | TEST_INPUT_SUFFIXES
    folders = sorted(p for p in (root / "tests").iterdir() if p.is_dir())
    held = [p for p in folders if str(p.relative_to(root)) in IN_PROCESS]
    rest = [p for p in folders if p not in held]
    parts = {}
    for folder in held + kit_tests + rest + [root / "fuzz"]:
        name = str(folder.relative_to(root))
        if name in SPLIT:
            parts[f"{name} ({SPLIT[name]})"] = count(files(root, folder, suffixes, deep=False))
            for sub in sorted(p for p in folder.iterdir() if p.is_dir()):
                parts[str(sub.relative_to(root))] = count(files(root, sub, suffixes))
        else:
            parts[name] = count(files(root, folder, suffixes))
    return parts


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--max-percent", type=float, default=50.0,
                        help="every test against the code")
    parser.add_argument("--max-in-process-percent", type=float, default=30.0,
                        help="the in-process suites against the code")
    parser.add_argument("root", nargs="?", default=Path(__file__).resolve().parent.parent)
    arguments = parser.parse_args()
    root = Path(arguments.root).resolve()

    kit_tests = sorted(p for p in (root / "bindings").glob("*/test*") if p.is_dir())
    code = {}
    for folder in ["src", "include", "tools"]:
        code[folder] = count(files(root, root / folder, SOURCE_SUFFIXES))
    for kit in sorted(p for p in (root / "bindings").glob("*") if p.is_dir()):
        own = [f for f in files(root, kit, SOURCE_SUFFIXES)
               if not any(t in f.parents for t in kit_tests)]
        code[str(kit.relative_to(root))] = count(own)
    tests = test_parts(root, kit_tests)
    in_process_names = IN_PROCESS + [str(p.relative_to(root)) for p in kit_tests]

    code_total = sum(code.values()) or 1
    tests_total = sum(tests.values())
    in_process = sum(lines for name, lines in tests.items() if name in in_process_names)
    share = 100.0 * tests_total / code_total
    in_process_share = 100.0 * in_process / code_total

    width = 52
    print(f"{'code':<{width}}{code_total:>7}")
    for name, lines in code.items():
        print(f"  {name:<{width - 2}}{lines:>7}")
    print(f"{'tests':<{width}}{tests_total:>7}"
          f"   {share:.1f} % of the code (at most {arguments.max_percent:g} %)")
    for name, lines in tests.items():
        mark = "*" if name in in_process_names else " "
        print(f" {mark}{name:<{width - 2}}{lines:>7}")
    print(f"{'* in process':<{width}}{in_process:>7}   {in_process_share:.1f} % of the code"
          f" (at most {arguments.max_in_process_percent:g} %)")

    failed = False
    for what, value, limit in [("the tests", share, arguments.max_percent),
                               ("the in-process suites", in_process_share,
                                arguments.max_in_process_percent)]:
        if value > limit:
            print(f"{what} are {value:.1f} % of the code, above {limit:g} %", file=sys.stderr)
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
