#!/usr/bin/env python3
"""Counts non-blank lines of code against the unit and simulated-desktop tests, and fails when
the tests exceed a share of the code.

Code: src/, include/, tools/ and the kits' own code (bindings/*, without their tests). Tests held
to the share: tests/core, tests/contract, tests/sim, tests/scenario, tests/sim_host, tests/support
and the kits' tests (bindings/*/test*), scenario inputs and expected outputs under them included. Beside them,
and not held to the share: the real-desktop suites (tests/linux with its test applications,
tests/mac), the soak and the fuzzers.

Counted: C, C++, Objective-C++, Python and JavaScript (and, in the test folders, the JSON
scenarios and .out expected outputs). Build directories, node_modules and caches are skipped.

usage: scripts/test_share.py [--max-percent N] [root]   (default 30; root: the repository)
"""
import argparse
import sys
from pathlib import Path

SOURCE_SUFFIXES = {".c", ".h", ".cpp", ".cc", ".hpp", ".m", ".mm", ".py", ".js", ".mjs", ".cjs"}
GOLDEN_SUFFIXES = {".json", ".out"}
SKIPPED_DIRECTORIES = {"node_modules", "__pycache__", "prebuilds"}

HELD_TESTS = ["tests/core", "tests/contract", "tests/sim", "tests/scenario", "tests/sim_host", "tests/support"]
BESIDE = [
    ("real desktop, Linux (tests/linux)", ["tests/linux"]),
    ("real desktop, macOS (tests/mac)", ["tests/mac"]),
    ("soak (tests/soak)", ["tests/soak"]),
    ("fuzzers (fuzz)", ["fuzz"]),
]


def skipped(path: Path, root: Path) -> bool:
    parts = path.relative_to(root).parts
    return any(part in SKIPPED_DIRECTORIES or part.startswith("build") or part.startswith(".")
               for part in parts[:-1])


def files(root: Path, folder: Path, suffixes: set) -> list:
    if not folder.exists():
        return []
    found = [folder] if folder.is_file() else sorted(folder.rglob("*"))
    return [f for f in found if f.is_file() and f.suffix in suffixes and not skipped(f, root)]


def count(paths: list) -> int:
    total = 0
    for path in paths:
        with open(path, encoding="utf-8", errors="replace") as text:
            total += sum(1 for line in text if line.strip())
    return total


def kit_tests(root: Path) -> list:
    return sorted(p for p in (root / "bindings").glob("*/test*") if p.is_dir())


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--max-percent", type=float, default=30.0)
    parser.add_argument("root", nargs="?", default=Path(__file__).resolve().parent.parent)
    arguments = parser.parse_args()
    root = Path(arguments.root).resolve()

    tests_of_kits = kit_tests(root)
    code = {}
    for folder in ["src", "include", "tools"]:
        code[folder] = count(files(root, root / folder, SOURCE_SUFFIXES))
    for kit in sorted(p for p in (root / "bindings").glob("*") if p.is_dir()):
        own = [f for f in files(root, kit, SOURCE_SUFFIXES)
               if not any(t in f.parents for t in tests_of_kits)]
        code[str(kit.relative_to(root))] = count(own)

    tested = {}
    for folder in [root / f for f in HELD_TESTS] + tests_of_kits:
        tested[str(folder.relative_to(root))] = count(
            files(root, folder, SOURCE_SUFFIXES | GOLDEN_SUFFIXES))

    code_total = sum(code.values())
    tests_total = sum(tested.values())
    share = 100.0 * tests_total / code_total if code_total else 0.0

    width = 44
    print(f"{'code':<{width}}{code_total:>7}")
    for name, lines in code.items():
        print(f"  {name:<{width - 2}}{lines:>7}")
    print(f"{'unit and simulated-desktop tests':<{width}}{tests_total:>7}"
          f"   {share:.1f} % of the code (at most {arguments.max_percent:g} %)")
    for name, lines in tested.items():
        print(f"  {name:<{width - 2}}{lines:>7}")
    print("beside them, not held to the share:")
    for name, folders in BESIDE:
        lines = sum(count(files(root, root / f, SOURCE_SUFFIXES | GOLDEN_SUFFIXES))
                    for f in folders)
        print(f"  {name:<{width - 2}}{lines:>7}")
    if share > arguments.max_percent:
        print(f"the tests are {share:.1f} % of the code, above {arguments.max_percent:g} %",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
