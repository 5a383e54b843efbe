#!/usr/bin/env python3
"""Checks the macOS workflow, which only GitHub runs, for the steps a release depends on.

usage: check_workflow.py [workflow.yml]      (default: .github/workflows/macos.yml)
       check_workflow.py --self-test [workflow.yml]

Fails unless the workflow runs on pinned macOS images (macos-14 with Xcode 15.x, macos-15 with
Xcode 16.x), selects that Xcode and prints its version, builds the universal library and checks
it with lipo (arm64 and x86_64), otool (system libraries only) and the export check, runs the
tests in a build for the runner's architecture, and installs the package and builds a consumer
with find_package. --self-test also breaks each of these in a copy and expects it to be caught.
"""

import pathlib
import re
import sys

import yaml

DEFAULT_WORKFLOW = pathlib.Path(__file__).resolve().parent.parent / ".github/workflows/macos.yml"

# Each pinned image and the Xcode major release it is paired with.
PINNED_IMAGES = {"macos-14": "15", "macos-15": "16"}
HOST_ARCHITECTURE = "$(uname -m)"


def steps_of(job):
    return [step for step in job.get("steps") or [] if isinstance(step, dict)]


def run_text(step):
    run = step.get("run")
    return run if isinstance(run, str) else ""


def all_runs(job):
    return "\n".join(run_text(step) for step in steps_of(job))


def runs_with(job, *needles):
    """The steps whose commands contain every needle."""
    return [step for step in steps_of(job) if all(n in run_text(step) for n in needles)]


def matrix_entries(job):
    """The matrix combinations of the job as dictionaries (include entries, or the product)."""
    matrix = (job.get("strategy") or {}).get("matrix") or {}
    if not isinstance(matrix, dict):
        return []
    entries = [e for e in matrix.get("include") or [] if isinstance(e, dict)]
    if entries:
        return entries
    combos = [{}]
    for key, values in matrix.items():
        if key in ("include", "exclude") or not isinstance(values, list):
            continue
        combos = [dict(c, **{key: v}) for c in combos for v in values]
    return combos if combos != [{}] else []


def expand(text, entry):
    """The text with ${{ matrix.key }} replaced by the entry's values."""
    return re.sub(r"\$\{\{\s*matrix\.(\w+)\s*\}\}",
                  lambda m: str(entry.get(m.group(1), m.group(0))), str(text))


def configurations(job):
    """(runner, xcode) for each combination; xcode is the matrix value naming an Xcode."""
    entries = matrix_entries(job) or [{}]
    result = []
    for entry in entries:
        runner = expand(job.get("runs-on", ""), entry)
        xcode = next((str(v) for k, v in entry.items() if "xcode" in k.lower()), None)
        result.append((runner, xcode))
    return result


def check_runner_pins(job):
    problems = []
    configs = configurations(job)
    runners = {runner for runner, _ in configs}
    for runner in sorted(runners):
        if runner not in PINNED_IMAGES:
            problems.append(f"runs on {runner!r}, not on a pinned image "
                            f"({', '.join(PINNED_IMAGES)})")
    for image, major in PINNED_IMAGES.items():
        xcodes = [xcode for runner, xcode in configs if runner == image]
        if not xcodes:
            problems.append(f"no run on {image}")
        for xcode in xcodes:
            if xcode is None or not re.fullmatch(rf"(.*Xcode_)?{major}(\.\d+)*(\.app)?", xcode):
                problems.append(f"{image} must use Xcode {major}.x, not {xcode!r}")
    return problems


def check_xcode_selected(job):
    steps = runs_with(job, "xcode-select -s")
    if not steps:
        return ["no step selects the Xcode (xcode-select -s)"]
    if any("matrix." in run_text(s) or "Xcode_" in run_text(s) for s in steps):
        return []
    return ["the xcode-select step names no Xcode"]


def check_xcode_version_printed(job):
    return [] if runs_with(job, "xcodebuild -version") else ["no step prints xcodebuild -version"]


def build_directory_of(step, library_pattern=r"([\w./-]+)/src/libaxbridge\.dylib"):
    match = re.search(library_pattern, run_text(step))
    return match.group(1) if match else None


def configure_step(job, directory):
    pattern = re.compile(rf"cmake\s[^\n]*-B\s*\"?{re.escape(directory)}\"?(\s|$)")
    return next((s for s in steps_of(job) if pattern.search(run_text(s))), None)


def check_universal_build(job):
    """The lipo check must look at a build configured for both architectures."""
    steps = runs_with(job, "lipo -archs")
    if not steps:
        return ["no step checks the library's architectures (lipo -archs)"]
    problems = []
    for step in steps:
        text = run_text(step)
        if "arm64" not in text or "x86_64" not in text:
            problems.append("the lipo check does not require both arm64 and x86_64")
        directory = build_directory_of(step)
        if directory is None:
            problems.append("cannot tell which build the lipo check looks at")
            continue
        configure = configure_step(job, directory)
        if configure is None:
            problems.append(f"no step configures {directory}, which the lipo check looks at")
        elif HOST_ARCHITECTURE in run_text(configure):
            problems.append(f"{directory} is built for the runner's architecture only")
    return problems


