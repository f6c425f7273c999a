// accessible_host.exe seen from another process, the way Tarnwick sees a
// browser: the client object of its window, MSAA calls across the process
// boundary, IAccessible2 through the proxy the prefix has for it (its own, or
// the one `accessible_host --register` gives it), and hosts that stop
// answering.
#include <gtest/gtest.h>
#include <windows.h>

#include <mshtml.h>
#include <oleacc.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "capture/com/com_ptr.h"
#include "capture/msaa/ia2.h"
#include "host_handles.h"

namespace tnk::test {
namespace {

using com::ComPtr;

constexpr DWORD kCallLimitMs = 60000;
constexpr DWORD kPollMs = 50;
// IHTMLDocument, the interface page_host hands out.
constexpr GUID kIidHtmlDocument = {
    0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};

POINT screenPoint(int x, int y) {
    return {HostProcess::kPageX + x, HostProcess::kPageY + y};
}

VARIANT childId(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring takeString(BSTR b) {
    std::wstring s(b ? b : L"", b ? SysStringLen(b) : 0);
    SysFreeString(b);
    return s;
}

// The client object a window hands out, as Tarnwick asks for it.
ComPtr<IAccessible> clientObject(HWND window) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT),
                             SMTO_ABORTIFHUNG, 1000, &result) ||
        result == 0) {
        return nullptr;
    }
    ComPtr<IAccessible> object;
    if (FAILED(ObjectFromLresult(result, __uuidof(IAccessible), 0,
                                 reinterpret_cast<void**>(object.put())))) {
        return nullptr;
    }
    return object;
}

std::wstring nameOf(IAccessible* object, long child = CHILDID_SELF) {
    BSTR name = nullptr;
    return SUCCEEDED(object->get_accName(childId(child), &name)) ? takeString(name) : L"(failed)";
}

std::wstring valueOf(IAccessible* object) {
    BSTR value = nullptr;
    return SUCCEEDED(object->get_accValue(childId(CHILDID_SELF), &value)) ? takeString(value)
                                                                          : L"(failed)";
}

// A number role as its decimal digits, a string role as itself.
std::wstring roleOf(IAccessible* object, long child = CHILDID_SELF) {
    VARIANT role;
    VariantInit(&role);
    if (FAILED(object->get_accRole(childId(child), &role))) {
        return L"(failed)";
    }
    std::wstring text = role.vt == VT_BSTR ? std::wstring(role.bstrVal)
                        : role.vt == VT_I4 ? std::to_wstring(role.lVal)
                                           : L"(vt " + std::to_wstring(role.vt) + L")";
    VariantClear(&role);
    return text;
}

std::wstring role(long msaaRole) {
    return std::to_wstring(msaaRole);
}

long stateOf(IAccessible* object) {
    VARIANT state;
    VariantInit(&state);
    object->get_accState(childId(CHILDID_SELF), &state);
    return state.vt == VT_I4 ? state.lVal : -1;
}

RECT locationOf(IAccessible* object, long child = CHILDID_SELF) {
    long x = 0, y = 0, w = 0, h = 0;
    object->accLocation(&x, &y, &w, &h, childId(child));
    return {x, y, x + w, y + h};
}

ComPtr<IAccessible> parentOf(IAccessible* object) {
    ComPtr<IDispatch> parent;
    object->get_accParent(parent.put());
    return parent.query<IAccessible>();
}

// What lies under a screen point: the deepest object, and a simple child's id
// when the point is on one.
struct Hit {
    ComPtr<IAccessible> object;
    long child = CHILDID_SELF;
};

