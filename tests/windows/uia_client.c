// A UI Automation client in a process of its own, for the Wine tests only: finds the game's
// window through uiautomationcore.dll, as a screen reader does, and prints what its element
// says of itself, one "property=value" line each (tests/windows/wine.py reads them).
//
// Only what Wine 8 carries across processes is asked: the node and its properties. Each call
// runs on a thread of its own and is given a few seconds: a provider that never answers fails
// the test rather than hanging it.
#define COBJMACROS
#include <windows.h>

#include <stdio.h>
#include <uiautomation.h>

// What MinGW-w64 does not declare, from uiautomationcore.dll, which it has no import library
// for: found at run time.
typedef HRESULT(WINAPI* NodeFromHandle)(HWND, HUIANODE*);
typedef HRESULT(WINAPI* GetPropertyValue)(HUIANODE, PROPERTYID, VARIANT*);
typedef BOOL(WINAPI* NodeRelease)(HUIANODE);

// How long one cross-process call may take.
#define CALL_WAIT 10000

static NodeFromHandle FromHandle;
static GetPropertyValue Property;
static HWND Window;
static HUIANODE Node;

typedef struct {
    PROPERTYID id;
    VARIANT value;
    HRESULT result;
} Asked;

static DWORD WINAPI FindNode(void* result)
{
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    *(HRESULT*)result = FromHandle(Window, &Node);
    return 0;
}

static DWORD WINAPI AskProperty(void* asked)
{
    Asked* a = asked;
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    VariantInit(&a->value);
    a->result = Property(Node, a->id, &a->value);
    return 0;
}

// Runs `call` on a thread of its own; false when it takes longer than CALL_WAIT.
static BOOL Within(LPTHREAD_START_ROUTINE call, void* argument)
{
    HANDLE thread = CreateThread(NULL, 0, call, argument, 0, NULL);
    return thread && WaitForSingleObject(thread, CALL_WAIT) == WAIT_OBJECT_0;
}

// clang-format off
// what is printed  the property's id
static const struct { const char* name; PROPERTYID id; } Properties[] = {
    {"name",          UIA_NamePropertyId},
    {"control",       UIA_ControlTypePropertyId},
    {"focusable",     UIA_IsKeyboardFocusablePropertyId},
    {"live",          UIA_LiveSettingPropertyId},
    {"focus",         UIA_HasKeyboardFocusPropertyId},
};
// clang-format on

int main(void)
{
    HMODULE core = LoadLibraryA("uiautomationcore.dll");
    FromHandle = (NodeFromHandle)(void*)GetProcAddress(core, "UiaNodeFromHandle");
    Property = (GetPropertyValue)(void*)GetProcAddress(core, "UiaGetPropertyValue");
    NodeRelease release = (NodeRelease)(void*)GetProcAddress(core, "UiaNodeRelease");
    Window = FindWindowA(NULL, "Sombrial");
    if (!FromHandle || !Property || !release || !Window) {
        puts("error=no UI Automation, or no window named Sombrial");
        return 1;
    }
    HRESULT found = E_FAIL;
    if (!Within(FindNode, &found) || FAILED(found) || !Node) {
        printf("error=no node for the window (0x%08lx)\n", (unsigned long)found);
        return 1;
    }
    for (size_t i = 0; i < sizeof Properties / sizeof *Properties; ++i) {
        Asked asked;
        asked.id = Properties[i].id;
        asked.result = E_FAIL;
        if (!Within(AskProperty, &asked)) {
            printf("%s=(no answer)\n", Properties[i].name);
            continue;
        }
        const VARIANT* v = &asked.value;
        if (FAILED(asked.result))
            printf("%s=(error 0x%08lx)\n", Properties[i].name, (unsigned long)asked.result);
        else if (V_VT(v) == VT_BSTR)
            printf("%s=%ls\n", Properties[i].name, V_BSTR(v));
        else if (V_VT(v) == VT_I4)
            printf("%s=%ld\n", Properties[i].name, (long)V_I4(v));
        else if (V_VT(v) == VT_BOOL)
            printf("%s=%s\n", Properties[i].name, V_BOOL(v) ? "true" : "false");
        else
            printf("%s=(type %d)\n", Properties[i].name, V_VT(v));
        VariantClear(&asked.value);
    }
    release(Node);
    // The question as a 32-bit sender asks it, its negative id not sign-extended: answered too.
    DWORD_PTR answer = 0;
    const LPARAM zeroExtended = (LPARAM)(DWORD)UiaRootObjectId;
    const BOOL sent = SendMessageTimeoutA(Window, WM_GETOBJECT, 0, zeroExtended, SMTO_ABORTIFHUNG,
                                          CALL_WAIT, &answer) != 0;
    printf("zero-extended=%s\n", sent && answer ? "answered" : "unanswered");
    fflush(stdout);
    return 0;
}
