#include "type_library.h"

#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/msaa/ia2.h"

namespace tnk::accessible_host {

namespace {

// The library's own identity; bump the version when a description changes.
const GUID kLibraryId = {
    0x01336d98, 0x9a58, 0x43f0, {0xb8, 0x33, 0x34, 0x83, 0xad, 0x57, 0x29, 0x28}};
constexpr WORD kMajor = 1;
constexpr WORD kMinor = 0;

// Parameter kinds. Members with arrays, structures or window handles cannot
// go through the type library marshaler; they are described with a pointer
// of the same size (Out) and are never called across processes.
enum class P { InLong, Out, InBstr, OutBstr, InVariant, OutVariant, OutDispatch, OutUnknown };

struct Method {
    const wchar_t* name;
    std::vector<P> params;
};

// IAccessible's members, which IAccessible2 repeats after IDispatch's.
const std::vector<Method> kAccessible = {
    {L"get_accParent", {P::OutDispatch}},
    {L"get_accChildCount", {P::Out}},
    {L"get_accChild", {P::InVariant, P::OutDispatch}},
    {L"get_accName", {P::InVariant, P::OutBstr}},
    {L"get_accValue", {P::InVariant, P::OutBstr}},
    {L"get_accDescription", {P::InVariant, P::OutBstr}},
    {L"get_accRole", {P::InVariant, P::OutVariant}},
    {L"get_accState", {P::InVariant, P::OutVariant}},
    {L"get_accHelp", {P::InVariant, P::OutBstr}},
    {L"get_accHelpTopic", {P::OutBstr, P::InVariant, P::Out}},
    {L"get_accKeyboardShortcut", {P::InVariant, P::OutBstr}},
    {L"get_accFocus", {P::OutVariant}},
    {L"get_accSelection", {P::OutVariant}},
    {L"get_accDefaultAction", {P::InVariant, P::OutBstr}},
    {L"accSelect", {P::InLong, P::InVariant}},
    {L"accLocation", {P::Out, P::Out, P::Out, P::Out, P::InVariant}},
    {L"accNavigate", {P::InLong, P::InVariant, P::OutVariant}},
    {L"accHitTest", {P::InLong, P::InLong, P::OutVariant}},
    {L"accDoDefaultAction", {P::InVariant}},
    {L"put_accName", {P::InVariant, P::InBstr}},
    {L"put_accValue", {P::InVariant, P::InBstr}},
};

const std::vector<Method> kAccessible2 = {
    {L"get_nRelations", {P::Out}},
    {L"get_relation", {P::InLong, P::OutUnknown}},
    {L"get_relations", {P::InLong, P::Out, P::Out}},
    {L"role", {P::Out}},
    {L"scrollTo", {P::InLong}},
    {L"scrollToPoint", {P::InLong, P::InLong, P::InLong}},
    {L"get_groupPosition", {P::Out, P::Out, P::Out}},
    {L"get_states", {P::Out}},
    {L"get_extendedRole", {P::OutBstr}},
    {L"get_localizedExtendedRole", {P::OutBstr}},
    {L"get_nExtendedStates", {P::Out}},
    {L"get_extendedStates", {P::InLong, P::Out, P::Out}},
    {L"get_localizedExtendedStates", {P::InLong, P::Out, P::Out}},
    {L"get_uniqueID", {P::Out}},
    {L"get_windowHandle", {P::Out}},
    {L"get_indexInParent", {P::Out}},
    {L"get_locale", {P::Out}},
    {L"get_attributes", {P::OutBstr}},
};

const std::vector<Method> kAccessibleText = {
    {L"addSelection", {P::InLong, P::InLong}},
    {L"get_attributes", {P::InLong, P::Out, P::Out, P::OutBstr}},
    {L"get_caretOffset", {P::Out}},
    {L"get_characterExtents", {P::InLong, P::InLong, P::Out, P::Out, P::Out, P::Out}},
    {L"get_nSelections", {P::Out}},
    {L"get_offsetAtPoint", {P::InLong, P::InLong, P::InLong, P::Out}},
    {L"get_selection", {P::InLong, P::Out, P::Out}},
    {L"get_text", {P::InLong, P::InLong, P::OutBstr}},
    {L"get_textBeforeOffset", {P::InLong, P::InLong, P::Out, P::Out, P::OutBstr}},
    {L"get_textAfterOffset", {P::InLong, P::InLong, P::Out, P::Out, P::OutBstr}},
    {L"get_textAtOffset", {P::InLong, P::InLong, P::Out, P::Out, P::OutBstr}},
    {L"removeSelection", {P::InLong}},
    {L"setCaretOffset", {P::InLong}},
    {L"setSelection", {P::InLong, P::InLong, P::InLong}},
    {L"get_nCharacters", {P::Out}},
    {L"scrollSubstringTo", {P::InLong, P::InLong, P::InLong}},
    {L"scrollSubstringToPoint", {P::InLong, P::InLong, P::InLong, P::InLong, P::InLong}},
    {L"get_newText", {P::Out}},
    {L"get_oldText", {P::Out}},
};

// Releases a COM pointer at the end of a scope.
template <class T>
struct Ref {
    T* p = nullptr;
    ~Ref() {
        if (p) {
            p->Release();
        }
    }
    T* operator->() const { return p; }
};

bool report(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        std::fprintf(stderr, "accessible_host: %s failed (0x%08lx)\n", what,
                     static_cast<unsigned long>(hr));
        return false;
    }
    return true;
}

// The pointed-to types of the Out kinds; they must outlive LayOut.
TYPEDESC kLong = {{nullptr}, VT_I4};
TYPEDESC kBstr = {{nullptr}, VT_BSTR};
TYPEDESC kVariant = {{nullptr}, VT_VARIANT};
TYPEDESC kDispatch = {{nullptr}, VT_DISPATCH};
TYPEDESC kUnknown = {{nullptr}, VT_UNKNOWN};

ELEMDESC element(P kind) {
    ELEMDESC e = {};
    const bool out = kind == P::Out || kind == P::OutBstr || kind == P::OutVariant ||
                     kind == P::OutDispatch || kind == P::OutUnknown;
    e.paramdesc.wParamFlags = out ? PARAMFLAG_FOUT : PARAMFLAG_FIN;
    switch (kind) {
        case P::InLong:
            e.tdesc.vt = VT_I4;
            break;
        case P::InBstr:
            e.tdesc.vt = VT_BSTR;
            break;
        case P::InVariant:
            e.tdesc.vt = VT_VARIANT;
            break;
        case P::Out:
            e.tdesc.vt = VT_PTR;
            e.tdesc.lptdesc = &kLong;
            break;
        case P::OutBstr:
            e.tdesc.vt = VT_PTR;
            e.tdesc.lptdesc = &kBstr;
            break;
        case P::OutVariant:
            e.tdesc.vt = VT_PTR;
            e.tdesc.lptdesc = &kVariant;
            break;
        case P::OutDispatch:
            e.tdesc.vt = VT_PTR;
            e.tdesc.lptdesc = &kDispatch;
            break;
        case P::OutUnknown:
            e.tdesc.vt = VT_PTR;
            e.tdesc.lptdesc = &kUnknown;
            break;
    }
    return e;
}

// Adds the methods to the interface, from vtable slot `firstSlot` on.
bool addMethods(ICreateTypeInfo* info, const std::vector<Method>& methods, UINT firstIndex,
                int firstSlot) {
    static const wchar_t* const kParamNames[] = {L"a", L"b", L"c", L"d", L"e", L"f"};
    for (size_t i = 0; i < methods.size(); ++i) {
        const Method& m = methods[i];
        std::vector<ELEMDESC> params;
        for (P kind : m.params) {
            params.push_back(element(kind));
        }
        FUNCDESC f = {};
        f.memid = static_cast<MEMBERID>(0x60010000 + firstIndex + i);
        f.funckind = FUNC_PUREVIRTUAL;
        f.invkind = INVOKE_FUNC;
        f.callconv = CC_STDCALL;
        f.cParams = static_cast<SHORT>(params.size());
        f.lprgelemdescParam = params.data();
        f.oVft = static_cast<SHORT>((firstSlot + i) * sizeof(void*));
        f.elemdescFunc.tdesc.vt = VT_HRESULT;
        const UINT index = static_cast<UINT>(firstIndex + i);
        std::vector<LPOLESTR> names = {const_cast<LPOLESTR>(m.name)};
        for (size_t p = 0; p < params.size(); ++p) {
            names.push_back(const_cast<LPOLESTR>(kParamNames[p]));
        }
        if (!report(info->AddFuncDesc(index, &f), "AddFuncDesc") ||
            !report(
                info->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size())),
                "SetFuncAndParamNames")) {
            return false;
        }
    }
    return true;
}