Hit deepestAt(ComPtr<IAccessible> from, POINT p) {
    Hit hit{std::move(from)};
    for (;;) {
        VARIANT v;
        VariantInit(&v);
        if (FAILED(hit.object->accHitTest(p.x, p.y, &v)) || v.vt == VT_EMPTY) {
            return {};
        }
        if (v.vt == VT_I4) {
            hit.child = v.lVal;
            return hit;
        }
        if (v.vt != VT_DISPATCH) {
            VariantClear(&v);
            return {};
        }
        hit.object = ComPtr<IDispatch>::attach(v.pdispVal).query<IAccessible>();
        if (!hit.object) {
            return {};
        }
    }
}

bool sameObject(IUnknown* a, IUnknown* b) {
    ComPtr<IUnknown> ua = ComPtr<IUnknown>::share(a).query<IUnknown>();
    ComPtr<IUnknown> ub = ComPtr<IUnknown>::share(b).query<IUnknown>();
    return ua && ua.get() == ub.get();
}

ComPtr<IAccessible2> accessible2Of(IAccessible* object) {
    ComPtr<IServiceProvider> provider =
        ComPtr<IAccessible>::share(object).query<IServiceProvider>();
    ComPtr<IAccessible2> result;
    if (provider) {
        provider->QueryService(__uuidof(IAccessible), __uuidof(IAccessible2),
                               reinterpret_cast<void**>(result.put()));
    }
    return result;
}

class AccessibleHost : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { registration_ = registerAccessibleHostLibrary(); }
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }

    static Registration registration_;
};

Registration AccessibleHost::registration_;

