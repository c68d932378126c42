// The desktop's dots per inch on Windows: the primary monitor's, where the game's window opens.
// The program is aware of each monitor's (its manifest), so Windows never stretches it.
#include <windows.h>

#include "platforms/window/window.h"

int DesktopDpi(void)
{
    // GetDpiForMonitor is Windows 8.1's (shcore.dll); before it, one DPI for every monitor.
    using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    constexpr int EffectiveDpi = 0;  // MDT_EFFECTIVE_DPI: the scale the player chose
    UINT dpi = 0, unused = 0;
    if (HMODULE shcore = LoadLibraryA("shcore.dll")) {
        auto get = reinterpret_cast<GetDpiForMonitorFunction>(
            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
        if (!get || get(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), EffectiveDpi, &dpi,
                        &unused) != S_OK)
            dpi = 0;
        FreeLibrary(shcore);
    }
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = screen ? static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX)) : 0;
        if (screen)
            ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<int>(dpi) : 96;
}
