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

// What the provider raised, in order: a notification's words, "~" before them when it does not
// cut the one before; "(live)" for a live region's change.
std::vector<std::u16string> Raised;

HRESULT WINAPI RecordNotification(IRawElementProviderSimple*, NotificationKind,
                                  NotificationProcessing processing, BSTR words, BSTR)
{
    const std::u16string said(reinterpret_cast<const char16_t*>(words), SysStringLen(words));
    Raised.push_back(processing == NotificationProcessing_ImportantMostRecent ? said : u"~" + said);
    return S_OK;
}

HRESULT WINAPI RecordEvent(IRawElementProviderSimple*, EVENTID event)
{
    Raised.push_back(event == UIA_LiveRegionChangedEventId ? u"(live)" : u"(other event)");
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
    std::u16string document;  // the document range's text then
    std::u16string caret;     // the caret's line, the caret at the document's end
    std::vector<std::u16string> said;
};

// clang-format off
const Case Cases[] = {
    {"page-announced", false, true, {Page, Event::Page("Una sala oscura.", false)},
     u"Una sala oscura.", u"Una sala oscura.", {u"Una sala oscura."}},
    {"page-waiting-for-space", false, true, {Event::Typing("Una sala\n", true)},
     u"Una sala\n", u"", {u"Una sala Pulsa espacio para seguir."}},
    {"command-line-typed", false, true, {Page, Prompt, M, Space, N, ErasedN},
     u"Una sala oscura.\n>m ", u">m ", {u"Una sala oscura.", u"~m", u"~espacio", u"~n", u"~n"}},
    {"question-above-line", false, true, {Event::Line("\xBFSeguro?", Line)},
     u"\u00BFSeguro?\n>", u">", {u"\u00BFSeguro?"}},
    {"voice-speaking-nothing-raised", true, true, {Page, Prompt, M, Space},
     u"Una sala oscura.\n>m ", u">m ", {}},
    {"live-region-without-notifications", false, false, {Page, Prompt, M},
     u"Una sala oscura.\n>m", u">m", {u"(live)", u"(live)"}},
    {"command-then-death", false, true, {Prompt, M, Event::Command("m"), Death},
     u"Has muerto. Pulsa Intro.", u"Has muerto. Pulsa Intro.",
     {u"~m", u"Has muerto. Pulsa Intro."}},
};
// clang-format on

std::string Utf8(const std::u16string& text)
{
    std::string utf8;
    for (char16_t c : text)
        utf8 += c < 0x80 ? std::string(1, static_cast<char>(c))
                         : std::string{static_cast<char>(0xC0 | c >> 6),
                                       static_cast<char>(0x80 | (c & 0x3F))};
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

// What is wrong with the provider after the case's events; empty when nothing.
std::string Check(const Case& c)
{
    Raised.clear();
    Heard = 0;
    Speaks = c.voice;
    Uia.RaiseNotificationEvent = c.notifications ? RecordNotification : nullptr;
    for (const Event& event : c.told)
        shown::Tell(event);
    if (Heard != c.told.size())
        return "the voice heard " + std::to_string(Heard) + " of " + std::to_string(c.told.size()) +
               " facts";

    IUnknown* pattern = nullptr;
    AccessibleElement()->GetPatternProvider(UIA_TextPatternId, &pattern);
    if (!pattern)
        return "no text pattern";
    ITextProvider* text = static_cast<ITextProvider*>(pattern);
    ITextRangeProvider* document = nullptr;
    text->get_DocumentRange(&document);
    const std::u16string shown = Text(document);

    SAFEARRAY* selection = nullptr;
    ITextRangeProvider* caret = nullptr;
    LONG first = 0;
    text->GetSelection(&selection);
    SafeArrayGetElement(selection, &first, &caret);
    SafeArrayDestroy(selection);
    int fromEnd = -1;
    caret->CompareEndpoints(TextPatternRangeEndpoint_Start, document, TextPatternRangeEndpoint_End,
                            &fromEnd);
    caret->ExpandToEnclosingUnit(TextUnit_Line);
    const std::u16string line = Text(caret);
    caret->Release();
    document->Release();

    if (shown != c.document)
        return "the document is \"" + Utf8(shown) + "\", not \"" + Utf8(c.document) + "\"";
    if (fromEnd != 0 || line != c.caret)
        return "the caret is " + std::to_string(fromEnd) + " from the end, on \"" + Utf8(line) +
               "\", not at the end of \"" + Utf8(c.caret) + "\"";
    if (Raised != c.said) {
        std::string got;
        for (const std::u16string& said : Raised)
            got += " [" + Utf8(said) + "]";
        return "raised" + (got.empty() ? " nothing" : got);
    }
    return "";
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
        const std::string wrong = Check(c);
        failed += !wrong.empty();
        printf(wrong.empty() ? "PASS accessible.%s\n" : "FAIL accessible.%s: %s\n", c.name,
               wrong.c_str());
    }
    return failed ? 1 : 0;
}
