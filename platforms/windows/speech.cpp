// The desktop voice's engine on Windows: SAPI 5's voice, on the speech thread with COM set up
// there, in Spanish where a Spanish voice is installed; and whether a screen reader runs, as
// NVDA, JAWS and Narrator tell Windows.
#include <windows.h>

#include <sapi.h>

#include <initializer_list>

#include "platforms/voice/voice.h"

namespace {

ISpVoice* Voice = nullptr;

// The voices' category in the registry, where SAPI lists the installed voices.
const wchar_t* const Voices = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices";

// A Spanish voice, of Spain (40A) or international (C0A), when one is installed; otherwise
// the voice stays the user's default.
void ChooseSpanish()
{
    ISpObjectTokenCategory* category = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                                IID_ISpObjectTokenCategory, reinterpret_cast<void**>(&category))))
        return;
    bool chosen = false;
    if (SUCCEEDED(category->SetId(Voices, FALSE))) {
        for (const wchar_t* language : {L"Language=40A", L"Language=C0A"}) {
            IEnumSpObjectTokens* tokens = nullptr;
            if (chosen || FAILED(category->EnumTokens(language, nullptr, &tokens)))
                continue;
            ISpObjectToken* token = nullptr;
            if (tokens->Next(1, &token, nullptr) == S_OK) {
                chosen = SUCCEEDED(Voice->SetVoice(token));
                token->Release();
            }
            tokens->Release();
        }
    }
    category->Release();
}

}  // namespace

bool ScreenReaderRuns(void)
{
    BOOL running = FALSE;
    return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &running, 0) && running;
}

bool EngineOpen(void)
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) ||
        FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                reinterpret_cast<void**>(&Voice))))
        return false;
    ChooseSpanish();
    return true;
}

// Queued behind what is being said; never read as SAPI's XML, whatever the player types.
bool EngineSay(const char* latin1)
{
    const std::u16string text = Utf16(latin1);
    return SUCCEEDED(Voice->Speak(reinterpret_cast<const wchar_t*>(text.c_str()),
                                  SPF_ASYNC | SPF_IS_NOT_XML, nullptr));
}

void EngineStop(void)
{
    Voice->Speak(nullptr, SPF_ASYNC | SPF_PURGEBEFORESPEAK, nullptr);
}
