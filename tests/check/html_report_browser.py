#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The archive's HTML report opened in a headless browser, as an office PC would show it: every
program has its row with an inline picture, the page's script sorts the table when the address
asks for it ("#sort=-blocks"), a program whose file name is markup shows that name as text (no
element of it exists in the page), and nothing in the page points outside it. Skipped (exit 77)
when no chromium is installed.  usage: html_report_browser.py PATH/TO/zarvik-check"""
import os, re, shutil, subprocess, sys, tempfile
from html.parser import HTMLParser

HOSTILE = "<img src=x onerror=document.title='owned'>.min"
# Programs of different lengths, so that sorting by blocks has an order to find.
PROGRAMS = {
    'short.min': b'T0101\r\nG00 X40. Z2.\r\nM30\r\n%\r\n',
    'long.nc': b'T0101\r\nG00 X40. Z2.\r\n' + b''.join(b'G01 Z-%d. F0.2 S800\r\n' % i for i in range(1, 30)) +
               b'M30\r\n%\r\n',
    'sub/middle.tap': b'T0101\r\nG00 X40. Z2.\r\nG01 Z-20. F0.2 S800\r\nG01 X60.\r\nM30\r\n%\r\n',
    HOSTILE: b'T0101\r\nG00 X40. Z2.\r\nG01 Z-20. F0 S800\r\nM30\r\n%\r\n',  # with an alarm
}


class Page(HTMLParser):
    """The rows of the table (cells' sort values), the headers' sort state, and every element."""

    def __init__(self):
        super().__init__()
        self.rows, self.sorted, self.tags, self.links, self.title = [], {}, [], [], ''
        self.in_body = self.in_title = False
        self.svg_in_row = 0

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.tags.append(tag)
        for name in ('src', 'href', 'action', 'data', 'poster', 'srcset'):
            if name in a and not (a[name] or '').startswith('#'):
                self.links.append(f'{tag} {name}={a[name]}')
        if tag == 'tbody':
            self.in_body = True
        elif tag == 'tr' and self.in_body:
            self.rows.append([])
        elif tag == 'td' and self.in_body:
            self.rows[-1].append(a.get('data-v'))
        elif tag == 'svg' and self.in_body:
            self.svg_in_row += 1
        elif tag == 'th' and 'aria-sort' in a:
            self.sorted[a.get('data-key')] = a['aria-sort']
        elif tag == 'title':
            self.in_title = True

    def handle_endtag(self, tag):
        if tag == 'tbody':
            self.in_body = False
        if tag == 'title':
            self.in_title = False

    def handle_data(self, data):
        if self.in_title:
            self.title += data


def dump_dom(browser, url, profile):
    args = [browser, '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--host-resolver-rules=MAP * ~NOTFOUND', f'--user-data-dir={profile}', '--dump-dom', url]
    p = subprocess.run(args, capture_output=True, timeout=120)
    return p.returncode, p.stdout.decode('utf-8', 'replace')


def main():
    checker = os.path.abspath(sys.argv[1])
    browser = shutil.which('chromium') or shutil.which('chromium-browser')
    if not browser:
        print('SKIPPED: chromium is not installed (scripts/setup installs it)')
        return 77
    failures = []
    with tempfile.TemporaryDirectory() as work:
        archive = os.path.join(work, 'archive')
        for name, data in PROGRAMS.items():
            path = os.path.join(archive, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'wb') as f:
                f.write(data)
        report = os.path.join(work, 'report.html')
        c = subprocess.run([checker, '--json', '--jobs', '2', '--report', report, archive], capture_output=True,
                           timeout=120)
        if c.returncode != 1 or not os.path.exists(report):
            print(f'FAIL: the checker gave exit status {c.returncode}, {c.stderr!r}')
            return 1
        status, dom = dump_dom(browser, 'file://' + report + '#sort=-blocks', os.path.join(work, 'profile'))
        page = Page()
        page.feed(dom)
        if status != 0 or not page.rows:
            print(f'FAIL: the browser showed no table (exit status {status}): {dom[:300]!r}')
            return 1
        blocks = [int(r[2]) for r in page.rows]  # after the verdict and the name
        if len(page.rows) != len(PROGRAMS):
            failures.append(f'{len(page.rows)} rows for {len(PROGRAMS)} programs')
        if page.sorted != {'blocks': 'descending'} or blocks != sorted(blocks, reverse=True) or \
                len(set(blocks)) != len(blocks):
            failures.append(f'#sort=-blocks: headers {page.sorted}, blocks {blocks}')
        if page.svg_in_row != len(PROGRAMS):
            failures.append(f'{page.svg_in_row} pictures for {len(PROGRAMS)} programs')
        names = [r[1] for r in page.rows]
        if os.path.join(archive, HOSTILE) not in names or 'img' in page.tags or page.title.find('owned') >= 0:
            failures.append(f'the markup in a file name became part of the page: {names}, title {page.title!r}')
        if page.links:
            failures.append(f'the page points outside itself: {page.links}')
        if re.search(r'url\(|@import|<link|<iframe|<object', dom):
            failures.append('the page loads something through its style or an embedded object')
    for f in failures:
        print('FAIL:', f)
    print(f'{0 if failures else 1} passed, {1 if failures else 0} failed')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
