"""How Chromium's Windows bridge serves a page: from the browser's
cross-platform accessible tree (DevTools' Accessibility.getFullAXTree) to
the objects a Windows client sees through IAccessible and IAccessible2.
tests/data/README.md lists the mapping and says where it is a guess."""

import math

from recording_lines import field

# MSAA roles (oleacc.h).
DOCUMENT, GROUPING, SEPARATOR, TABLE = 0x0F, 0x14, 0x15, 0x18
COLUMNHEADER, ROWHEADER, ROW, CELL, LINK = 0x19, 0x1A, 0x1C, 0x1D, 0x1E
LIST, LISTITEM, GRAPHIC, STATICTEXT, TEXT = 0x21, 0x22, 0x28, 0x29, 0x2A
PUSHBUTTON, CHECKBUTTON, WHITESPACE = 0x2B, 0x2C, 0x3B

# IAccessible2 roles (AccessibleRole.idl).
IA2_FORM, IA2_HEADING, IA2_PARAGRAPH, IA2_REDUNDANT, IA2_SECTION = 0x410, 0x414, 0x41E, 0x420, 0x424
IA2_TEXT_FRAME, IA2_LANDMARK, IA2_BLOCK_QUOTE = 0x429, 0x42D, 0x431

# MSAA states.
FOCUSED, CHECKED, READONLY, EXPANDED, COLLAPSED = 0x4, 0x10, 0x40, 0x200, 0x400
INVISIBLE, OFFSCREEN, FOCUSABLE, LINKED = 0x8000, 0x10000, 0x100000, 0x400000

# DevTools role -> (MSAA role, IAccessible2 role; 0 when it is the MSAA one).
ROLES = {
    'RootWebArea': (DOCUMENT, 0),
    'StaticText': (STATICTEXT, 0),
    'LineBreak': (WHITESPACE, 0),
    'paragraph': (GROUPING, IA2_PARAGRAPH),
    'heading': (GROUPING, IA2_HEADING),
    'generic': (GROUPING, IA2_SECTION),
    'group': (GROUPING, 0),
    'blockquote': (GROUPING, IA2_BLOCK_QUOTE),
    'link': (LINK, 0),
    'list': (LIST, 0),
    'DescriptionList': (LIST, 0),
    'listitem': (LISTITEM, 0),
    'term': (LISTITEM, 0),
    'definition': (GROUPING, IA2_PARAGRAPH),
    'ListMarker': (GROUPING, IA2_REDUNDANT),
    'table': (TABLE, 0),
    'LayoutTable': (TABLE, 0),
    'row': (ROW, 0),
    'LayoutTableRow': (ROW, 0),
    'cell': (CELL, 0),
    'gridcell': (CELL, 0),
    'LayoutTableCell': (CELL, 0),
    'columnheader': (COLUMNHEADER, 0),
    'rowheader': (ROWHEADER, 0),
    'rowgroup': (GROUPING, 0),
    'form': (GROUPING, IA2_FORM),
    'code': (TEXT, IA2_TEXT_FRAME),
    'strong': (TEXT, IA2_TEXT_FRAME),
    'emphasis': (TEXT, IA2_TEXT_FRAME),
    'abbr': (TEXT, IA2_TEXT_FRAME),
    'subscript': (TEXT, IA2_TEXT_FRAME),
    'superscript': (TEXT, IA2_TEXT_FRAME),
    'LabelText': (TEXT, 0),
    'separator': (SEPARATOR, 0),
    'image': (GRAPHIC, 0),
    'navigation': (GROUPING, IA2_LANDMARK),
    'main': (GROUPING, IA2_LANDMARK),
    'banner': (GROUPING, IA2_LANDMARK),
    'contentinfo': (GROUPING, IA2_LANDMARK),
    'complementary': (GROUPING, IA2_LANDMARK),
    'region': (GROUPING, IA2_LANDMARK),
    'button': (PUSHBUTTON, 0),
    'DisclosureTriangle': (PUSHBUTTON, 0),
    'checkbox': (CHECKBUTTON, 0),
    'textbox': (TEXT, 0),
}

# Objects served without children (their content is their name).
LEAVES = {'button', 'DisclosureTriangle', 'checkbox', 'image', 'separator', 'textbox',
          'LineBreak'}
READONLY_ROLES = {'RootWebArea', 'table', 'LayoutTable', 'row', 'LayoutTableRow', 'cell',
                  'LayoutTableCell', 'gridcell', 'columnheader', 'rowheader'}
CANVAS = (255, 255, 255)


