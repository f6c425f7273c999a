#!/usr/bin/env python3
"""Records real pages as test data: for each page in PAGES, the accessible
objects Chromium's Windows bridge would serve (tests/data/recordings/NAME.acc)
and the document's nodes with their layout and styles (NAME.dom), read from
headless Chromium over --remote-debugging-pipe. The formats are described in
tests/data/README.md.

    tests/recorder/record.py            # re-records every page from tests/data/pages
    tests/recorder/record.py --copy     # first copies the pages again from /usr/share/doc
    tests/recorder/record.py os faq     # only these pages

Standard library only; run by hand, never by CI.
"""

import argparse
import os
import shutil
import sys
import urllib.parse

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from chromium_pipe import Chromium  # noqa: E402
from recording_lines import field, node_line  # noqa: E402
import windows_mapping as win  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PAGES_DIR = os.path.join(ROOT, 'data', 'pages')
OUT_DIR = os.path.join(ROOT, 'data', 'recordings')
SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'page_script.js')

VIEWPORT = (1000, 700)

# name, the page's own folder, the page file, the files it needs beside it.
PAGES = [
    ('node-os', '/usr/share/doc/nodejs/api', 'os.html', ['assets/style.css', 'assets/hljs.css']),
    ('node-index', '/usr/share/doc/nodejs/api', 'index.html',
     ['assets/style.css', 'assets/hljs.css']),
    ('expat-reference', '/usr/share/doc/libexpat1-dev/expat.html', 'reference.html',
     ['ok.min.css', 'style.css']),
    ('valgrind-faq', '/usr/share/doc/valgrind/html', 'faq.html',
     ['vg_basic.css', 'images/home.png', 'images/next.png', 'images/prev.png', 'images/up.png']),
    ('valgrind-quickstart', '/usr/share/doc/valgrind/html', 'QuickStart.html',
     ['vg_basic.css', 'images/home.png', 'images/next.png', 'images/prev.png', 'images/up.png']),
    ('libxslt-templates', '/usr/share/doc/libxslt1-dev/html/html', 'libxslt-templates.html',
     ['home.png', 'left.png', 'right.png', 'up.png']),
]

# Every element's innerText is recorded in full up to this many characters
# (all of them on the pages above; the largest, a whole page's text, has
# about 79,000). Longer ones would get innertext-length only, to keep a
# very long page's files small: every ancestor repeats its descendants' text.
INNER_TEXT_LIMIT = 100000


def copy_pages(pages):
    for name, folder, page, assets in pages:
        target = os.path.join(PAGES_DIR, name)
        shutil.rmtree(target, ignore_errors=True)
        for rel in [page] + assets:
            os.makedirs(os.path.dirname(os.path.join(target, rel)), exist_ok=True)
            shutil.copyfile(os.path.join(folder, rel), os.path.join(target, rel))


