// Runs inside the loaded page: lists every node of the document in document
// order, as the page's own scripts see it (white-space-only text nodes and
// comments included), with what the recordings need of each. The nodes stay
// reachable as window.__tnkIndex (node -> index) so that the recorder can
// match accessible objects to them.
(() => {
    const out = [];
    const index = new Map();
    const rect = (r) => [r.left, r.top, r.width, r.height];
    const work = [[document.documentElement, 0]];
    while (work.length) {
        const [node, depth] = work.pop();
        const kind = node.nodeType;
        if (kind !== Node.ELEMENT_NODE && kind !== Node.TEXT_NODE && kind !== Node.COMMENT_NODE) {
            continue;  // no other kind of node is in an HTML document's tree
        }
        const item = {depth};
        index.set(node, out.length);
        out.push(item);
        if (kind === Node.ELEMENT_NODE) {
            const style = getComputedStyle(node);
            item.kind = 'e';
            item.tag = node.localName;
            item.id = node.getAttribute('id');
            item.cls = node.getAttribute('class');
            item.attributes = Array.from(node.attributes, (a) => [a.name, a.value]);
            item.href = node.localName === 'a' && node.hasAttribute('href') ? node.href : null;
            item.laidOut = node.getClientRects().length > 0;
            item.rect = rect(node.getBoundingClientRect());
            item.clientLeft = node.clientLeft;
            item.clientTop = node.clientTop;
            item.display = style.display;
            item.whiteSpace = style.whiteSpace;
            item.fontSize = style.fontSize;
            item.color = style.color;
            item.background = style.backgroundColor;
            item.visibility = style.visibility;
            item.innerText = node instanceof HTMLElement ? node.innerText : null;
            for (let child = node.lastChild; child; child = child.previousSibling) {
                work.push([child, depth + 1]);
            }
        } else if (kind === Node.TEXT_NODE) {
            const range = document.createRange();
            range.selectNodeContents(node);
            item.kind = 't';
            item.text = node.data;
            item.rect = rect(range.getBoundingClientRect());
            item.lines = Array.from(range.getClientRects(), rect);
        } else {
            item.kind = 'c';
            item.text = node.data;
        }
    }
    window.__tnkIndex = index;
    return {
        nodes: out,
        title: document.title,
        size: [document.documentElement.scrollWidth, document.documentElement.scrollHeight],
    };
})()
