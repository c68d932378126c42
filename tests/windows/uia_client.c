// A UI Automation client in a process of its own, for the Wine tests only: finds the game's
// window through uiautomationcore.dll, as a screen reader does, and prints what its element
// says of itself, one "property=value" line each (tests/windows/wine.py reads them). Only what
// Wine 8 carries across processes is asked, on a thread given a few seconds for all of it: a
// provider that never answers fails the test rather than hanging it.
#include <windows.h>

#include <stdio.h>
#include <uiautomation.h>

// What is printed, and the property's id.
static const struct {
    const char* name;
    PROPERTYID id;
} Properties[] = {{"name", UIA_NamePropertyId},
                  {"control", UIA_ControlTypePropertyId},
                  {"focusable", UIA_IsKeyboardFocusablePropertyId},
                  {"live", UIA_LiveSettingPropertyId},
                  {"focus", UIA_HasKeyboardFocusPropertyId}};

static DWORD WINAPI Ask(void* window)
{
    // uiautomationcore.dll's client functions, which MinGW-w64 neither declares nor links.
    HMODULE core = LoadLibraryA("uiautomationcore.dll");
    HRESULT(WINAPI * fromHandle)
    (HWND, HUIANODE*) = (void*)GetProcAddress(core, "UiaNodeFromHandle");
    HRESULT(WINAPI * property)
    (HUIANODE, PROPERTYID, VARIANT*) = (void*)GetProcAddress(core, "UiaGetPropertyValue");
    HUIANODE node = NULL;
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    if (!fromHandle || !property || FAILED(fromHandle(window, &node)) || !node) {
        puts("error=no node for the window");
        return 1;
    }
    for (size_t i = 0; i < sizeof Properties / sizeof *Properties; ++i) {
        VARIANT v;
        VariantInit(&v);
        property(node, Properties[i].id, &v);
        if (V_VT(&v) == VT_BSTR)
            printf("%s=%ls\n", Properties[i].name, V_BSTR(&v));
        else if (V_VT(&v) == VT_BOOL)
            printf("%s=%s\n", Properties[i].name, V_BOOL(&v) ? "true" : "false");
        else
            printf("%s=%ld\n", Properties[i].name, V_VT(&v) == VT_I4 ? (long)V_I4(&v) : -1L);
        VariantClear(&v);
    }
    // The question as a 32-bit sender asks it, its negative id not sign-extended: answered too.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_GETOBJECT, 0, (LPARAM)(DWORD)UiaRootObjectId, SMTO_ABORTIFHUNG,
                        5000, &answer);
    printf("zero-extended=%s\n", answer ? "answered" : "unanswered");
    return 0;
}

int main(void)
{
    HWND window = FindWindowA(NULL, "Sombrial");
    HANDLE asker = window ? CreateThread(NULL, 0, Ask, window, 0, NULL) : NULL;
    DWORD status = 1;
    if (!asker || WaitForSingleObject(asker, 20000) != WAIT_OBJECT_0)
        puts("error=no answer within 20 s");
    else
        GetExitCodeThread(asker, &status);
    fflush(stdout);
    return (int)status;
}