TEST_F(AccessibleHost, ServesTheArticleThroughMsaa) {
    HostProcess host(HostKind::accessible, L"article", coldHost());
    ASSERT_TRUE(host.ready());
    DWORD_PTR answer = 1;
    EXPECT_TRUE(SendMessageTimeoutW(host.frame(), WM_GETOBJECT, 0,
                                    static_cast<LPARAM>(OBJID_CLIENT), SMTO_ABORTIFHUNG, 1000,
                                    &answer));
    EXPECT_EQ(answer, 0u) << "the frame is a plain window";

    ComPtr<IAccessible> root = clientObject(host.page());
    ASSERT_TRUE(root);
    EXPECT_EQ(nameOf(root.get()), L"Accessible page window");
    EXPECT_EQ(roleOf(root.get()), role(ROLE_SYSTEM_CLIENT));

    // Over the heading: the deepest object is its text; the walk up passes
    // the heading (a role given as a string) and the document.
    Hit text = deepestAt(root, screenPoint(20, 20));
    ASSERT_TRUE(text.object);
    EXPECT_EQ(text.child, CHILDID_SELF);
    EXPECT_EQ(nameOf(text.object.get()), L"Hello accessible");
    EXPECT_EQ(roleOf(text.object.get()), role(ROLE_SYSTEM_STATICTEXT));

    ComPtr<IAccessible> heading = parentOf(text.object.get());
    ASSERT_TRUE(heading);
    EXPECT_EQ(roleOf(heading.get()), L"heading");
    EXPECT_EQ(stateOf(heading.get()), STATE_SYSTEM_READONLY);
    const RECT headingBox = locationOf(heading.get());
    EXPECT_EQ(headingBox.left, 110);
    EXPECT_EQ(headingBox.top, 140);
    EXPECT_EQ(headingBox.right, 490);
    EXPECT_EQ(headingBox.bottom, 170);

    ComPtr<IAccessible> document = parentOf(heading.get());
    ASSERT_TRUE(document);
    EXPECT_EQ(roleOf(document.get()), role(ROLE_SYSTEM_DOCUMENT));
    EXPECT_EQ(nameOf(document.get()), L"Accessible article");
    EXPECT_EQ(valueOf(document.get()), L"http://acc.tarnwick.test/article.html");
    long count = 0;
    EXPECT_EQ(document->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 6);

    // One object per node: the parent walk and accChild reach the same ones.
    ComPtr<IAccessible> top = parentOf(document.get());
    ASSERT_TRUE(top);
    EXPECT_TRUE(sameObject(top.get(), root.get()));
    ComPtr<IDispatch> first;
    EXPECT_EQ(root->get_accChild(childId(1), first.put()), S_OK);
    EXPECT_TRUE(sameObject(first.get(), document.get()));
    ComPtr<IDispatch> above;
    EXPECT_EQ(root->get_accParent(above.put()), S_FALSE);
    EXPECT_FALSE(above);

    // The list's items are simple children, known by id through the list.
    Hit item = deepestAt(root, screenPoint(220, 270));
    ASSERT_TRUE(item.object);
    EXPECT_EQ(item.child, 2);
    EXPECT_EQ(roleOf(item.object.get()), role(ROLE_SYSTEM_LIST));
    EXPECT_EQ(nameOf(item.object.get(), 2), L"Item two");
    EXPECT_EQ(nameOf(item.object.get(), 1), L"Item one");
    EXPECT_EQ(roleOf(item.object.get(), 2), role(ROLE_SYSTEM_LISTITEM));
    const RECT itemBox = locationOf(item.object.get(), 2);
    EXPECT_EQ(itemBox.left, 310);
    EXPECT_EQ(itemBox.top, 395);
    ComPtr<IDispatch> simple;
    EXPECT_EQ(item.object->get_accChild(childId(2), simple.put()), S_FALSE);
    EXPECT_FALSE(simple);

    // Without IEnumVARIANT, AccessibleChildren asks accChild for each child.
    VARIANT children[6];
    LONG got = 0;
    EXPECT_EQ(AccessibleChildren(document.get(), 0, 6, children, &got), S_OK);
    ASSERT_EQ(got, 6);
    for (VARIANT& v : children) {
        EXPECT_EQ(v.vt, VT_DISPATCH);
        VariantClear(&v);
    }
    EXPECT_EQ(AccessibleChildren(item.object.get(), 0, 2, children, &got), S_OK);
    ASSERT_EQ(got, 2);
    EXPECT_EQ(children[0].vt, VT_I4);
    EXPECT_EQ(children[1].lVal, 2);

    // The editable field reads by value; a hidden word is never hit, so the
    // point falls to its section; outside the page there is nothing.
    Hit field = deepestAt(root, screenPoint(20, 250));
    ASSERT_TRUE(field.object);
    EXPECT_EQ(roleOf(field.object.get()), role(ROLE_SYSTEM_TEXT));
    EXPECT_EQ(nameOf(field.object.get()), L"Field label");
    EXPECT_EQ(valueOf(field.object.get()), L"typed value");
    Hit section = deepestAt(root, screenPoint(80, 110));
    ASSERT_TRUE(section.object);
    EXPECT_EQ(section.child, CHILDID_SELF);
    EXPECT_EQ(roleOf(section.object.get()), role(ROLE_SYSTEM_GROUPING));
    VARIANT outside;
    VariantInit(&outside);
    EXPECT_EQ(root->accHitTest(50, 50, &outside), S_FALSE);
    EXPECT_EQ(outside.vt, VT_EMPTY);
}