def check_system_libraries(job):
    steps = runs_with(job, "otool -L")
    if not steps:
        return ["no step lists the library's dependencies (otool -L)"]
    text = "\n".join(run_text(s) for s in steps)
    required = ["/System/Library/Frameworks", "/usr/lib/libc++", "/usr/lib/libSystem"]
    missing = [r for r in required if r not in text]
    if missing:
        return [f"the otool check does not allow {', '.join(missing)}"]
    if not re.search(r"exit|error|false", text):
        return ["the otool check never fails"]
    return []


def check_exports(job):
    steps = runs_with(job, "check_exports.cmake")
    if not steps:
        return ["no step checks the exported symbols (tests/check_exports.cmake)"]
    if not any(build_directory_of(s) for s in steps):
        return ["the export check is not given the library"]
    return []


def check_tests(job):
    command = re.compile(r"(^|[\s;&|(])ctest(\s|$)", re.MULTILINE)
    if not any(command.search(run_text(s)) for s in steps_of(job)):
        return ["no step runs the tests (ctest)"]
    if HOST_ARCHITECTURE not in all_runs(job):
        return ["the tests are not built for the runner's architecture "
                "(-DCMAKE_OSX_ARCHITECTURES=$(uname -m))"]
    return []


def check_install_and_consumer(job):
    if not runs_with(job, "cmake --install"):
        return ["no step installs the library (cmake --install)"]
    if "find_package(axbridge" not in all_runs(job):
        return ["no consumer finds the installed package (find_package(axbridge ...))"]
    return []


CHECKS = [
    ("runner pins", check_runner_pins),
    ("Xcode selected", check_xcode_selected),
    ("Xcode version printed", check_xcode_version_printed),
    ("universal build, lipo check", check_universal_build),
    ("otool check", check_system_libraries),
    ("export check", check_exports),
    ("test step", check_tests),
    ("install and consumer", check_install_and_consumer),
]


def problems_in(text):
    """(check name, problem) pairs; the whole workflow passes when there are none."""
    try:
        document = yaml.safe_load(text)
    except yaml.YAMLError as error:
        return [("YAML", f"not valid YAML: {error}")]
    jobs = (document or {}).get("jobs") if isinstance(document, dict) else None
    if not isinstance(jobs, dict) or not jobs:
        return [("YAML", "no jobs")]
    # One job must do all of it: steps spread over jobs would not see each other's builds.
    best = None
    for job in jobs.values():
        if not isinstance(job, dict):
            continue
        found = [(name, p) for name, check in CHECKS for p in check(job)]
        if best is None or len(found) < len(best):
            best = found
    return best if best is not None else [("YAML", "no jobs")]


# For the self-test: one breakage per check, made in the text as an editor would make it.
BREAKAGES = {
    "runner pins": [("macos-14", "macos-latest")],
    "Xcode selected": [("xcode-select -s", "xcode-select -p")],
    "Xcode version printed": [("xcodebuild -version", "xcodebuild -showsdks")],
    "universal build, lipo check": [("lipo -archs", "file")],
    "otool check": [("otool -L", "otool -h")],
    "export check": [("check_exports.cmake", "check_nothing.cmake")],
    "test step": [("ctest ", "true ")],
    "install and consumer": [("cmake --install", "true")],
}


def self_test(text):
    failures = []
    if problems_in(text):
        failures.append("the workflow itself does not pass")
    for name, edits in BREAKAGES.items():
        broken = text
        for old, new in edits:
            if old not in broken:
                failures.append(f"{name}: the workflow has no {old!r} to break")
            broken = broken.replace(old, new)
        caught = {check for check, _ in problems_in(broken)}
        if name not in caught:
            failures.append(f"{name}: breaking it ({edits}) went unnoticed")
    # The universal build must really be universal.
    host_only = re.sub(r"(-B\s*build-universal)",
                       rf'\1 -DCMAKE_OSX_ARCHITECTURES="{HOST_ARCHITECTURE}"', text)
    if "universal build, lipo check" not in {c for c, _ in problems_in(host_only)}:
        failures.append("a host-only build under the lipo check went unnoticed")
    return failures


def main(argv):
    arguments = argv[1:]
    testing = "--self-test" in arguments
    paths = [a for a in arguments if a != "--self-test"]
    path = pathlib.Path(paths[0]) if paths else DEFAULT_WORKFLOW
    try:
        text = path.read_text(encoding="utf-8")
    except OSError as error:
        print(f"check_workflow: cannot read {path}: {error.strerror}", file=sys.stderr)
        return 2
    if testing:
        failures = self_test(text)
        for failure in failures:
            print(f"check_workflow self-test: {failure}", file=sys.stderr)
        if not failures:
            print(f"check_workflow self-test: every breakage of {path} is caught")
        return 1 if failures else 0
    problems = problems_in(text)
    for name, problem in problems:
        print(f"{path}: {name}: {problem}", file=sys.stderr)
    if not problems:
        print(f"{path}: pinned runners, Xcode, lipo, otool, exports, tests, install: all present")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