class PageRecorder:
    def __init__(self, browser, name, folder, page):
        self.browser = browser
        self.name = name
        self.copy_url = 'file://' + urllib.parse.quote(os.path.join(PAGES_DIR, name, page))
        self.copy_base = self.copy_url.rsplit('/', 1)[0] + '/'
        self.own_base = 'file://' + urllib.parse.quote(folder) + '/'

    def own_url(self, url):
        """A URL of the copy, told as the page's own address."""
        if url and url.startswith(self.copy_base):
            return self.own_base + url[len(self.copy_base):]
        return url

    def load(self):
        session = self.browser.open_page(self.copy_url, VIEWPORT)
        with open(SCRIPT, encoding='utf-8') as f:
            result = self.browser.evaluate(session, f.read())
        self.session = session
        self.nodes = result['nodes']
        self.title = result['title']
        self.size = result['size']
        self.ax = self.browser.call('Accessibility.getFullAXTree', session)['nodes']
        self.check_text_nodes()

    def check_text_nodes(self):
        """The page script sees every text node; the browser's own node
        list must agree, else a snapshot path dropped some."""
        snapshot = self.browser.call('DOMSnapshot.captureSnapshot', self.session,
                                     computedStyles=[])
        doc = snapshot['documents'][0]['nodes']
        snap_texts = sum(1 for t in doc['nodeType'] if t == 3)
        page_texts = sum(1 for n in self.nodes if n['kind'] == 't')
        self.snapshot_texts = snap_texts
        if snap_texts != page_texts:
            print(f'  {self.name}: snapshot has {snap_texts} text nodes, the page script '
                  f'{page_texts}; the recording keeps the script\'s', file=sys.stderr)

    def dom_index_of(self, backend_ids):
        """Maps backend node ids to indexes in the page script's list."""
        found = {}
        for backend in backend_ids:
            try:
                obj = self.browser.call('DOM.resolveNode', self.session, backendNodeId=backend)
            except RuntimeError:
                continue
            object_id = obj['object'].get('objectId')
            if not object_id:
                continue
            answer = self.browser.call(
                'Runtime.callFunctionOn', self.session, objectId=object_id, returnByValue=True,
                functionDeclaration='function() { const i = window.__tnkIndex.get(this); '
                                    'return i === undefined ? -1 : i; }')
            index = answer['result'].get('value', -1)
            if index >= 0:
                found[backend] = index
            self.browser.call('Runtime.releaseObject', self.session, objectId=object_id)
        return found

    def box_model(self, backend):
        try:
            model = self.browser.call('DOM.getBoxModel', self.session, backendNodeId=backend)
        except RuntimeError:
            return None
        quad = model['model']['border']
        xs, ys = quad[0::2], quad[1::2]
        return [min(xs), min(ys), max(xs) - min(xs), max(ys) - min(ys)]

    def record(self):
        self.load()
        self.browser.call('DOM.getDocument', self.session, depth=-1)
        backends = [n['backendDOMNodeId'] for n in self.ax if 'backendDOMNodeId' in n]
        mapped = self.dom_index_of(backends)
        served = win.ServedTree(self.ax, self.nodes, mapped, self.box_model, VIEWPORT,
                                self.own_url)
        objects = served.build()
        self.write_acc(objects)
        elements = self.write_dom()
        self.browser.close_page(self.session)
        return len(objects), elements, served

    def header(self, kind):
        return [f'tarnwick-recording 1 {kind}',
                '\t'.join(['page', field('name', self.name),
                           field('url', self.own_url(self.copy_url)),
                           field('title', self.title),
                           field('viewport', f'{VIEWPORT[0]},{VIEWPORT[1]}'),
                           field('size', f'{self.size[0]},{self.size[1]}')])]

    def write_acc(self, objects):
        lines = self.header('acc')
        for o in objects:
            lines.append(node_line('o', o.depth, o.fields(INNER_TEXT_LIMIT)))
        write(os.path.join(OUT_DIR, self.name + '.acc'), lines)

    def write_dom(self):
        lines = self.header('dom')
        elements = 0
        for n in self.nodes:
            if n['kind'] == 'e':
                elements += 1
                lines.append(node_line('e', n['depth'], self.element_fields(n)))
            elif n['kind'] in ('t', 'c'):
                lines.append(node_line(n['kind'], n['depth'], [field('text', n['text'])]))
        write(os.path.join(OUT_DIR, self.name + '.dom'), lines)
        return elements

    def element_fields(self, n):
        fields = [field('tag', n['tag'])]
        fields += [field('@' + key, value) for key, value in n['attributes']]
        if n['laidOut']:
            fields.append(field('box', win.box_text(self.relative_box(n))))
        if n['clientLeft'] or n['clientTop']:
            fields.append(field('border', f"{n['clientLeft']},{n['clientTop']}"))
        fields += [field('display', n['display']), field('white-space', n['whiteSpace']),
                   field('font-size', n['fontSize']), field('color', win.hex_color(n['color'])),
                   field('background-color', win.hex_color(n['background']))]
        fields += win.inner_text_fields(n['innerText'], INNER_TEXT_LIMIT)
        return fields

    def relative_box(self, n):
        """The element's box within its parent element's content (after the
        parent's border), as the in-memory page places it."""
        x, y, w, h = win.enclose(n['rect'])
        parent = self.parent_of.get(id(n))
        if parent is not None:
            px, py = win.enclose(parent['rect'])[:2]
            x -= px + parent['clientLeft']
            y -= py + parent['clientTop']
        return [x, y, w, h]

    @property
    def parent_of(self):
        if not hasattr(self, '_parents'):
            self._parents = {}
            stack = []
            for n in self.nodes:
                while stack and stack[-1]['depth'] >= n['depth']:
                    stack.pop()
                if stack:
                    self._parents[id(n)] = stack[-1]
                if n['kind'] == 'e':
                    stack.append(n)
        return self._parents


def write(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w', encoding='utf-8', newline='\n') as f:
        f.write('\n'.join(lines) + '\n')


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('names', nargs='*', help='pages to record (default: all)')
    parser.add_argument('--copy', action='store_true',
                        help='copy the pages again from their folders first')
    args = parser.parse_args()
    pages = [p for p in PAGES if not args.names or p[0] in args.names]
    if args.names and len(pages) != len(args.names):
        parser.error('unknown page; pages: ' + ', '.join(p[0] for p in PAGES))
    if args.copy:
        copy_pages(pages)
    with Chromium() as browser:
        for name, folder, page, _ in pages:
            objects, elements, served = PageRecorder(browser, name, folder, page).record()
            print(f'{name}: {objects} objects, {elements} elements'
                  + (f'; unmapped roles: {sorted(served.unknown_roles)}'
                     if served.unknown_roles else ''))
    return 0


if __name__ == '__main__':
    sys.exit(main())