TEST_F(AccessibleHost, OffersIAccessible2AndTextAttributesAcrossProcesses) {
    ASSERT_TRUE(registration_.succeeded) << registration_.report;
    HostProcess host(HostKind::accessible, L"article", coldHost());
    ASSERT_TRUE(host.ready());
    ComPtr<IAccessible> root = clientObject(host.page());
    ASSERT_TRUE(root);

    ComPtr<IAccessible> heading = parentOf(deepestAt(root, screenPoint(20, 20)).object.get());
    ASSERT_TRUE(heading);
    ComPtr<IAccessible2> heading2 = accessible2Of(heading.get());
    ASSERT_TRUE(heading2);
    BSTR attributes = nullptr;
    EXPECT_EQ(heading2->get_attributes(&attributes), S_OK);
    EXPECT_EQ(takeString(attributes), L"tag:h1;display:block;id:top;");
    long ia2Role = 0;
    EXPECT_EQ(heading2->role(&ia2Role), S_OK);
    EXPECT_EQ(ia2Role, 0x414) << "IA2_ROLE_HEADING";
    EXPECT_TRUE(sameObject(heading2.get(), heading.get()));

    // The white-on-white word: its IAccessible members through the
    // IAccessible2 proxy, then its text and text attributes.
    Hit ghost = deepestAt(root, screenPoint(200, 110));
    ASSERT_TRUE(ghost.object);
    ComPtr<IAccessible2> ghost2 = accessible2Of(ghost.object.get());
    ASSERT_TRUE(ghost2);
    EXPECT_EQ(nameOf(ghost2.get()), L"ghost");
    EXPECT_EQ(roleOf(ghost2.get()), role(ROLE_SYSTEM_STATICTEXT));
    EXPECT_EQ(ghost2->get_attributes(&attributes), S_OK);
    EXPECT_EQ(takeString(attributes), L"display:inline;");
    ComPtr<IAccessibleText> text = ghost2.query<IAccessibleText>();
    ASSERT_TRUE(text);
    long start = -1, end = -1;
    EXPECT_EQ(text->get_attributes(0, &start, &end, &attributes), S_OK);
    EXPECT_EQ(takeString(attributes),
              L"font-size:12pt;color:rgb(255, 255, 255);background-color:rgb(255, 255, 255);");
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 5);
    long characters = 0;
    EXPECT_EQ(text->get_nCharacters(&characters), S_OK);
    EXPECT_EQ(characters, 5);
    BSTR content = nullptr;
    EXPECT_EQ(text->get_text(1, 4, &content), S_OK);
    EXPECT_EQ(takeString(content), L"hos");

    ComPtr<IAccessible2> section2 = accessible2Of(parentOf(ghost.object.get()).get());
    ASSERT_TRUE(section2);
    EXPECT_EQ(section2->get_attributes(&attributes), S_OK);
    EXPECT_EQ(takeString(attributes), L"tag:div;display:block;id:junk;");
    EXPECT_FALSE(text.query<IAccessibleHypertext>()) << "a text run keeps its own text";
}

