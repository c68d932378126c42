// A stand-in for SAPI 5's voice, for the Wine tests only: a COM server registered in SpVoice's
// place, which says nothing and records each Speak the game makes.
//
// Each record ends with a zero byte: the text as UTF-8, or nothing at all for a purge (what the
// game's stop is), appended to the file SOMBRIAL_SAPI_SAID names (a Windows path) and written
// through at once, so that a test reads what was said while the game plays.
// tests/windows/wine.py reads it.
//
// The file SOMBRIAL_SAPI_VOICE names, when set, holds a voice's token id in UTF-16: the user's
// voice it starts with, and the one SetVoice chose last (tests/windows/wine.py).
#define CINTERFACE
#define COBJMACROS
#include <windows.h>

#include <sapi.h>
#include <sperror.h>

typedef struct {
    const ISpVoiceVtbl* methods;  // first, where COM looks for an interface's methods
    LONG references;
    ISpObjectToken* token;  // the voice: the user's, or the one SetVoice chose; or none
    LONG rate;              // SAPI's, -10 to 10: the user's is the normal, 0
    LONG streams;           // Speak's count, the stream number it gives back
} StandIn;

// Voices and class factory locks alive, for DllCanUnloadNow.
static LONG Living = 0;

// Appends one record to the file, opened for each so that nothing waits in a buffer.
static void Record(const char* bytes, DWORD length)
{
    WCHAR path[MAX_PATH];
    const DWORD got = GetEnvironmentVariableW(L"SOMBRIAL_SAPI_SAID", path, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, bytes, length, &written, NULL);
    CloseHandle(file);
}

