#pragma once

#include <string>

#include "accessible_tree.h"
#include "capture/accessible/accessible_document.h"
#include "capture/capture_engine.h"
#include "fake_windows.h"

namespace tnk {

// A window at screen (100, 130), 400 x 300, of a program that publishes
// its page as accessible objects only, like the accessible page host:
//   client > document > heading "Hello accessible"
//                     > paragraph "First " link("bold link") " words"
//                     > section "Visible " hidden tiny ghost "text"
//                     > table > row > cells "Cell one" "Cell two"
//                     > editable field "typed value"
//                     > list of two simple items
// Boxes are in the window's client coordinates, as in the host's README.
struct AccessibleRig {
    explicit AccessibleRig(bool ia2 = true) : ia2_(ia2) {
        build();
        window = windows.add({.className = u"TarnwickAccessiblePage",
                              .origin = {100, 130},
                              .size = {400, 300},
                              .text = u"Accessible page window"});
        windows[window].accessible = acc::makeDocument(source());
        engine.setAnyWindow(true);
    }

    acc::PageSource source() {
        return {tree.object(tree.root()),
                [](dom::Point p) {
                    return dom::Point{p.x + 100, p.y + 130};
                },
                u"Accessible page window",
                {}};
    }

    void moveTo(int x, int y) { engine.captureAtPoint({100 + x, 130 + y}); }

    testacc::Node* add(testacc::Node* parent, acc::Role role, int left, int top, int right,
                       int bottom, const char16_t* attributes = nullptr,
                       std::optional<std::u16string> name = std::nullopt) {
        testacc::Facts facts;
        facts.role = std::move(role);
        facts.box = {100 + left, 130 + top, 100 + right, 130 + bottom};
        facts.name = std::move(name);
        if (attributes && ia2_) {
            facts.objectAttributes = attributes;
        }
        if (ia2_) {
            facts.textAttributes =
                u"font-size:12pt;color:rgb(0, 0, 0);background-color:transparent;";
        }
        return tree.add(parent, std::move(facts));
    }
    testacc::Node* text(testacc::Node* parent, std::u16string name, int left, int top, int right,
                        int bottom) {
        return add(parent, testacc::roleNumber(acc::role::staticText), left, top, right, bottom,
                   nullptr, std::move(name));
    }

    void build() {
        using testacc::roleNumber;
        testacc::Node* client = add(nullptr, roleNumber(acc::role::client), 0, 0, 400, 300, nullptr,
                                    u"Accessible page window");
        document = add(client, roleNumber(acc::role::document), 0, 0, 400, 300,
                       u"tag:#document;display:block;", u"Accessible article");
        document->facts.value = u"http://acc.tarnwick.test/article.html";

        heading = add(document, testacc::roleText(u"heading"), 10, 10, 390, 40,
                      u"tag:h1;display:block;id:top;");
        text(heading, u"Hello accessible", 10, 10, 390, 40);

        paragraph = add(document, roleNumber(acc::role::grouping), 10, 50, 390, 90,
                        u"tag:p;display:block;class:lead;");
        text(paragraph, u"First ", 10, 50, 60, 70);
        link =
            add(paragraph, roleNumber(30), 60, 50, 130, 70, u"tag:a;display:inline;", u"bold link");
        text(link, u"bold link", 60, 50, 130, 70);
        text(paragraph, u" words", 130, 50, 200, 70);

        section = add(document, roleNumber(acc::role::grouping), 10, 100, 390, 160,
                      u"tag:div;display:block;id:junk;");
        text(section, u"Visible ", 10, 100, 70, 130);
        text(section, u"hidden", 70, 100, 130, 130)->facts.state = acc::state::invisible;
        tiny = text(section, u"tiny", 130, 100, 190, 130);
        ghost = text(section, u"ghost", 190, 100, 250, 130);
        if (ia2_) {
            tiny->facts.textAttributes = u"font-size:0pt;color:rgb(0, 0, 0);";
            ghost->facts.textAttributes =
                u"font-size:12pt;color:rgb(255, 255, 255);background-color:rgb(255, 255, 255);";
        }
        text(section, u"text", 250, 100, 310, 130);

        testacc::Node* table = add(document, roleNumber(acc::role::table), 10, 170, 390, 230,
                                   u"tag:table;display:table;");
        testacc::Node* row =
            add(table, roleNumber(acc::role::row), 10, 170, 390, 230, u"tag:tr;display:table-row;");
        cell =
            add(row, roleNumber(acc::role::cell), 10, 170, 200, 230, u"tag:td;display:table-cell;");
        text(cell, u"Cell one", 10, 170, 200, 230);
        testacc::Node* second = add(row, roleNumber(acc::role::cell), 200, 170, 390, 230,
                                    u"tag:td;display:table-cell;");
        text(second, u"Cell two", 200, 170, 390, 230);

        field = add(document, roleNumber(acc::role::text), 10, 240, 200, 270,
                    u"tag:input;display:inline-block;", u"Field label");
        field->facts.value = u"typed value";

        testacc::Node* list = add(document, roleNumber(acc::role::list), 210, 240, 390, 290,
                                  u"tag:ul;display:block;");
        testacc::Facts item;
        item.role = roleNumber(acc::role::listItem);
        item.simple = true;
        item.name = u"Item one";
        item.box = {310, 370, 490, 395};
        tree.add(list, item);
        item.name = u"Item two";
        item.box = {310, 395, 490, 420};
        tree.add(list, item);
    }

    bool ia2_;
    testacc::Tree tree;
    testacc::Node* document = nullptr;
    testacc::Node* heading = nullptr;
    testacc::Node* paragraph = nullptr;
    testacc::Node* link = nullptr;
    testacc::Node* section = nullptr;
    testacc::Node* tiny = nullptr;
    testacc::Node* ghost = nullptr;
    testacc::Node* cell = nullptr;
    testacc::Node* field = nullptr;
    testpage::FakeWindowSystem windows;
    WindowHandle window = 0;
    CaptureState state;
    testpage::FakeCaptureHost host{state, windows};
    CaptureEngine engine{state, windows, host};
};

}  // namespace tnk