// A container's text is its children's: text runs as they are, every other
// child one U+FFFC standing for it as an embedded object (a hyperlink).
TEST_F(AccessibleHost, ContainersServeHypertextAcrossProcesses) {
    ASSERT_TRUE(registration_.succeeded) << registration_.report;
    HostProcess host(HostKind::accessible, L"article", coldHost());
    ASSERT_TRUE(host.ready());
    ComPtr<IAccessible> root = clientObject(host.page());
    ASSERT_TRUE(root);
    Hit first = deepestAt(root, screenPoint(20, 55));
    ASSERT_TRUE(first.object);
    ASSERT_EQ(nameOf(first.object.get()), L"First ");
    ComPtr<IAccessible> paragraph = parentOf(first.object.get());
    ComPtr<IAccessible2> paragraph2 = accessible2Of(paragraph.get());
    ASSERT_TRUE(paragraph2);
    ComPtr<IAccessibleHypertext> hypertext = paragraph2.query<IAccessibleHypertext>();
    ASSERT_TRUE(hypertext);

    const std::wstring expected = L"First \xFFFC words";
    long characters = 0;
    EXPECT_EQ(hypertext->get_nCharacters(&characters), S_OK);
    EXPECT_EQ(characters, static_cast<long>(expected.size()));
    BSTR content = nullptr;
    EXPECT_EQ(hypertext->get_text(0, -1, &content), S_OK);
    EXPECT_EQ(takeString(content), expected);
    EXPECT_EQ(hypertext->get_text(4, 8, &content), S_OK);
    EXPECT_EQ(takeString(content), L"t \xFFFC ");
    EXPECT_EQ(hypertext->get_text(0, 99, &content), E_INVALIDARG);

    long links = 0;
    EXPECT_EQ(hypertext->get_nHyperlinks(&links), S_OK);
    EXPECT_EQ(links, 1);
    long index = 0;
    EXPECT_EQ(hypertext->get_hyperlinkIndex(6, &index), S_OK);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(hypertext->get_hyperlinkIndex(2, &index), S_OK);
    EXPECT_EQ(index, -1);
    ComPtr<IAccessibleHyperlink> link;
    EXPECT_EQ(hypertext->get_hyperlink(0, link.put()), S_OK);
    ASSERT_TRUE(link);
    ComPtr<IAccessibleHyperlink> none;
    EXPECT_EQ(hypertext->get_hyperlink(1, none.put()), E_INVALIDARG);
    long start = -1;
    long end = -1;
    EXPECT_EQ(link->get_startIndex(&start), S_OK);
    EXPECT_EQ(link->get_endIndex(&end), S_OK);
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 7);
    boolean valid = 0;
    EXPECT_EQ(link->get_valid(&valid), S_OK);
    EXPECT_TRUE(valid);
    ComPtr<IAccessible> linkObject = link.query<IAccessible>();
    ASSERT_TRUE(linkObject);
    EXPECT_EQ(nameOf(linkObject.get()), L"bold link");
    EXPECT_TRUE(sameObject(link.query<IAccessible2>().get(), linkObject.get()));

    // Attribute runs: a text run's span carries its attributes, an embedded
    // object's character none.
    BSTR attributes = nullptr;
    EXPECT_EQ(hypertext->get_attributes(8, &start, &end, &attributes), S_OK);
    EXPECT_EQ(takeString(attributes),
              L"font-size:12pt;color:rgb(0, 0, 0);background-color:transparent;");
    EXPECT_EQ(start, 7);
    EXPECT_EQ(end, 13);
    EXPECT_EQ(hypertext->get_attributes(6, &start, &end, &attributes), S_OK);
    EXPECT_EQ(takeString(attributes), L"");
    EXPECT_EQ(start, 6);
    EXPECT_EQ(end, 7);

    // A text run is a hyperlink too, spanning its text in its parent's.
    ComPtr<IAccessibleHyperlink> run =
        accessible2Of(first.object.get()).query<IAccessibleHyperlink>();
    ASSERT_TRUE(run);
    EXPECT_EQ(run->get_startIndex(&start), S_OK);
    EXPECT_EQ(run->get_endIndex(&end), S_OK);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 6);
}

std::wstring recordingPath(const char* name) {
    return builtPath(TNK_TEST_DATA_DIR) + L"\\recordings\\" +
           std::wstring(name, name + std::strlen(name));
}

long countOf(const std::vector<std::pair<std::string, long>>& counts, const char* kind) {
    for (const auto& [name, n] : counts) {
        if (name == kind) {
            return n;
        }
    }
    return 0;
}

