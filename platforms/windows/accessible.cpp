// The game window's UI Automation provider: "Sombrial", a document whose text is what the window
// shows, and the announcements a screen reader speaks while the game's voice is off.
#include <cwctype>
#include <string>

#include "platforms/spoken/spoken.h"
#include "platforms/windows/uia.h"

UiaFunctions Uia = {};

namespace {

// UI Automation may ask from a thread of its own while the game's thread changes the text.
SRWLOCK Lock = SRWLOCK_INIT;

// What the window shows: the narration (or the title's, or an ending's, words), and the
// command line under it while one waits. UTF-16, one unit per Latin-1 character, so that
// offsets into it are the game's own.
std::u16string Page;
std::u16string Line;
bool LineWaits = false;
HWND Window = nullptr;
WNDPROC SdlProcedure = nullptr;

// The game's Latin-1 as UI Automation takes it.
std::u16string Wide(std::string_view latin1)
{
    std::u16string wide;
    for (char c : latin1)
        wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return wide;
}

// The document, as a screen reader reads it: the page, then the prompt and what is typed.
std::u16string Document()
{
    AcquireSRWLockShared(&Lock);
    std::u16string text = LineWaits ? Page + u"\n>" + Line : Page;
    ReleaseSRWLockShared(&Lock);
    return text;
}

// A string for UI Automation, which frees it.
BSTR String(const std::u16string& text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
}

// Where units begin: every character, a word after a space, a line after a newline, the
// document only at its start. At the text's end, as where the caret stands on the command line,
// a unit begins only where one would if more were typed.
bool Begins(const std::u16string& text, int at, TextUnit unit)
{
    if (at <= 0)
        return true;
    const char16_t before = text[at - 1];
    const bool end = at >= static_cast<int>(text.size());
    switch (unit) {
    case TextUnit_Character:
        return true;
    case TextUnit_Word:
        return iswspace(before) && (end || !iswspace(text[at]));
    case TextUnit_Line:
    case TextUnit_Paragraph:
        return before == u'\n';
    default:
        return false;
    }
}

// The next unit boundary after `at` (`step` +1) or before it (-1), or `at` at the text's edge.
int Next(const std::u16string& text, int at, TextUnit unit, int step)
{
    const int length = static_cast<int>(text.size());
    do
        at += step;
    while (at > 0 && at < length && !Begins(text, at, unit));
    return at < 0 ? 0 : at > length ? length : at;
}

// Moves `at` by `count` boundaries; returns how many it crossed.
int MoveBy(const std::u16string& text, int& at, TextUnit unit, int count)
{
    const int step = count < 0 ? -1 : 1;
    int moved = 0;
    while (moved != count) {
        const int next = Next(text, at, unit, step);
        if (next == at)
            break;
        at = next;
        moved += step;
    }
    return moved;
}

// A span of the document, its offsets kept inside the text as it changes.
struct Range final : ITextRangeProvider {
    LONG references = 1;
    int start;
    int end;

    Range(int from, int to) : start(from), end(to) {}

