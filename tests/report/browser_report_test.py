#!/usr/bin/python3
"""The HTML report opened and printed by a real browser (headless Chromium, pdftotext).

Usage: browser_report_test.py PELLVANE_VALIDATE PHOTO

Checks that the document Chromium builds holds every row caption and the class; that it asks
for nothing outside itself (run with every host name unresolvable, and a control page that does
asks for something proves the check sees it); that the printed PDF holds the SHA-256 sha256sum
prints; and that no result row is split across two printed pages.
"""

import hashlib
import json
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

# Every host name is unresolvable, so nothing can leave the machine; the network log records
# what the page attempted anyway.
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update",
                  "--host-resolver-rules=MAP * ~NOTFOUND"]


def chromium(args, work):
    """Runs Chromium with a fresh profile; returns (stdout, the URLs the page asked for)."""
    profile = tempfile.mkdtemp(dir=work)
    netlog = Path(profile + ".netlog.json")
    try:
        run = subprocess.run(["chromium", f"--user-data-dir={profile}", f"--log-net-log={netlog}",
                              *CHROMIUM_FLAGS, *args], capture_output=True, text=True, timeout=120)
        return run.stdout, page_requests(netlog)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def page_requests(netlog):
    """The URLs requested on behalf of a page opened from a file (the browser's own background
    requests have no such site)."""
    events = json.loads(netlog.read_text()).get("events", [])
    return sorted({event["params"]["url"] for event in events
                   if "url" in event.get("params", {})
                   and "site=file://" in str(event["params"].get("site_for_cookies", ""))})


def normalised(text):
    return " ".join(text.split())


def failures_of_dom(dom, requests, analysis):
    problems = []
    for row in analysis["rows"]:
        if f">{row['test']}<" not in dom:
            problems.append(f"the DOM lacks the row {row['test']!r}")
    if f'data-class="{analysis["class"]}"' not in dom or f">{analysis['title']}<" not in dom:
        problems.append(f"the DOM lacks the class {analysis['title']!r}")
    problems += [f"the report asked for {url}" for url in requests]
    return problems


def external_references(html):
    """Addresses in the document that are not data: URIs (the SVG namespace names are no requests)."""
    found = re.findall(r"""(?:src|href)\s*=\s*["']([^"']*)["']|url\(\s*["']?([^"')]*)""", html, re.I)
    return [a or b for a, b in found if not (a or b).startswith("data:")]


def split_rows(pdf_text, analysis):
    """Rows whose caption and last evidence sentence land on different pages."""
    pages = [normalised(page) for page in pdf_text.split("\f")]
    start = next(i for i, page in enumerate(pages) if "Tests and evidence" in page)
    position = (start, pages[start].index("Tests and evidence"))

    def find(text, after):
        page, offset = after
        while page < len(pages):
            found = pages[page].find(text, offset)
            if found >= 0:
                return page, found + len(text)
            page, offset = page + 1, 0
        return None

    split = []
    for row in analysis["rows"]:
        caption = find(row["test"], position)
        last = normalised(row["evidence"][-1]["text"])[:24]
        end = find(last, caption) if caption else None
        if caption is None or end is None:
            split.append(f"{row['test']} (not found)")
            continue
        if caption[0] != end[0]:
            split.append(f"{row['test']} (pages {caption[0] + 1} and {end[0] + 1})")
        position = end
    return split


def main():
    validate, photo = sys.argv[1], Path(sys.argv[2]).resolve()
    if not shutil.which("chromium") or not shutil.which("pdftotext"):
        print("FAIL: chromium and pdftotext are needed (scripts/install-deps.sh installs them)")
        return 1
    problems = []
    with tempfile.TemporaryDirectory() as work:
        work = Path(work)
        report = work / "report.html"
        subprocess.run([validate, "--report", str(report), str(photo)], check=True, capture_output=True)
        analysis = json.loads(subprocess.run([validate, "--json", str(photo)], check=True,
                                             capture_output=True, text=True).stdout)
        html = report.read_text(encoding="utf-8")
        problems += [f"external reference {ref!r}" for ref in external_references(html)]

        dom, requests = chromium(["--dump-dom", report.as_uri()], work)
        problems += failures_of_dom(dom, requests, analysis)

        # The control: a page that asks for an address must show up in the same log.
        control = work / "control.html"
        control.write_text('<html><body><img src="http://report-test.invalid/x.png"></body></html>')
        _, control_requests = chromium(["--dump-dom", control.as_uri()], work)
        if "http://report-test.invalid/x.png" not in control_requests:
            problems.append("the failed-request check does not see a request that fails")

        pdf = work / "report.pdf"
        chromium(["--no-pdf-header-footer", f"--print-to-pdf={pdf}", report.as_uri()], work)
        text = subprocess.run(["pdftotext", str(pdf), "-"], check=True, capture_output=True,
                              text=True).stdout
        sha256 = subprocess.run(["sha256sum", str(photo)], check=True, capture_output=True,
                                text=True).stdout.split()[0]
        assert sha256 == hashlib.sha256(photo.read_bytes()).hexdigest()
        if sha256 not in text:
            problems.append(f"the PDF's text lacks the SHA-256 {sha256}")
        problems += [f"row split across pages: {row}" for row in split_rows(text, analysis)]

    for problem in problems:
        print("FAIL:", problem)
    print(f"{len(analysis['rows'])} rows checked" if not problems else "")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