// A recorded page served as a browser's page window serves it: the document
// at the top, the deepest object in one hit test, the recorded attributes.
TEST_F(AccessibleHost, ServesARecordedPageAndCountsTheCalls) {
    ASSERT_TRUE(registration_.succeeded) << registration_.report;
    HangFile counts;  // a fresh temporary path, removed at the end
    HostOptions options;
    options.recording = recordingPath("valgrind-quickstart.acc");
    options.countFile = counts.path();
    HostProcess host(HostKind::accessible, L"", coldHost(options));
    ASSERT_TRUE(host.ready());
    RECT client{};
    GetClientRect(host.page(), &client);
    EXPECT_EQ(client.right, 1000);
    EXPECT_EQ(client.bottom, 700);

    ComPtr<IAccessible> document = clientObject(host.page());
    ASSERT_TRUE(document);
    EXPECT_EQ(roleOf(document.get()), role(ROLE_SYSTEM_DOCUMENT));
    EXPECT_EQ(nameOf(document.get()), L"The Valgrind Quick Start Guide");
    EXPECT_EQ(valueOf(document.get()), L"file:///usr/share/doc/valgrind/html/QuickStart.html");

    VARIANT hit;
    VariantInit(&hit);
    const POINT p = screenPoint(200, 70);
    ASSERT_EQ(document->accHitTest(p.x, p.y, &hit), S_OK);
    ASSERT_EQ(hit.vt, VT_DISPATCH);
    ComPtr<IAccessible> text = ComPtr<IDispatch>::attach(hit.pdispVal).query<IAccessible>();
    ASSERT_TRUE(text);
    EXPECT_EQ(nameOf(text.get()), L"The Valgrind Quick Start Guide");
    EXPECT_EQ(roleOf(text.get()), role(ROLE_SYSTEM_STATICTEXT));
    const RECT box = locationOf(text.get());
    EXPECT_EQ(box.left, 108);
    EXPECT_EQ(box.top, 185);
    ComPtr<IAccessible2> text2 = accessible2Of(text.get());
    ASSERT_TRUE(text2);
    long start = -1;
    long end = -1;
    BSTR attributes = nullptr;
    EXPECT_EQ(text2.query<IAccessibleText>()->get_attributes(0, &start, &end, &attributes), S_OK);
    EXPECT_EQ(takeString(attributes),
              L"font-size:21.6pt;color:rgb(116\\, 36\\, 15);background-color:transparent;");

    ComPtr<IAccessible2> heading = accessible2Of(parentOf(text.get()).get());
    ASSERT_TRUE(heading);
    EXPECT_EQ(heading->get_attributes(&attributes), S_OK);
    EXPECT_EQ(takeString(attributes), L"tag:h1;display:block;class:title;");
    long ia2Role = 0;
    EXPECT_EQ(heading->role(&ia2Role), S_OK);
    EXPECT_EQ(ia2Role, 0x414);
    BSTR content = nullptr;
    EXPECT_EQ(heading.query<IAccessibleHypertext>()->get_text(0, -1, &content), S_OK);
    EXPECT_EQ(takeString(content), L"\xFFFCThe Valgrind Quick Start Guide");

    const auto calls = host.callCounts();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].first, "total");
    EXPECT_GE(calls[0].second, 10);
    EXPECT_EQ(countOf(calls, "accHitTest"), 1);
    EXPECT_EQ(countOf(calls, "get_text"), 1);
}

TEST_F(AccessibleHost, WithMsaaOnlyOffersNoIAccessible2) {
    HostOptions options;
    options.msaaOnly = true;
    HostProcess host(HostKind::accessible, L"article", coldHost(options));
    ASSERT_TRUE(host.ready());
    ComPtr<IAccessible> root = clientObject(host.page());
    ASSERT_TRUE(root);
    Hit text = deepestAt(root, screenPoint(20, 20));
    ASSERT_TRUE(text.object);
    EXPECT_EQ(nameOf(text.object.get()), L"Hello accessible");
    EXPECT_FALSE(text.object.query<IServiceProvider>());
    EXPECT_FALSE(text.object.query<IAccessible2>());
    EXPECT_EQ(roleOf(parentOf(text.object.get()).get()), L"heading");
}

TEST_F(AccessibleHost, TheLatePageGrowsItsTreeAfterTheFirstRequest) {
    HostProcess host(HostKind::accessible, L"late", coldHost());
    ASSERT_TRUE(host.ready());
    ComPtr<IAccessible> root = clientObject(host.page());
    ASSERT_TRUE(root);
    ComPtr<IDispatch> child;
    ASSERT_EQ(root->get_accChild(childId(1), child.put()), S_OK);
    ComPtr<IAccessible> document = child.query<IAccessible>();
    ASSERT_TRUE(document);
    long count = -1;
    EXPECT_EQ(document->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 0) << "empty at first";

    const ULONGLONG deadline = GetTickCount64() + kCallLimitMs;
    while (count == 0 && GetTickCount64() < deadline) {
        Sleep(kPollMs);
        document->get_accChildCount(&count);
    }
    EXPECT_EQ(count, 6);
    Hit text = deepestAt(root, screenPoint(20, 20));
    ASSERT_TRUE(text.object);
    EXPECT_EQ(nameOf(text.object.get()), L"Hello accessible");
}

