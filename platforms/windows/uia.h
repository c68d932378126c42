// UI Automation for the Windows program: what MinGW-w64 lacks of it (the text pattern's
// interfaces, the identifiers, uiautomationcore.dll's functions, which it has no import library
// for), and the provider that lets a screen reader read the game's window (accessible.cpp).
#pragma once

#include <windows.h>

#include <ole2.h>
#include <uiautomationclient.h>  // the property and pattern identifiers; brings uiautomationcore.h

#include "shown/shown.h"

// --- What MinGW-w64 10's headers do not declare (its uiautomationcoreapi.h names a parameter
// `new`, which C++ cannot take, so none of that header is used). Values as Microsoft publishes
// them. ---

constexpr LONG UiaRootObjectId = -25;
constexpr LONG UiaAppendRuntimeId = 3;
constexpr CONTROLTYPEID UIA_DocumentControlTypeId = 50030;
constexpr CONTROLTYPEID UIA_TextControlTypeId = 50020;
constexpr EVENTID UIA_AutomationFocusChangedEventId = 20005;
constexpr EVENTID UIA_LiveRegionChangedEventId = 20024;
constexpr HRESULT UIA_E_INVALIDOPERATION = static_cast<HRESULT>(0x80131509);

enum LiveSetting { Off = 0, Polite = 1, Assertive = 2 };
enum NotificationKind { NotificationKind_Other = 4 };
enum NotificationProcessing {
    NotificationProcessing_ImportantMostRecent = 1,
    NotificationProcessing_MostRecent = 3,
};
enum SupportedTextSelection { SupportedTextSelection_None = 0, SupportedTextSelection_Single = 1 };
enum TextPatternRangeEndpoint {
    TextPatternRangeEndpoint_Start = 0,
    TextPatternRangeEndpoint_End = 1
};
enum TextUnit {
    TextUnit_Character = 0,
    TextUnit_Format = 1,
    TextUnit_Word = 2,
    TextUnit_Line = 3,
    TextUnit_Paragraph = 4,
    TextUnit_Page = 5,
    TextUnit_Document = 6,
};
struct UiaPoint {
    double x;
    double y;
};

// A span of the text, as a screen reader reviews it; methods in the interface's order.
struct ITextRangeProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Clone(ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compare(ITextRangeProvider* range, BOOL* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareEndpoints(TextPatternRangeEndpoint endpoint,
                                                       ITextRangeProvider* target,
                                                       TextPatternRangeEndpoint targetEndpoint,
                                                       int* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(TextUnit unit) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAttribute(TEXTATTRIBUTEID attribute, VARIANT value,
                                                    BOOL backward, ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindText(BSTR text, BOOL backward, BOOL ignoreCase,
                                               ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID attribute,
                                                        VARIANT* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(TextUnit unit, int count, int* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(TextPatternRangeEndpoint endpoint,
                                                         TextUnit unit, int count, int* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    MoveEndpointByRange(TextPatternRangeEndpoint endpoint, ITextRangeProvider* target,
                        TextPatternRangeEndpoint targetEndpoint) = 0;
    virtual HRESULT STDMETHODCALLTYPE Select() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddToSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL alignToTop) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** out) = 0;
};

// The text pattern: the whole text, and where the caret is.
struct ITextProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE RangeFromChild(IRawElementProviderSimple* child,
                                                     ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE RangeFromPoint(UiaPoint point, ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocumentRange(ITextRangeProvider** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SupportedTextSelection(SupportedTextSelection* out) = 0;
};

constexpr IID IID_ITextProvider = {
    0x3589c92c, 0x63f3, 0x4367, {0x99, 0xbb, 0xad, 0xa6, 0x53, 0xb7, 0x7c, 0xf2}};
constexpr IID IID_ITextRangeProvider = {
    0x5347ad7b, 0xc355, 0x46f8, {0xaf, 0xf5, 0x90, 0x90, 0x33, 0x58, 0x2f, 0x63}};

// uiautomationcore.dll's functions, found at run time: Windows before 10 (1709) has no
// notification, Wine 8 neither, and a Windows without UI Automation none of them. A null one
// is not called; a test puts its recorder in one.
struct UiaFunctions {
    LRESULT(WINAPI* ReturnRawElementProvider)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*);
    HRESULT(WINAPI* HostProviderFromHwnd)(HWND, IRawElementProviderSimple**);
    HRESULT(WINAPI* RaiseAutomationEvent)(IRawElementProviderSimple*, EVENTID);
    HRESULT(WINAPI* RaiseNotificationEvent)
    (IRawElementProviderSimple*, NotificationKind, NotificationProcessing, BSTR words,
     BSTR activity);
    HRESULT(WINAPI* GetReservedNotSupportedValue)(IUnknown**);
};
extern UiaFunctions Uia;

// --- The game window's provider (accessible.cpp) ---

// Called by the Windows listener at the title, once SDL's window exists: finds the functions
// above, and has the window answer UI Automation's question for its provider. Without
// uiautomationcore.dll the game plays as before, unread.
void AccessibleStart(HWND window);

// Called by the Windows listener with each fact the game tells, on the game's thread: the text
// a screen reader reviews becomes what the window shows; while the game's own voice is silent
// (`voiceSpeaks` false), each page, question, ending and typed character is announced to the
// screen reader, as a notification or, where Windows has none, a live region's change.
void AccessibleHears(const shown::Event& event, bool voiceSpeaks);

// The window's element, for UI Automation and the tests: "Sombrial", a document with the text
// pattern, its one child the live region that says announcements where Windows has no
// notifications. Never freed.
IRawElementProviderSimple* AccessibleElement(void);
