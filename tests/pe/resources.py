#!/usr/bin/env python3
"""Reads resources of a built Windows file from windres' text form (given on
standard input) and prints facts for check_pe.sh, one "name=value" a line.

  resources.py manifest   the manifest's execution level, uiAccess, supported
                          systems, common-controls version and DPI setting
  resources.py version    FileVersion and ProductVersion of the version record
"""
import re
import sys
import xml.etree.ElementTree as ET

text = sys.stdin.read()


def block(header):
    """The lines between BEGIN and END after the line that starts with header."""
    lines = text.splitlines()
    for i, line in enumerate(lines):
        if line.startswith(header):
            out, depth = [], 0
            for l in lines[i + 1:]:
                if l.strip() == "BEGIN":
                    depth += 1
                    continue
                if l.strip() == "END":
                    depth -= 1
                    if depth == 0:
                        return out
                    continue
                out.append(l)
    return None


if sys.argv[1] == "manifest":
    lines = block("1 24")
    if lines is None:
        sys.exit("no manifest (resource 1 of type 24)")
    # Each line is a C string with "" for a quote.
    xml = "".join(re.findall(r'"((?:[^"]|"")*)"', "\n".join(lines)))
    xml = xml.replace('""', '"').encode().decode("unicode_escape")
    root = ET.fromstring(xml)
    ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
          "c": "urn:schemas-microsoft-com:compatibility.v1",
          "ws": "http://schemas.microsoft.com/SMI/2005/WindowsSettings"}
    level = root.find(".//v3:requestedExecutionLevel", ns)
    print("level=%s" % (level.get("level") if level is not None else ""))
    print("uiAccess=%s" % (level.get("uiAccess") if level is not None else ""))
    print("supportedOS=%s" % ",".join(sorted(e.get("Id") for e in root.findall(".//c:supportedOS", ns))))
    controls = [e for e in root.findall(".//v1:dependentAssembly/v1:assemblyIdentity", ns)
                if e.get("name") == "Microsoft.Windows.Common-Controls"]
    print("commonControls=%s" % (controls[0].get("version") if controls else ""))
    dpi = root.find(".//ws:dpiAware", ns)
    print("dpiAware=%s" % (dpi.text.strip() if dpi is not None else ""))
elif sys.argv[1] == "version":
    for key in ("FileVersion", "ProductVersion"):
        m = re.search(r'VALUE "%s", "([^"]*)"' % key, text)
        value = m.group(1) if m else ""
        print("%s=%s" % (key, value[:-2] if value.endswith("\\0") else value))