TEST_F(AccessibleHost, AHungHostFailsTheObjectRequest) {
    HostOptions options;
    options.hang = true;
    HostProcess host(HostKind::accessible, L"article", coldHost(options));
    ASSERT_TRUE(host.ready());
    DWORD_PTR result = 0;
    EXPECT_FALSE(SendMessageTimeoutW(host.page(), WM_GETOBJECT, 0,
                                     static_cast<LPARAM>(OBJID_CLIENT), SMTO_ABORTIFHUNG, 1000,
                                     &result));
}

// What a failed test prints about a helper it started: how it ended, after
// how long, and the end of what it wrote, for one that failed by itself and
// for one still running when the test gave up on it.
TEST(HelperReport, SaysHowTheHelperEndedAndWhatItPrinted) {
    ChildProcess failed;
    ASSERT_TRUE(failed.start(hostProgram(HostKind::accessible), L"--no-such-option"));
    ASSERT_TRUE(failed.waitExit(kCallLimitMs / 1000));
    EXPECT_EQ(failed.exitCode(), 2u);
    std::string report = failed.report();
    EXPECT_NE(report.find("--no-such-option: exit code 2 (0x00000002) after "), std::string::npos)
        << report;
    EXPECT_NE(report.find("  stdout: (nothing)\n  stderr:\n    usage: accessible_host"),
              std::string::npos)
        << report;

    ChildProcess hung;
    ASSERT_TRUE(hung.start(hostProgram(HostKind::accessible), L"article --hang"));
    const ULONGLONG deadline = GetTickCount64() + kCallLimitMs;
    while (hung.output().empty() && GetTickCount64() < deadline) {
        Sleep(kPollMs);
    }
    hung.end();
    EXPECT_FALSE(hung.exitCode() == 0u);
    report = hung.report();
    EXPECT_NE(report.find(": still running after "), std::string::npos) << report;
    EXPECT_NE(report.find("s, so the test ended it\n  stdout:\n    accessible_host ready frame="),
              std::string::npos)
        << report;

    ChildProcess missing;
    EXPECT_FALSE(missing.start(hostProgram(HostKind::accessible) + L".missing", L""));
    EXPECT_NE(missing.report().find(".missing\": did not start (error 2)"), std::string::npos)
        << missing.report();
}

// A remote call made on a worker thread (a proxy belongs to the thread that
// got it), so that the test thread can watch it block. The worker gets its
// object and calls once at once, then once more when go() is called.
class WorkerCall {
  public:
    using Acquire = std::function<ComPtr<IUnknown>()>;
    using Call = std::function<HRESULT(IUnknown*, std::wstring&)>;

    WorkerCall(Acquire acquire, Call call)
        : warm_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          go_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          thread_([this, acquire, call] { run(acquire, call); }) {}
    WorkerCall(const WorkerCall&) = delete;
    WorkerCall& operator=(const WorkerCall&) = delete;
    // The worker's call returns once its host answers again or ends.
    ~WorkerCall() {
        SetEvent(go_);
        thread_.join();
        CloseHandle(warm_);
        CloseHandle(go_);
        CloseHandle(done_);
    }

    bool warmed() { return WaitForSingleObject(warm_, kCallLimitMs) == WAIT_OBJECT_0; }
    void go() { SetEvent(go_); }
    bool done(DWORD ms) { return WaitForSingleObject(done_, ms) == WAIT_OBJECT_0; }

    HRESULT firstResult = E_FAIL;
    std::wstring firstText;
    HRESULT result = E_FAIL;
    std::wstring text;