def enclose(rect):
    """Whole pixels holding a rectangle of CSS pixels, as x,y,w,h."""
    x, y, w, h = rect
    left, top = math.floor(x + 1e-6), math.floor(y + 1e-6)
    return [left, top, math.ceil(x + w - 1e-6) - left, math.ceil(y + h - 1e-6) - top]


def box_text(box):
    return ','.join(str(int(v)) for v in box)


def parse_color(text):
    """(r, g, b, alpha) of a computed rgb()/rgba() colour; None otherwise."""
    if not text or not text.startswith('rgb'):
        return None
    parts = [p.strip() for p in text[text.index('(') + 1:text.rindex(')')].split(',')]
    alpha = float(parts[3]) if len(parts) > 3 else 1.0
    return tuple(int(round(float(p))) for p in parts[:3]) + (alpha,)


def rgb_text(color):
    return f'rgb({color[0]}, {color[1]}, {color[2]})'


def ia2_color(text):
    color = parse_color(text)
    if color is None:
        return text
    return 'transparent' if color[3] == 0 else rgb_text(color)


def hex_color(text):
    """A computed colour the way the classic browser's currentStyle tells it."""
    color = parse_color(text)
    if color is None:
        return text
    if color[3] == 0:
        return 'transparent'
    return '#%02x%02x%02x' % color[:3]


def points(px_text):
    """A computed font size in px as IAccessible2's "12pt"."""
    value = float(px_text.rstrip('px')) * 0.75
    return ('%.2f' % value).rstrip('0').rstrip('.') + 'pt'


def attribute_string(pairs):
    def esc(s):
        return ''.join('\\' + c if c in '\\:,=;' else c for c in s)
    return ''.join(f'{esc(k)}:{esc(v)};' for k, v in pairs)


def inner_text_fields(text, limit):
    if text is None:
        return []
    if len(text) > limit:
        return [field('innertext-length', len(text))]
    return [field('innertext', text)]


class Served:
    """One object as the Windows bridge serves it."""

    def __init__(self, depth, role, ia2role):
        self.depth = depth
        self.role = role
        self.ia2role = ia2role
        self.name = ''
        self.value = ''
        self.state = 0
        self.box = None
        self.lines = []
        self.attributes = []
        self.text_attributes = None
        self.background = None
        self.inner_text = None
        self.dom = None
        self.children = []

    def fields(self, limit):
        out = [field('role', self.role)]
        if self.ia2role:
            out.append(field('ia2role', self.ia2role))
        if self.name:
            out.append(field('name', self.name))
        if self.value:
            out.append(field('value', self.value))
        out.append(field('state', '0x%x' % self.state))
        out.append(field('box', box_text(self.box)))
        if len(self.lines) > 1:
            out.append(field('lines', ';'.join(box_text(b) for b in self.lines)))
        if self.attributes:
            out.append(field('attrs', attribute_string(self.attributes)))
        if self.text_attributes:
            out.append(field('textattrs', attribute_string(self.text_attributes)))
            out.append(field('background', self.background))
        out += inner_text_fields(self.inner_text, limit)
        if self.dom is not None:
            out.append(field('dom', self.dom))
        return out


