#!/usr/bin/env python3
"""ctest_results.py JUNIT EXPECTED MIRROR: what one ctest run did, from its
JUnit file (ctest --output-junit), for scripts/test.sh.

Prints "passed N", "failed N", then one line per failed test ("failed NAME",
followed by "why NAME: LINE" lines: what it said of its failure) and per
skipped one ("skipped expected NAME: REASON" or "skipped unexpected
NAME: REASON"). A skip's reason is its own "SKIP: ..." line (test scripts,
tests/lib/checks.sh) or GoogleTest's message. A test program run as one test
(under Wine) fails when it skips a test; the tests it skipped are listed as
unexpected skips besides. A case that a whole-program run could not make
where it ran (a line "skip - REASON": a compositor that lacks what the case
needs) is a skip of its own, "NAME/case", expected or not like any other,
whatever the run's verdict.

EXPECTED is tests/expected_skips.txt: "NAME-REGEX | REASON-REGEX | CONDITION |
why", CONDITION being "always" or "mirror-unreachable" (the skip is expected
only while MIRROR, the package mirror's state found by test.sh, is
"unreachable").
"""
import re
import sys
import xml.etree.ElementTree as ET


def expected_rules(path):
    rules = []
    for line in open(path, encoding="utf-8"):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        # (" | " apart: a regex may hold "|" of its own)
        parts = [p.strip() for p in line.split(" | ")]
        if len(parts) < 4:
            sys.exit(f"{path}: not 'name | reason | condition | why': {line}")
        rules.append((re.compile(parts[0]), re.compile(parts[1]), parts[2]))
    return rules


def skip_reason(output, message):
    for pattern in (r"^SKIP: (.*)$", r": Skipped\n(.+)$"):
        found = re.search(pattern, output, re.M)
        if found:
            return found.group(1).strip()
    return message or "no reason given"


def failure_lines(output, most=12):
    """What a failed test said of its failure, for the summary: its "FAIL - "
    lines (tests/lib/checks.sh) with the indented lines that follow them,
    else GoogleTest's failures, else its last lines."""
    lines = output.splitlines()
    picked = []
    for i, line in enumerate(lines):
        if line.startswith("FAIL - "):
            picked.append(line)
            picked.extend(l for l in lines[i + 1:i + 9] if l.startswith("     "))
    if not picked:
        picked = [l for l in lines if "Failure" in l or l.startswith("[  FAILED  ]")]
    if not picked:
        picked = lines[-6:]
    return [l.rstrip()[:200] for l in picked[:most]]


def main():
    junit, expected_path, mirror = sys.argv[1:4]
    rules = expected_rules(expected_path)
    passed = failed = 0
    lines = []

    def skipped(name, reason):
        for name_re, reason_re, condition in rules:
            if name_re.fullmatch(name) and reason_re.search(reason):
                if condition == "always" or (condition == "mirror-unreachable" and mirror == "unreachable"):
                    lines.append(f"skipped expected {name}: {reason}")
                    return
        lines.append(f"skipped unexpected {name}: {reason}")

    for case in ET.parse(junit).getroot().iter("testcase"):
        name = case.get("name")
        status = case.get("status")
        output = case.findtext("system-out") or ""
        if status == "notrun" or case.find("skipped") is not None:
            node = case.find("skipped")
            skipped(name, skip_reason(output, node.get("message") if node is not None else ""))
            continue
        for reason in re.findall(r"^skip - (.+)$", output, re.M):
            skipped(f"{name}/case", reason.strip())
        if status == "run" and case.find("failure") is None:
            passed += 1
        else:
            failed += 1
            lines.append(f"failed {name}")
            lines.extend(f"why {name}: {line}" for line in failure_lines(output))
            for inner in sorted(set(re.findall(r"^\[  SKIPPED \] (\w+\.\w+)$", output, re.M))):
                skipped(f"{name}/{inner}", "skipped inside a program run as one test")
    print(f"passed {passed}")
    print(f"failed {failed}")
    print("\n".join(lines))


if __name__ == "__main__":
    main()