  private:
    void run(const Acquire& acquire, const Call& call) {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ComPtr<IUnknown> object = acquire();
            if (object) {
                firstResult = call(object.get(), firstText);
            }
            SetEvent(warm_);
            WaitForSingleObject(go_, kCallLimitMs);
            if (object) {
                result = call(object.get(), text);
            }
            SetEvent(done_);
        }
        CoUninitialize();
    }

    HANDLE warm_;
    HANDLE go_;
    HANDLE done_;
    std::thread thread_;
};

// The window no longer reads its messages: its thread is held inside a call.
bool waitUntilBlocked(HWND window) {
    const ULONGLONG deadline = GetTickCount64() + kCallLimitMs;
    while (GetTickCount64() < deadline) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 300, &answer)) {
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

// Holds the worker's second call with the file, checks that it and the host
// window block, then lets it go.
void expectBlockedWhileTheFileExists(const HangFile& file, WorkerCall& worker, HWND window) {
    ASSERT_TRUE(worker.warmed());
    ASSERT_EQ(worker.firstResult, S_OK);
    ASSERT_TRUE(file.create());
    worker.go();
    EXPECT_TRUE(waitUntilBlocked(window));
    EXPECT_FALSE(worker.done(0)) << "the call returned while the file existed";
    file.remove();
    ASSERT_TRUE(worker.done(kCallLimitMs));
    EXPECT_EQ(worker.result, S_OK);
    EXPECT_EQ(worker.text, worker.firstText);
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer));
}

TEST_F(AccessibleHost, AHangFileHoldsCallsUntilItIsRemoved) {
    // Every path below removes the file once it was made, so the worker's
    // held call ends before the worker goes.
    HangFile file;
    HostOptions options;
    options.hangFile = file.path();
    HostProcess host(HostKind::accessible, L"article", coldHost(options));
    ASSERT_TRUE(host.ready());
    const HWND page = host.page();
    WorkerCall worker(
        [page] {
            ComPtr<IAccessible> object = clientObject(page);
            return object.query<IUnknown>();
        },
        [](IUnknown* object, std::wstring& out) {
            BSTR name = nullptr;
            ComPtr<IAccessible> accessible = ComPtr<IUnknown>::share(object).query<IAccessible>();
            HRESULT hr =
                accessible ? accessible->get_accName(childId(CHILDID_SELF), &name) : E_FAIL;
            out = takeString(name);
            return hr;
        });
    expectBlockedWhileTheFileExists(file, worker, page);
    EXPECT_EQ(worker.text, L"Accessible page window");
}

// The HTML page host has the same mode, for a browser that hangs after
// handing out its document.
TEST_F(AccessibleHost, AHangFileHoldsPageHostCallsToo) {
    HangFile file;
    HostProcess host(HostKind::html, L"simple", coldHost({.hangFile = file.path()}));
    ASSERT_TRUE(host.ready());
    const HWND server = host.page();
    WorkerCall worker(
        [server]() -> ComPtr<IUnknown> {
            DWORD_PTR result = 0;
            const UINT message = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
            ComPtr<IUnknown> document;
            if (SendMessageTimeoutW(server, message, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) &&
                result != 0) {
                ObjectFromLresult(result, kIidHtmlDocument, 0,
                                  reinterpret_cast<void**>(document.put()));
            }
            return document;
        },
        [](IUnknown* object, std::wstring& out) {
            BSTR title = nullptr;
            ComPtr<IHTMLDocument2> document =
                ComPtr<IUnknown>::share(object).query<IHTMLDocument2>();
            HRESULT hr = document ? document->get_title(&title) : E_FAIL;
            out = takeString(title);
            return hr;
        });
    expectBlockedWhileTheFileExists(file, worker, server);
    EXPECT_EQ(worker.text, L"Simple page");
}

}  // namespace
}  // namespace tnk::test
