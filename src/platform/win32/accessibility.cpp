// What a screen reader hears of the windows. A control or window that has a
// name, a description or a role of the program's own answers WM_GETOBJECT
// with the system's standard object for it, wrapped so that those answers
// are the program's; everything else (states, places, children, actions)
// is the standard object's. Nothing drawn changes.
#include <algorithm>

#include "platform/win32/impl.h"

#include <oleacc.h>

namespace platform {

namespace {

// COM and the accessibility library, loaded when a screen reader first asks
// a window for its object: a program nobody reads with one pays neither
// the memory nor the start-up for them.
struct Library {
    decltype(&CoInitializeEx) initialize = nullptr;
    decltype(&CoUninitialize) uninitialize = nullptr;
    decltype(&CreateStdAccessibleObject) standardObject = nullptr;
    decltype(&LresultFromObject) resultFromObject = nullptr;
    decltype(&SysAllocString) allocString = nullptr;
    bool ready() const {
        return initialize && uninitialize && standardObject && resultFromObject && allocString;
    }
};

// From the system's folder only, never from beside the program.
HMODULE systemLibrary(const wchar_t* name) {
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

const Library& library() {
    static const Library lib = [] {
        Library l;
        HMODULE ole32 = systemLibrary(L"ole32.dll");
        win::takeFunction(l.initialize, ole32, "CoInitializeEx");
        win::takeFunction(l.uninitialize, ole32, "CoUninitialize");
        HMODULE oleacc = systemLibrary(L"oleacc.dll");
        win::takeFunction(l.standardObject, oleacc, "CreateStdAccessibleObject");
        win::takeFunction(l.resultFromObject, oleacc, "LresultFromObject");
        win::takeFunction(l.allocString, systemLibrary(L"oleaut32.dll"), "SysAllocString");
        return l;
    }();
    return lib;
}

// Whether this thread's COM apartment, where the objects handed out live,
// was started here.
bool comStarted = false;

// Interface ids are taken with __uuidof: MinGW's oleacc import library
// holds a symbol IID_IAccessible that is a call stub, not the id, and a
// link that meets it first would ask for an interface that does not exist.

// The standard accessible object of a window with some answers replaced.
// COM objects end through Release, never through a pointer to their
// interface, which has no destructor of its own.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Annotated final : public IAccessible {
public:
    Annotated(IAccessible* inner, std::wstring name, std::wstring description, long role,
              HWND valueOf)
        : inner_(inner),
          name_(std::move(name)),
          description_(std::move(description)),
          role_(role),
          valueOf_(valueOf) {}
    Annotated(const Annotated&) = delete;
    Annotated& operator=(const Annotated&) = delete;

    // IUnknown: the wrapper stands for the element; other interfaces of the
    // standard object (children, the window) are the standard object's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(IDispatch)) ||
            IsEqualIID(riid, __uuidof(IAccessible))) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        return inner_->QueryInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        return inner_->GetTypeInfoCount(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
        return inner_->GetTypeInfo(i, l, t);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* names, UINT n, LCID l,
                                            DISPID* ids) override {
        return inner_->GetIDsOfNames(r, names, n, l, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                     EXCEPINFO* e, UINT* a) override {
        return inner_->Invoke(id, r, l, f, p, v, e, a);
    }

    // IAccessible: the program's own answers for the element itself.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (self(child) && !name_.empty()) return text(name_, name);
        return inner_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (self(child) && !description_.empty()) return text(description_, description);
        return inner_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (self(child) && role_ && role) {
            role->vt = VT_EMPTY;
            role->vt = VT_I4;
            role->lVal = role_;
            return S_OK;
        }
        return inner_->get_accRole(child, role);
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override {
        return inner_->get_accParent(p);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* n) override {
        return inner_->get_accChildCount(n);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** p) override {
        return inner_->get_accChild(c, p);
    }
    // A named label (the clock) still gives its caption: as its value.
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override {
        if (self(c) && valueOf_) return text(win::textOf(valueOf_), v);
        return inner_->get_accValue(c, v);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override {
        return inner_->get_accState(c, s);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override {
        return inner_->get_accHelp(c, h);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, long* t) override {
        return inner_->get_accHelpTopic(f, c, t);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
        return inner_->get_accKeyboardShortcut(c, k);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* c) override { return inner_->get_accFocus(c); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* c) override {
        return inner_->get_accSelection(c);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
        return inner_->get_accDefaultAction(c, a);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT c) override {
        return inner_->accSelect(flags, c);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT c) override {
        return inner_->accLocation(x, y, w, h, c);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override {
        return inner_->accNavigate(dir, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* c) override {
        return inner_->accHitTest(x, y, c);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override {
        return inner_->accDoDefaultAction(c);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override {
        return inner_->put_accName(c, n);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override {
        return inner_->put_accValue(c, v);
    }

private:
    ~Annotated() { inner_->Release(); }

    static bool self(const VARIANT& child) {
        return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
    }
    static HRESULT text(const std::wstring& s, BSTR* out) {
        if (!out) return E_POINTER;
        *out = library().allocString(s.c_str());
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    IAccessible* inner_;
    std::wstring name_;
    std::wstring description_;
    long role_;
    HWND valueOf_;
    ULONG refs_ = 1;
};
#pragma GCC diagnostic pop

// A button's caption as it is read: without the '&' that marks its access
// key ("&&" is one '&').
std::wstring spokenCaption(const std::wstring& caption) {
    std::wstring out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

void nameChanged(HWND h, DWORD event) {
    NotifyWinEvent(event, h, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace

// WM_GETOBJECT for a window with answers of the program's own: 0 leaves the
// message to the window's class.
LRESULT accessibleObject(HWND h, const Annotation& a, WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return 0;
    std::wstring name = a.name;
    if (name.empty() && a.pushButton) name = spokenCaption(win::textOf(h));
    if (name.empty() && a.description.empty() && !a.pushButton) return 0;
    const Library& lib = library();
    if (!lib.ready()) return 0;
    if (!comStarted) comStarted = SUCCEEDED(lib.initialize(nullptr, COINIT_APARTMENTTHREADED));
    IAccessible* standard = nullptr;
    if (FAILED(lib.standardObject(h, OBJID_CLIENT, __uuidof(IAccessible),
                                  reinterpret_cast<void**>(&standard))))
        return 0;
    // Some systems give a push button the client's role: it is a button.
    auto* annotated = new Annotated(standard, std::move(name), a.description,
                                    a.pushButton ? ROLE_SYSTEM_PUSHBUTTON : 0,
                                    a.label && !a.name.empty() ? h : nullptr);
    const LRESULT r = lib.resultFromObject(__uuidof(IAccessible), wParam, annotated);
    annotated->Release();
    return r;
}

void endAccessibility() {
    if (comStarted) library().uninitialize();
    comStarted = false;
}

void captionChanged(ControlImpl& label) {
    for (ControlImpl* follower : label.followers) {
        if (follower->annotation.nameFrom == &label) {
            follower->annotation.name = win::textOf(label.hwnd);
            nameChanged(follower->hwnd, EVENT_OBJECT_NAMECHANGE);
        }
        if (follower->annotation.descriptionFrom == &label) {
            follower->annotation.description = win::textOf(label.hwnd);
            nameChanged(follower->hwnd, EVENT_OBJECT_DESCRIPTIONCHANGE);
        }
    }
}

void forgetFollowers(ControlImpl& c) {
    if (!c.form) return;
    for (ControlImpl* other : c.form->controls) std::erase(other->followers, &c);
}

void Control::setAccessibleName(const std::string& name) {
    d_->annotation.nameFrom = nullptr;
    d_->annotation.name = win::wide(name);
    nameChanged(d_->hwnd, EVENT_OBJECT_NAMECHANGE);
}

void Control::setAccessibleDescription(const std::string& description) {
    d_->annotation.descriptionFrom = nullptr;
    d_->annotation.description = win::wide(description);
    nameChanged(d_->hwnd, EVENT_OBJECT_DESCRIPTIONCHANGE);
}

namespace {
// `follower` takes its name or description from the label's caption, now
// and whenever it changes.
void follow(ControlImpl& label, ControlImpl& follower) {
    if (std::find(label.followers.begin(), label.followers.end(), &follower) ==
        label.followers.end())
        label.followers.push_back(&follower);
    captionChanged(label);
}
}  // namespace

void Control::setLabelledBy(Label& label) {
    d_->annotation.nameFrom = &label.impl();
    follow(label.impl(), *d_);
}

void Control::setDescribedBy(Label& label) {
    d_->annotation.descriptionFrom = &label.impl();
    follow(label.impl(), *d_);
}

void Form::setAccessibleDescription(const std::string& description) {
    d_->annotation.description = win::wide(description);
    NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, d_->hwnd, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace platform