bool addInterface(ICreateTypeLib2* lib, const wchar_t* name, const GUID& iid, ITypeInfo* base,
                  int baseSlots, const std::vector<const std::vector<Method>*>& groups) {
    Ref<ICreateTypeInfo> info;
    HREFTYPE baseRef = 0;
    if (!report(lib->CreateTypeInfo(const_cast<LPOLESTR>(name), TKIND_INTERFACE, &info.p),
                "CreateTypeInfo") ||
        !report(info->SetGuid(iid), "SetGuid") ||
        !report(info->SetTypeFlags(TYPEFLAG_FOLEAUTOMATION), "SetTypeFlags") ||
        !report(info->AddRefTypeInfo(base, &baseRef), "AddRefTypeInfo") ||
        !report(info->AddImplType(0, baseRef), "AddImplType")) {
        return false;
    }
    UINT index = 0;
    for (const std::vector<Method>* methods : groups) {
        if (!addMethods(info.p, *methods, index, baseSlots + static_cast<int>(index))) {
            return false;
        }
        index += static_cast<UINT>(methods->size());
    }
    return report(info->LayOut(), "LayOut");
}

// One interface the library can describe.
struct Interface {
    const wchar_t* name;
    GUID iid;
    bool fromDispatch;  // IAccessible2 repeats IAccessible, a dual interface
    std::vector<const std::vector<Method>*> groups;
};