    // The document now, with the ends brought inside it.
    std::u16string Text()
    {
        std::u16string text = Document();
        const int length = static_cast<int>(text.size());
        start = start > length ? length : start;
        end = end > length ? length : end < start ? start : end;
        return text;
    }
    int& End(TextPatternRangeEndpoint endpoint)
    {
        return endpoint == TextPatternRangeEndpoint_Start ? start : end;
    }
    // Another range of this document: UI Automation gives back only ranges it was given.
    static Range* Of(ITextRangeProvider* range) { return static_cast<Range*>(range); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ITextRangeProvider)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references);
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Clone(ITextRangeProvider** out) override
    {
        *out = new Range(start, end);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Compare(ITextRangeProvider* range, BOOL* out) override
    {
        *out = range && Of(range)->start == start && Of(range)->end == end;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CompareEndpoints(TextPatternRangeEndpoint endpoint,
                                               ITextRangeProvider* target,
                                               TextPatternRangeEndpoint targetEndpoint,
                                               int* out) override
    {
        if (!target)
            return E_INVALIDARG;
        *out = End(endpoint) - Of(target)->End(targetEndpoint);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(TextUnit unit) override
    {
        const std::u16string text = Text();
        if (!Begins(text, start, unit))
            start = Next(text, start, unit, -1);
        end = Next(text, start, unit, +1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindAttribute(TEXTATTRIBUTEID, VARIANT, BOOL,
                                            ITextRangeProvider** out) override
    {
        *out = nullptr;  // the text has no attributes of its own
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindText(BSTR wanted, BOOL backward, BOOL ignoreCase,
                                       ITextRangeProvider** out) override
    {
        *out = nullptr;
        const std::u16string text = Text();
        const std::u16string find(reinterpret_cast<const char16_t*>(wanted),
                                  wanted ? SysStringLen(wanted) : 0);
        const int size = static_cast<int>(find.size());
        auto same = [ignoreCase](char16_t a, char16_t b) {
            return a == b || (ignoreCase && towlower(a) == towlower(b));
        };
        for (int i = 0; size > 0 && i + size <= end - start; ++i) {
            const int at = backward ? end - size - i : start + i;
            int matched = 0;
            while (matched < size && same(text[at + matched], find[matched]))
                ++matched;
            if (matched == size) {
                *out = new Range(at, at + size);
                break;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID, VARIANT* out) override
    {
        VariantInit(out);
        IUnknown* unsupported = nullptr;
        if (Uia.GetReservedNotSupportedValue &&
            SUCCEEDED(Uia.GetReservedNotSupportedValue(&unsupported))) {
            out->vt = VT_UNKNOWN;
            out->punkVal = unsupported;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** out) override
    {
        *out = SafeArrayCreateVector(VT_R8, 0, 0);  // the text is drawn, not laid out in places
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** out) override
    {
        *out = AccessibleElement();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* out) override
    {
        const std::u16string text = Text();
        int length = end - start;
        length = maxLength >= 0 && maxLength < length ? maxLength : length;
        *out = String(text.substr(start, length));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE Move(TextUnit unit, int count, int* out) override
    {
        const std::u16string text = Text();
        const bool degenerate = start == end;
        if (!degenerate)
            ExpandToEnclosingUnit(unit);
        *out = MoveBy(text, start, unit, count);
        end = degenerate ? start : Next(text, start, unit, +1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(TextPatternRangeEndpoint endpoint, TextUnit unit,
                                                 int count, int* out) override
    {
        *out = MoveBy(Text(), End(endpoint), unit, count);
        Collapse(endpoint);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveEndpointByRange(TextPatternRangeEndpoint endpoint,
                                                  ITextRangeProvider* target,
                                                  TextPatternRangeEndpoint targetEndpoint) override
    {
        if (!target)
            return E_INVALIDARG;
        End(endpoint) = Of(target)->End(targetEndpoint);
        Collapse(endpoint);
        return S_OK;
    }
    // An end moved past the other brings it along.
    void Collapse(TextPatternRangeEndpoint moved)
    {
        if (start > end)
            (moved == TextPatternRangeEndpoint_Start ? end : start) = End(moved);
    }
    // The player cannot select the game's text: only the caret is there.
    HRESULT STDMETHODCALLTYPE Select() override { return UIA_E_INVALIDOPERATION; }
    HRESULT STDMETHODCALLTYPE AddToSelection() override { return UIA_E_INVALIDOPERATION; }
    HRESULT STDMETHODCALLTYPE RemoveFromSelection() override { return UIA_E_INVALIDOPERATION; }
    HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** out) override
    {
        *out = SafeArrayCreateVector(VT_UNKNOWN, 0, 0);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
};

// A one-range array: the caret, or the whole text.
HRESULT OneRange(Range* range, SAFEARRAY** out)
{
    *out = SafeArrayCreateVector(VT_UNKNOWN, 0, 1);
    LONG index = 0;
    if (*out)
        SafeArrayPutElement(*out, &index, static_cast<IUnknown*>(range));  // takes its own
    range->Release();
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The text pattern, one for the life of the program.
struct Text final : ITextProvider {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ITextProvider)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // The caret: at the end of the command line while one waits, else at the text's end.
    HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** out) override
    {
        const int caret = static_cast<int>(Document().size());
        return OneRange(new Range(caret, caret), out);
    }
    HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** out) override
    {
        return OneRange(new Range(0, static_cast<int>(Document().size())), out);
    }
    HRESULT STDMETHODCALLTYPE RangeFromChild(IRawElementProviderSimple*,
                                             ITextRangeProvider** out) override
    {
        *out = nullptr;  // no child elements
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE RangeFromPoint(UiaPoint, ITextRangeProvider** out) override
    {
        *out = new Range(0, 0);  // no places on the window: the text's start
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_DocumentRange(ITextRangeProvider** out) override
    {
        *out = new Range(0, static_cast<int>(Document().size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_SupportedTextSelection(SupportedTextSelection* out) override
    {
        *out = SupportedTextSelection_Single;  // a caret, which screen readers follow
        return S_OK;
    }
} TextPattern;

VARIANT Int(int value)
{
    VARIANT variant;
    variant.vt = VT_I4;
    variant.lVal = value;
    return variant;
}

VARIANT Bool(bool value)
{
    VARIANT variant;
    variant.vt = VT_BOOL;
    variant.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return variant;
}

// Whether the window has the keyboard, asked of its own thread: UI Automation may ask from
// another.
bool Focused()
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return Window && GetGUIThreadInfo(GetWindowThreadProcessId(Window, nullptr), &info) &&
           info.hwndFocus == Window;
}

// The window's element, "Sombrial", a document with the text pattern, and its one child, the
// live region that says the last announcement where Windows has no notifications: screen
// readers read a live region's name when it changes. One of each for the life of the program.
std::u16string Announced;  // the live region's name

struct Element final : IRawElementProviderSimple,
                       IRawElementProviderFragment,
                       IRawElementProviderFragmentRoot {
    bool window;  // the window's element, else the live region

    explicit Element(bool isWindow) : window(isWindow) {}
    IRawElementProviderFragment* Fragment() { return this; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IRawElementProviderSimple))
            *out = static_cast<IRawElementProviderSimple*>(this);
        else if (IsEqualIID(iid, IID_IRawElementProviderFragment))
            *out = Fragment();
        else if (window && IsEqualIID(iid, IID_IRawElementProviderFragmentRoot))
            *out = static_cast<IRawElementProviderFragmentRoot*>(this);
        else
            *out = nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // In the game's process, called from any thread: the text has its lock.
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* out) override
    {
        *out = static_cast<ProviderOptions>(ProviderOptions_ServerSideProvider |
                                            ProviderOptions_UseComThreading);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID pattern, IUnknown** out) override
    {
        *out = window && pattern == UIA_TextPatternId ? &TextPattern : nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* out) override
    {
        VariantInit(out);
        switch (property) {
        case UIA_NamePropertyId:
            AcquireSRWLockShared(&Lock);
            out->vt = VT_BSTR;
            out->bstrVal = window ? SysAllocString(L"Sombrial") : String(Announced);
            ReleaseSRWLockShared(&Lock);
            break;
        case UIA_ControlTypePropertyId:
            *out = Int(window ? UIA_DocumentControlTypeId : UIA_TextControlTypeId);
            break;
        case UIA_IsKeyboardFocusablePropertyId:
            *out = Bool(window);
            break;
        case UIA_HasKeyboardFocusPropertyId:
            *out = Bool(window && Focused());
            break;
        case UIA_LiveSettingPropertyId:  // the document is read at will, the region as it changes
            *out = Int(window ? Off : Polite);
            break;
        default:
            break;  // the window's own provider gives the rest
        }
        return S_OK;
    }
    // The window's own provider gives its place, size and title bar.
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** out) override
    {
        *out = nullptr;
        return window && Window && Uia.HostProviderFromHwnd ? Uia.HostProviderFromHwnd(Window, out)
                                                            : S_OK;
    }

    HRESULT STDMETHODCALLTYPE Navigate(NavigateDirection direction,
                                       IRawElementProviderFragment** out) override;
    // The window's element is known by its window; the region by its place under it.
    HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY** out) override
    {
        *out = nullptr;
        if (window)
            return S_OK;
        const LONG id[] = {UiaAppendRuntimeId, 1};
        *out = SafeArrayCreateVector(VT_I4, 0, 2);
        for (LONG i = 0; *out && i < 2; ++i)
            SafeArrayPutElement(*out, &i, const_cast<LONG*>(&id[i]));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_BoundingRectangle(UiaRect* out) override
    {
        *out = UiaRect{0, 0, 0, 0};  // the window's is its own provider's; the region has none
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEmbeddedFragmentRoots(SAFEARRAY** out) override
    {
        *out = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFocus() override { return S_OK; }  // the window's keys are all
    HRESULT STDMETHODCALLTYPE get_FragmentRoot(IRawElementProviderFragmentRoot** out) override;
    HRESULT STDMETHODCALLTYPE ElementProviderFromPoint(double, double,
                                                       IRawElementProviderFragment** out) override
    {
        *out = Fragment();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFocus(IRawElementProviderFragment** out) override
    {
        *out = nullptr;  // the window's element itself
        return S_OK;
    }
} WindowElement(true), LiveRegion(false);

HRESULT Element::Navigate(NavigateDirection direction, IRawElementProviderFragment** out)
{
    const bool down =
        direction == NavigateDirection_FirstChild || direction == NavigateDirection_LastChild;
    *out = window && down                                     ? LiveRegion.Fragment()
           : !window && direction == NavigateDirection_Parent ? WindowElement.Fragment()
                                                              : nullptr;
    return S_OK;
}

HRESULT Element::get_FragmentRoot(IRawElementProviderFragmentRoot** out)
{
    *out = &WindowElement;
    return S_OK;
}

// Said by the screen reader, in its voice: a notification that cuts what it is still saying
// of the game (`cut`), or, where Windows has no notifications, the live region's change.
void Announce(const std::u16string& words, bool cut)
{
    if (Uia.RaiseNotificationEvent) {
        BSTR said = String(words);
        BSTR activity = SysAllocString(cut ? L"Sombrial.pagina" : L"Sombrial.tecla");
        Uia.RaiseNotificationEvent(
            &WindowElement, NotificationKind_Other,
            cut ? NotificationProcessing_ImportantMostRecent : NotificationProcessing_MostRecent,
            said, activity);
        SysFreeString(said);
        SysFreeString(activity);
    } else if (Uia.RaiseAutomationEvent) {
        AcquireSRWLockExclusive(&Lock);
        Announced = words;
        ReleaseSRWLockExclusive(&Lock);
        Uia.RaiseAutomationEvent(&LiveRegion, UIA_LiveRegionChangedEventId);
    }
}

// SDL's window procedure, which cannot answer a message through SDL 1.2's events, with UI
// Automation's question answered before it: the provider, when the window's own element is
// asked for. Senders differ in how they extend the negative id to 64 bits: only its low half
// counts, and UI Automation is handed the id as it knows it (Wine's takes no other).
LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_GETOBJECT && static_cast<LONG>(l) == UiaRootObjectId &&
        Uia.ReturnRawElementProvider)
        return Uia.ReturnRawElementProvider(window, w, UiaRootObjectId, &WindowElement);
    if (message == WM_SETFOCUS && Uia.RaiseAutomationEvent)
        Uia.RaiseAutomationEvent(&WindowElement, UIA_AutomationFocusChangedEventId);
    if (message == WM_DESTROY && Uia.ReturnRawElementProvider)
        Uia.ReturnRawElementProvider(window, 0, 0, nullptr);  // lets clients' copies go
    return CallWindowProcA(SdlProcedure, window, message, w, l);
}

template <typename Function>
void Find(HMODULE core, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(core, name)));
}

}  // namespace

void AccessibleStart(HWND window)
{
    HMODULE core = LoadLibraryA("uiautomationcore.dll");
    if (!core || !window)
        return;
    Find(core, "UiaReturnRawElementProvider", Uia.ReturnRawElementProvider);
    Find(core, "UiaHostProviderFromHwnd", Uia.HostProviderFromHwnd);
    Find(core, "UiaRaiseAutomationEvent", Uia.RaiseAutomationEvent);
    Find(core, "UiaRaiseNotificationEvent", Uia.RaiseNotificationEvent);
    Find(core, "UiaGetReservedNotSupportedValue", Uia.GetReservedNotSupportedValue);
    if (!Uia.ReturnRawElementProvider)
        return;
    Window = window;
    SdlProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure)));
}

void AccessibleHears(const shown::Event& event, bool voiceSpeaks)
{
    using shown::What;
    std::u16string said;  // what the screen reader is to say, when anything
    bool cut = true;
    AcquireSRWLockExclusive(&Lock);
    switch (event.what) {
    // The title is not announced: the voice has not decided yet whether it speaks, and the
    // screen reader says the window's name as it takes the focus.
    case What::Title:
        Page = Wide(std::string(spoken::TitleWords) + ' ' + spoken::VoiceKeysWords);
        break;
    case What::Typing:
        Page = Wide(event.text);
        LineWaits = false;
        said = Wide(spoken::PageWords(event));
        break;
    case What::Line:
        if (!event.text.empty())
            Page = said = Wide(event.text);
        Line.clear();
        LineWaits = true;
        break;
    case What::Typed:
    case What::Erased:
        if (event.what == What::Typed)
            Line += Wide(event.text);
        else if (!Line.empty())
            Line.pop_back();
        said = event.text == " " ? Wide(spoken::SpaceWords) : Wide(event.text);
        cut = false;
        break;
    case What::Command:
        Page.clear();
        LineWaits = false;
        break;
    case What::Ending:
        Page = said = Wide(spoken::EndingWords(event.ending));
        LineWaits = false;
        break;
    case What::Begun:
    case What::Page:
    case What::Turned:
    case What::Scaled:
        break;
    }
    ReleaseSRWLockExclusive(&Lock);
    if (!said.empty() && !voiceSpeaks)
        Announce(said, cut);
}

IRawElementProviderSimple* AccessibleElement(void)
{
    return &WindowElement;
}
