// The window's UI Automation provider in the game's own process, for the Wine tests: what Wine 8
// cannot carry to a client in another process (the text pattern, the notifications), checked
// by telling the Windows listener what the game tells, a stand-in voice beside it, and
// recording what the provider raises.
// Prints "PASS name" or "FAIL name: why" for each case; the status is 0 when all pass.
#include <cstdio>
#include <string>
#include <vector>

#include "platforms/voice/voice.h"
#include "platforms/windows/uia.h"

#undef main  // this program's own, not SDL's start-up glue's

namespace {

// What the provider raised, each after a "|": a notification's words, "~" before them when it
// does not cut the one before; "(live)" and the region's name for a live region's change.
std::u16string Raised;

HRESULT WINAPI RecordNotification(IRawElementProviderSimple*, NotificationKind,
                                  NotificationProcessing processing, BSTR words, BSTR)
{
    Raised += processing == NotificationProcessing_ImportantMostRecent ? u"|" : u"|~";
    Raised.append(reinterpret_cast<const char16_t*>(words), SysStringLen(words));
    return S_OK;
}

HRESULT WINAPI RecordEvent(IRawElementProviderSimple* element, EVENTID event)
{
    VARIANT name;
    element->GetPropertyValue(UIA_NamePropertyId, &name);
    Raised += event == UIA_LiveRegionChangedEventId ? u"|(live)" : u"|(other event)";
    Raised.append(reinterpret_cast<const char16_t*>(V_BSTR(&name)), SysStringLen(V_BSTR(&name)));
    VariantClear(&name);
    return S_OK;
}

// The voice the listener tells beside the provider: whether it speaks, and what it heard.
bool Speaks = false;
size_t Heard = 0;

char Line[1] = "";  // the game's line buffer, as a Line event points to it

using shown::Event;
const Event Page = Event::Typing("Una sala oscura.", false);
const Event Prompt = Event::Line("", Line);
const Event M = Event::Typed("m"), Space = Event::Typed(" "), N = Event::Typed("n");
const Event ErasedN = Event::Erased("n");
const Event Death = Event::Ending(shown::EndingKind::GameOver);

struct Case {
    const char* name;
    bool voice;          // the game's own voice speaks
    bool notifications;  // Windows has notifications (else a live region)
    std::vector<Event> told;
    // The document's text, "^" where the caret's line begins, the caret at its end; then what
    // was raised.
    std::u16string seen;
};

// clang-format off
const Case Cases[] = {
    {"page-announced", false, true, {Page, Event::Page("Una sala oscura.", false)},
     u"^Una sala oscura.|Una sala oscura."},
    {"page-waiting-for-space", false, true, {Event::Typing("Una sala\n", true)},
     u"Una sala\n^|Una sala Pulsa espacio para seguir."},
    {"command-line-typed", false, true, {Page, Prompt, M, Space, N, ErasedN},
     u"Una sala oscura.\n^>m |Una sala oscura.|~m|~espacio|~n|~n"},
    {"question-above-line", false, true, {Event::Line("\xBFSeguro?", Line)},
     u"\u00BFSeguro?\n^>|\u00BFSeguro?"},
    {"voice-speaking-nothing-raised", true, true, {Page, Prompt, M, Space},
     u"Una sala oscura.\n^>m "},
    {"live-region-without-notifications", false, false, {Page, Prompt, M},
     u"Una sala oscura.\n^>m|(live)Una sala oscura.|(live)m"},
    {"command-then-death", false, true, {Prompt, M, Event::Command("m"), Death},
     u"^Has muerto. Pulsa Intro.|~m|Has muerto. Pulsa Intro."},
};
// clang-format on

std::string Utf8(const std::u16string& text)
{
    std::string utf8(text.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<LPCWCH>(text.data()),
                                    static_cast<int>(text.size()), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

std::u16string Text(ITextRangeProvider* range)
{
    BSTR text = nullptr;
    range->GetText(-1, &text);
    std::u16string got(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
    SysFreeString(text);
    return got;
}

// What a screen reader would find after the case's facts, written as Case::seen is.
std::u16string Seen(const Case& c)
{
    Raised.clear();
    Heard = 0;
    Speaks = c.voice;
    Uia.RaiseNotificationEvent = c.notifications ? RecordNotification : nullptr;
    for (const Event& event : c.told)
        shown::Tell(event);
    IUnknown* pattern = nullptr;
    AccessibleElement()->GetPatternProvider(UIA_TextPatternId, &pattern);
    if (!pattern)
        return u"(no text pattern)";
    ITextProvider* text = static_cast<ITextProvider*>(pattern);
    ITextRangeProvider *document = nullptr, *caret = nullptr;
    SAFEARRAY* selection = nullptr;
    LONG first = 0;
    int fromEnd = -1, lineStart = -1;
    text->get_DocumentRange(&document);
    text->GetSelection(&selection);
    SafeArrayGetElement(selection, &first, &caret);
    SafeArrayDestroy(selection);
    caret->CompareEndpoints(TextPatternRangeEndpoint_Start, document, TextPatternRangeEndpoint_End,
                            &fromEnd);
    caret->ExpandToEnclosingUnit(TextUnit_Line);
    caret->CompareEndpoints(TextPatternRangeEndpoint_Start, document,
                            TextPatternRangeEndpoint_Start, &lineStart);
    const std::u16string shown = Text(document);
    const size_t line = lineStart >= 0 ? static_cast<size_t>(lineStart) : shown.size();
    std::u16string seen = shown.substr(0, line) + u'^' + shown.substr(line);
    caret->Release();
    document->Release();
    if (fromEnd != 0)
        seen += u"(the caret is not at the end)";
    if (Heard != c.told.size())
        seen += u"(the voice missed a fact)";
    return seen + Raised;
}

}  // namespace

void VoiceStart(void) {}

void VoiceHears(const shown::Event&)
{
    ++Heard;
}

bool VoiceSpeaks(void)
{
    return Speaks;
}

int main()
{
    Uia.RaiseAutomationEvent = RecordEvent;
    int failed = 0;
    for (const Case& c : Cases) {
        const std::u16string seen = Seen(c);
        failed += seen != c.seen;
        printf(seen == c.seen ? "PASS accessible.%s\n" : "FAIL accessible.%s: \"%s\", not \"%s\"\n",
               c.name, Utf8(seen).c_str(), Utf8(c.seen).c_str());
    }
    return failed ? 1 : 0;
}