const std::vector<Interface> kInterfaces = {
    {L"IAccessible2", __uuidof(IAccessible2), true, {&kAccessible, &kAccessible2}},
    {L"IAccessibleText", __uuidof(IAccessibleText), false, {&kAccessibleText}},
};

bool writeLibrary(const std::wstring& path, const std::vector<const Interface*>& interfaces) {
    Ref<ITypeLib> stdole;
    Ref<ITypeInfo> dispatch;
    Ref<ITypeInfo> unknown;
    Ref<ICreateTypeLib2> lib;
    if (!report(LoadTypeLib(L"stdole2.tlb", &stdole.p), "LoadTypeLib(stdole2.tlb)") ||
        !report(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch.p), "IDispatch type") ||
        !report(stdole->GetTypeInfoOfGuid(IID_IUnknown, &unknown.p), "IUnknown type") ||
        !report(CreateTypeLib2(SYS_WIN64, path.c_str(), &lib.p), "CreateTypeLib2") ||
        !report(lib->SetGuid(kLibraryId), "SetGuid") ||
        !report(lib->SetName(const_cast<LPOLESTR>(L"TarnwickAccessibleHost")), "SetName") ||
        !report(lib->SetVersion(kMajor, kMinor), "SetVersion") ||
        !report(lib->SetLcid(LOCALE_NEUTRAL), "SetLcid")) {
        return false;
    }
    constexpr int kDispatchSlots = 7;
    constexpr int kUnknownSlots = 3;
    for (const Interface* i : interfaces) {
        if (!addInterface(lib.p, i->name, i->iid, i->fromDispatch ? dispatch.p : unknown.p,
                          i->fromDispatch ? kDispatchSlots : kUnknownSlots, i->groups)) {
            return false;
        }
    }
    return report(lib->SaveAllChanges(), "SaveAllChanges");
}

// A value under HKEY_CLASSES_ROOT\Interface\{iid}; empty when missing.
std::wstring interfaceValue(const GUID& iid, const wchar_t* subkey) {
    wchar_t id[64];
    StringFromGUID2(iid, id, 64);
    const std::wstring key = L"Interface\\" + std::wstring(id) + L"\\" + subkey;
    wchar_t value[256];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS) {
        return {};
    }
    return value;
}

// A proxy someone else registered (Wine's own, a screen reader's) is kept:
// replacing it could break the programs that rely on it.
bool hasForeignProxy(const Interface& i) {
    const std::wstring proxy = interfaceValue(i.iid, L"ProxyStubClsid32");
    if (proxy.empty()) {
        return false;
    }
    wchar_t ours[64];
    StringFromGUID2(kLibraryId, ours, 64);
    if (_wcsicmp(interfaceValue(i.iid, L"TypeLib").c_str(), ours) == 0) {
        return false;
    }
    std::printf("accessible_host: %ls already has a proxy, %ls; kept\n", i.name, proxy.c_str());
    return true;
}

std::string contents(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring libraryPath() {
    wchar_t exe[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe, n);
    size_t dot = path.find_last_of(L'.');
    return path.substr(0, dot) + L".tlb";
}

}  // namespace

int registerTypeLibrary() {
    std::vector<const Interface*> needed;
    for (const Interface& i : kInterfaces) {
        if (!hasForeignProxy(i)) {
            needed.push_back(&i);
        }
    }
    if (needed.empty()) {
        return 0;
    }
    if (FAILED(CoInitialize(nullptr))) {
        return 1;
    }
    const std::wstring path = libraryPath();
    const std::wstring fresh = path + L".new";
    int result = 1;
    if (writeLibrary(fresh, needed)) {
        // A library in use by a running host cannot be replaced; an
        // identical one need not be.
        const bool same = contents(fresh) == contents(path);
        if (same) {
            DeleteFileW(fresh.c_str());
        }
        if (!same && !MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            std::fprintf(stderr, "accessible_host: cannot replace %ls (error %lu)\n", path.c_str(),
                         GetLastError());
        } else {
            std::printf("accessible_host: %s %ls\n", same ? "kept" : "wrote", path.c_str());
            Ref<ITypeLib> lib;
            if (report(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib.p), "LoadTypeLibEx") &&
                report(RegisterTypeLib(lib.p, const_cast<LPOLESTR>(path.c_str()), nullptr),
                       "RegisterTypeLib")) {
                for (const Interface* i : needed) {
                    std::printf("accessible_host: registered %ls\n", i->name);
                }
                result = 0;
            }
        }
    }
    CoUninitialize();
    return result;
}

}  // namespace tnk::accessible_host