// The voice file, to read the user's voice from (`access` GENERIC_READ) or to write the chosen
// one to; INVALID_HANDLE_VALUE without one.
static HANDLE VoiceFile(DWORD access)
{
    WCHAR path[MAX_PATH];
    const DWORD got = GetEnvironmentVariableW(L"SOMBRIAL_SAPI_VOICE", path, MAX_PATH);
    if (got == 0 || got >= MAX_PATH)
        return INVALID_HANDLE_VALUE;
    return CreateFileW(path, access, FILE_SHARE_READ, NULL,
                       access == GENERIC_READ ? OPEN_EXISTING : CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

// The user's voice, as SAPI gives a new voice the one chosen in Windows' settings.
static ISpObjectToken* UsersVoice(void)
{
    WCHAR id[MAX_PATH] = {0};
    DWORD got = 0;
    HANDLE file = VoiceFile(GENERIC_READ);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    ReadFile(file, id, sizeof id - sizeof *id, &got, NULL);
    CloseHandle(file);
    ISpObjectToken* token = NULL;
    if (got &&
        SUCCEEDED(CoCreateInstance(&CLSID_SpObjectToken, NULL, CLSCTX_ALL, &IID_ISpObjectToken,
                                   (void**)&token)) &&
        FAILED(ISpObjectToken_SetId(token, NULL, id, FALSE))) {
        ISpObjectToken_Release(token);
        token = NULL;
    }
    return token;
}

static HRESULT STDMETHODCALLTYPE VoiceQueryInterface(ISpVoice* self, REFIID iid, void** out)
{
    if (!IsEqualIID(iid, &IID_IUnknown) && !IsEqualIID(iid, &IID_ISpNotifySource) &&
        !IsEqualIID(iid, &IID_ISpEventSource) && !IsEqualIID(iid, &IID_ISpVoice)) {
        *out = NULL;
        return E_NOINTERFACE;
    }
    ISpVoice_AddRef(self);
    *out = self;
    return S_OK;
}

static ULONG STDMETHODCALLTYPE VoiceAddRef(ISpVoice* self)
{
    return InterlockedIncrement(&((StandIn*)self)->references);
}

static ULONG STDMETHODCALLTYPE VoiceRelease(ISpVoice* self)
{
    StandIn* voice = (StandIn*)self;
    const ULONG left = InterlockedDecrement(&voice->references);
    if (left == 0) {
        if (voice->token)
            ISpObjectToken_Release(voice->token);
        HeapFree(GetProcessHeap(), 0, voice);
        InterlockedDecrement(&Living);
    }
    return left;
}

// The game's Spanish voice, when it finds one: kept, as SAPI keeps it, given back, and its id
// written to the voice file.
static HRESULT STDMETHODCALLTYPE VoiceSetVoice(ISpVoice* self, ISpObjectToken* token)
{
    StandIn* voice = (StandIn*)self;
    WCHAR* id = NULL;
    if (!token || FAILED(ISpObjectToken_GetId(token, &id)))
        return E_INVALIDARG;
    HANDLE file = VoiceFile(GENERIC_WRITE);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, id, lstrlenW(id) * sizeof *id, &written, NULL);
        CloseHandle(file);
    }
    CoTaskMemFree(id);
    ISpObjectToken_AddRef(token);
    if (voice->token)
        ISpObjectToken_Release(voice->token);
    voice->token = token;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE VoiceGetVoice(ISpVoice* self, ISpObjectToken** token)
{
    StandIn* voice = (StandIn*)self;
    if (!token)
        return E_POINTER;
    *token = voice->token;
    if (!voice->token)
        return SPERR_NOT_FOUND;  // no default voice of its own
    ISpObjectToken_AddRef(voice->token);
    return S_OK;
}

// The rate, kept and given back: the game says its own scale's number for it.
static HRESULT STDMETHODCALLTYPE VoiceSetRate(ISpVoice* self, LONG rate)
{
    ((StandIn*)self)->rate = rate;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE VoiceGetRate(ISpVoice* self, LONG* rate)
{
    if (!rate)
        return E_POINTER;
    *rate = ((StandIn*)self)->rate;
    return S_OK;
}

// What would go wrong with a real voice is refused, so that the game falls silent and the test
// sees it: a Speak that is not asynchronous holds the speech thread until it has been said (no
// stop could cut it short), and text not marked plain is read as SAPI's XML when it starts with
// '<', which a player may type.
static HRESULT STDMETHODCALLTYPE VoiceSpeak(ISpVoice* self, LPCWSTR text, DWORD flags,
                                            ULONG* stream)
{
    if (!(flags & SPF_ASYNC) || (text && !(flags & SPF_IS_NOT_XML)))
        return E_INVALIDARG;
    if (flags & SPF_PURGEBEFORESPEAK)
        Record("", 1);
    if (text) {
        const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
        char* utf8 = HeapAlloc(GetProcessHeap(), 0, length);
        if (!utf8)
            return E_OUTOFMEMORY;
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, length, NULL, NULL);
        Record(utf8, length);  // its terminating zero ends the record
        HeapFree(GetProcessHeap(), 0, utf8);
    }
    const ULONG number = InterlockedIncrement(&((StandIn*)self)->streams);
    if (stream)
        *stream = number;
    return S_OK;
}

// What the game never asks of a voice.
#define NOT_IMPLEMENTED(method, ...)                                            \
    static HRESULT STDMETHODCALLTYPE Voice##method(ISpVoice* self, __VA_ARGS__) \
    {                                                                           \
        return E_NOTIMPL;                                                       \
    }
NOT_IMPLEMENTED(SetNotifySink, ISpNotifySink* sink)
NOT_IMPLEMENTED(SetNotifyWindowMessage, HWND window, UINT message, WPARAM w, LPARAM l)
NOT_IMPLEMENTED(SetNotifyCallbackFunction, SPNOTIFYCALLBACK* callback, WPARAM w, LPARAM l)
NOT_IMPLEMENTED(SetNotifyCallbackInterface, ISpNotifyCallback* callback, WPARAM w, LPARAM l)
NOT_IMPLEMENTED(WaitForNotifyEvent, DWORD milliseconds)
NOT_IMPLEMENTED(SetInterest, ULONGLONG events, ULONGLONG queued)
NOT_IMPLEMENTED(GetEvents, ULONG count, SPEVENT* events, ULONG* fetched)
NOT_IMPLEMENTED(GetInfo, SPEVENTSOURCEINFO* info)
NOT_IMPLEMENTED(SetOutput, IUnknown* output, WINBOOL formatChanges)
NOT_IMPLEMENTED(GetOutputObjectToken, ISpObjectToken** token)
NOT_IMPLEMENTED(GetOutputStream, ISpStreamFormat** stream)
NOT_IMPLEMENTED(SpeakStream, IStream* stream, DWORD flags, ULONG* number)
NOT_IMPLEMENTED(GetStatus, SPVOICESTATUS* status, LPWSTR* bookmark)
NOT_IMPLEMENTED(Skip, LPCWSTR type, LONG items, ULONG* skipped)
NOT_IMPLEMENTED(SetPriority, SPVPRIORITY priority)
NOT_IMPLEMENTED(GetPriority, SPVPRIORITY* priority)
NOT_IMPLEMENTED(SetAlertBoundary, SPEVENTENUM boundary)
NOT_IMPLEMENTED(GetAlertBoundary, SPEVENTENUM* boundary)
NOT_IMPLEMENTED(SetVolume, USHORT volume)
NOT_IMPLEMENTED(GetVolume, USHORT* volume)
NOT_IMPLEMENTED(WaitUntilDone, ULONG milliseconds)
NOT_IMPLEMENTED(SetSyncSpeakTimeout, ULONG milliseconds)
NOT_IMPLEMENTED(GetSyncSpeakTimeout, ULONG* milliseconds)
NOT_IMPLEMENTED(IsUISupported, LPCWSTR type, void* data, ULONG size, WINBOOL* supported)
NOT_IMPLEMENTED(DisplayUI, HWND parent, LPCWSTR title, LPCWSTR type, void* data, ULONG size)

// ... and those that take nothing but the voice.
#define NOT_IMPLEMENTED_ALONE(method, type, value)              \
    static type STDMETHODCALLTYPE Voice##method(ISpVoice* self) \
    {                                                           \
        return value;                                           \
    }
NOT_IMPLEMENTED_ALONE(SetNotifyWin32Event, HRESULT, E_NOTIMPL)
NOT_IMPLEMENTED_ALONE(Pause, HRESULT, E_NOTIMPL)
NOT_IMPLEMENTED_ALONE(Resume, HRESULT, E_NOTIMPL)
NOT_IMPLEMENTED_ALONE(GetNotifyEventHandle, HANDLE, NULL)
NOT_IMPLEMENTED_ALONE(SpeakCompleteEvent, HANDLE, NULL)

// Every method, in the interface's order; one left out does not compile.
// clang-format off
static const ISpVoiceVtbl VoiceMethods = {
    VoiceQueryInterface,             VoiceAddRef,                 VoiceRelease,
    VoiceSetNotifySink,              VoiceSetNotifyWindowMessage, VoiceSetNotifyCallbackFunction,
    VoiceSetNotifyCallbackInterface, VoiceSetNotifyWin32Event,    VoiceWaitForNotifyEvent,
    VoiceGetNotifyEventHandle,       VoiceSetInterest,            VoiceGetEvents,
    VoiceGetInfo,                    VoiceSetOutput,              VoiceGetOutputObjectToken,
    VoiceGetOutputStream,            VoicePause,                  VoiceResume,
    VoiceSetVoice,                   VoiceGetVoice,               VoiceSpeak,
    VoiceSpeakStream,                VoiceGetStatus,              VoiceSkip,
    VoiceSetPriority,                VoiceGetPriority,            VoiceSetAlertBoundary,
    VoiceGetAlertBoundary,           VoiceSetRate,                VoiceGetRate,
    VoiceSetVolume,                  VoiceGetVolume,              VoiceWaitUntilDone,
    VoiceSetSyncSpeakTimeout,        VoiceGetSyncSpeakTimeout,    VoiceSpeakCompleteEvent,
    VoiceIsUISupported,              VoiceDisplayUI,
};
// clang-format on

// --- The class factory: one, for the life of the DLL ---

static HRESULT STDMETHODCALLTYPE FactoryQueryInterface(IClassFactory* self, REFIID iid, void** out)
{
    if (!IsEqualIID(iid, &IID_IUnknown) && !IsEqualIID(iid, &IID_IClassFactory)) {
        *out = NULL;
        return E_NOINTERFACE;
    }
    *out = self;
    return S_OK;
}

static ULONG STDMETHODCALLTYPE FactoryAddRef(IClassFactory* self)
{
    return 2;
}

static ULONG STDMETHODCALLTYPE FactoryRelease(IClassFactory* self)
{
    return 1;
}

static HRESULT STDMETHODCALLTYPE FactoryCreateInstance(IClassFactory* self, IUnknown* outer,
                                                       REFIID iid, void** out)
{
    *out = NULL;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    StandIn* voice = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *voice);
    if (!voice)
        return E_OUTOFMEMORY;
    voice->methods = &VoiceMethods;
    voice->references = 1;
    voice->token = UsersVoice();
    InterlockedIncrement(&Living);
    const HRESULT result = VoiceQueryInterface((ISpVoice*)voice, iid, out);
    VoiceRelease((ISpVoice*)voice);
    return result;
}

static HRESULT STDMETHODCALLTYPE FactoryLockServer(IClassFactory* self, BOOL lock)
{
    if (lock)
        InterlockedIncrement(&Living);
    else
        InterlockedDecrement(&Living);
    return S_OK;
}

static const IClassFactoryVtbl FactoryMethods = {
    FactoryQueryInterface, FactoryAddRef, FactoryRelease, FactoryCreateInstance, FactoryLockServer,
};
static IClassFactory Factory = {(IClassFactoryVtbl*)&FactoryMethods};

// --- What COM calls: the class object for SpVoice's CLSID, and whether the DLL may go ---

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!IsEqualCLSID(clsid, &CLSID_SpVoice)) {
        *out = NULL;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return FactoryQueryInterface(&Factory, iid, out);
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow(void)
{
    return Living == 0 ? S_OK : S_FALSE;
}