class ServedTree:
    def __init__(self, ax, nodes, mapped, box_model, viewport, own_url):
        self.ax = {n['nodeId']: n for n in ax}
        self.root = ax[0]['nodeId']
        self.nodes = nodes
        self.mapped = mapped
        self.box_model = box_model
        self.viewport = viewport
        self.own_url = own_url
        self.unknown_roles = set()
        self.parents = self._parents()
        self.out = []

    def _parents(self):
        parents, stack = [None] * len(self.nodes), []
        for i, n in enumerate(self.nodes):
            while stack and self.nodes[stack[-1]]['depth'] >= n['depth']:
                stack.pop()
            parents[i] = stack[-1] if stack else None
            if n['kind'] == 'e':
                stack.append(i)
        return parents

    def build(self):
        """The served objects in document order (a parent before its
        children), each with its depth below the document."""
        self._serve(self.root, 0, None)
        return self.out

    def _serve(self, ax_id, depth, owner):
        """Serves an AX node (or, when it is ignored, its children) at `depth`;
        returns the objects made at that depth."""
        node = self.ax[ax_id]
        role = node['role']['value']
        if node.get('ignored') or role == 'InlineTextBox':
            made = []
            if role != 'InlineTextBox':
                for child in node.get('childIds', []):
                    made += self._serve(child, depth, owner)
            return made
        msaa, ia2 = ROLES.get(role, (GROUPING, 0))
        if role not in ROLES:
            self.unknown_roles.add(role)
        obj = Served(depth, msaa, ia2)
        self.out.append(obj)
        props = {p['name']: p['value'].get('value') for p in node.get('properties', [])}
        dom = self.mapped.get(node.get('backendDOMNodeId'))
        item = self.nodes[dom] if dom is not None else None
        obj.dom = dom
        # A node of no DOM node of its own (a list marker) takes its looks
        # from the element of the object holding it.
        element = self._element_of(dom) if dom is not None else owner
        obj.name = node.get('name', {}).get('value', '') or ''
        if role in ('RootWebArea', 'link'):
            obj.value = self.own_url(props.get('url') or '')
        elif role == 'textbox':
            obj.value = node.get('value', {}).get('value', '') or ''
        self._states(obj, role, props, element)
        self._looks(obj, role, item, element)

        if role == 'ListMarker':
            # The marker's text is a text run of its own; the marker has no name.
            obj.children.append(self._marker_text(obj, depth + 1))
            obj.name = ''
        elif role not in LEAVES:
            for child in node.get('childIds', []):
                obj.children += self._serve(child, depth + 1, element)
        self._place(obj, role, node, item)
        if role == 'ListMarker':
            obj.children[0].box = obj.box
            obj.children[0].state = obj.state
        return [obj]

    def _marker_text(self, marker, depth):
        text = Served(depth, STATICTEXT, 0)
        text.name = marker.name
        text.text_attributes = marker.text_attributes
        text.background = marker.background
        marker.text_attributes = None
        self.out.append(text)
        return text

    def _element_of(self, dom):
        """The element a node stands for: itself, or a text node's parent."""
        if dom is None:
            return None
        return dom if self.nodes[dom]['kind'] == 'e' else self.parents[dom]

    def _ancestors(self, index):
        while index is not None:
            yield index
            index = self.parents[index]

    def _states(self, obj, role, props, element):
        state = 0
        if props.get('focusable'):
            state |= FOCUSABLE
        if props.get('focused'):
            state |= FOCUSED
        if props.get('checked') == 'true':
            state |= CHECKED
        if props.get('expanded') is True:
            state |= EXPANDED
        elif props.get('expanded') is False:
            state |= COLLAPSED
        if role in READONLY_ROLES:
            state |= READONLY
        if role == 'link' or (role in ('StaticText', 'image') and any(
                self.nodes[a]['tag'] == 'a' and self.nodes[a]['href'] is not None
                for a in self._ancestors(element))):
            state |= LINKED
        if element is not None and self.nodes[element]['visibility'] != 'visible':
            state |= INVISIBLE
        obj.state = state

    def _looks(self, obj, role, item, element):
        if role == 'RootWebArea':
            obj.attributes = [('tag', '#document'), ('display', 'block')]
            return
        if item is not None and item['kind'] == 'e':
            obj.attributes = [('tag', item['tag']), ('display', item['display'])]
            if item['id'] is not None:
                obj.attributes.append(('id', item['id']))
            if item['cls'] is not None:
                obj.attributes.append(('class', item['cls']))
            obj.inner_text = item['innerText']
        if role in ('StaticText', 'ListMarker') and element is not None:
            style = self.nodes[element]
            obj.text_attributes = [('font-size', points(style['fontSize'])),
                                   ('color', ia2_color(style['color'])),
                                   ('background-color', ia2_color(style['background']))]
            obj.background = self._effective_background(element)

    def _effective_background(self, element):
        for index in self._ancestors(element):
            color = parse_color(self.nodes[index]['background'])
            if color is not None and color[3] > 0:
                return rgb_text(color)
        return rgb_text(CANVAS)

    def _place(self, obj, role, node, item):
        if role == 'RootWebArea':
            obj.box = [0, 0, self.viewport[0], self.viewport[1]]
        elif item is not None and (item['kind'] == 't' or item.get('laidOut')):
            obj.box = enclose(item['rect'])
            if item['kind'] == 't':
                obj.lines = [enclose(r) for r in item['lines']]
        elif 'backendDOMNodeId' in node:
            found = self.box_model(node['backendDOMNodeId'])
            obj.box = enclose(found) if found else None
        if obj.box is None:
            boxes = [c.box for c in obj.children if c.box and (c.box[2] or c.box[3])]
            if boxes:
                left = min(b[0] for b in boxes)
                top = min(b[1] for b in boxes)
                right = max(b[0] + b[2] for b in boxes)
                bottom = max(b[1] + b[3] for b in boxes)
                obj.box = [left, top, right - left, bottom - top]
            else:
                obj.box = [0, 0, 0, 0]
        x, y, w, h = obj.box
        if x + w <= 0 or y + h <= 0 or x >= self.viewport[0] or y >= self.viewport[1]:
            obj.state |= OFFSCREEN
