// The desktop voice's engine on Windows: SAPI 5's voice, on the speech thread with COM set up
// there, the user's own voice and rate when it speaks Spanish, another Spanish voice otherwise;
// and whether a screen reader runs, as NVDA, JAWS and Narrator tell Windows.
#include <windows.h>

#include <sapi.h>

#include "platforms/voice/voice.h"

namespace {

ISpVoice* Voice = nullptr;
bool ComReady = false;

// The voices' category in the registry, where SAPI lists the installed voices.
const wchar_t* const Voices = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices";

// Whether a voice speaks Spanish: the first language of its Language attribute, a list of
// hexadecimal LANGIDs such as "C0A;40A", is Spanish of any country.
bool SpeaksSpanish(ISpObjectToken* token)
{
    ISpDataKey* attributes = nullptr;
    wchar_t* languages = nullptr;
    bool spanish = false;
    if (SUCCEEDED(token->OpenKey(L"Attributes", &attributes)) &&
        SUCCEEDED(attributes->GetStringValue(L"Language", &languages)))
        spanish =
            PRIMARYLANGID(static_cast<LANGID>(wcstoul(languages, nullptr, 16))) == LANG_SPANISH;
    CoTaskMemFree(languages);
    if (attributes)
        attributes->Release();
    return spanish;
}

// The user's default voice when it speaks Spanish; otherwise the first installed voice that
// does, of whatever country; otherwise the default, which is all there is.
void ChooseSpanish()
{
    ISpObjectToken* current = nullptr;
    const bool kept = SUCCEEDED(Voice->GetVoice(&current)) && SpeaksSpanish(current);
    if (current)
        current->Release();
    ISpObjectTokenCategory* category = nullptr;
    if (kept ||
        FAILED(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                                IID_ISpObjectTokenCategory, reinterpret_cast<void**>(&category))))
        return;
    IEnumSpObjectTokens* tokens = nullptr;
    if (SUCCEEDED(category->SetId(Voices, FALSE)) &&
        SUCCEEDED(category->EnumTokens(nullptr, nullptr, &tokens))) {
        bool chosen = false;
        ISpObjectToken* token = nullptr;
        while (!chosen && tokens->Next(1, &token, nullptr) == S_OK) {
            chosen = SpeaksSpanish(token) && SUCCEEDED(Voice->SetVoice(token));
            token->Release();
        }
        tokens->Release();
    }
    category->Release();
}

// What a screen reader says for a typed character SAPI would read wrongly or not at all.
struct Named {
    char character;  // Latin-1
    const char16_t* name;
};
// clang-format off
// character  name
constexpr Named Names[] = {
    {' ',  u"espacio"},
    {'.',  u"punto"},
    {',',  u"coma"},
    {';',  u"punto y coma"},
    {':',  u"dos puntos"},
    {'-',  u"guion"},
    {'_',  u"subrayado"},
    {'\'', u"apóstrofo"},
    {'"',  u"comillas"},
    {'(',  u"abre paréntesis"},
    {')',  u"cierra paréntesis"},
    {'?',  u"cierra interrogación"},
    {'!',  u"cierra exclamación"},
    {'\xBF', u"abre interrogación"},
    {'\xA1', u"abre exclamación"},
    {'/',  u"barra"},
    {'*',  u"asterisco"},
    {'+',  u"más"},
    {'=',  u"igual"},
    {'%',  u"por ciento"},
    {'&',  u"y comercial"},
    {'@',  u"arroba"},
    {'#',  u"almohadilla"},
};
// clang-format on

}  // namespace

bool ScreenReaderRuns(void)
{
    BOOL running = FALSE;
    return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &running, 0) && running;
}

const char* EngineOpen(void)
{
    if (!ComReady && FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return "COM cannot be set up on the speech thread";
    ComReady = true;
    if (FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                reinterpret_cast<void**>(&Voice))))
        return "SAPI's voice (SpVoice) is not installed";
    ChooseSpanish();
    return nullptr;
}

// The rate the user set for SAPI (-10 to 10), which a new voice starts at.
int EngineRate(void)
{
    long rate = 0;
    return SUCCEEDED(Voice->GetRate(&rate)) ? static_cast<int>((rate + 10) * 5) : NormalRate;
}

void EngineSetRate(int rate)
{
    Voice->SetRate(rate / 5 - 10);
}

// Queued behind what is being said; never read as SAPI's XML, whatever the player types.
bool EngineSay(const char* latin1)
{
    const std::u16string text = Utf16(latin1);
    return SUCCEEDED(Voice->Speak(reinterpret_cast<const wchar_t*>(text.c_str()),
                                  SPF_ASYNC | SPF_IS_NOT_XML, nullptr));
}

// What is being said stops at once, and the character is named as a screen reader names it.
bool EngineEcho(char typed)
{
    const char letter[2] = {typed, '\0'};
    std::u16string text = Utf16(letter);
    for (const Named& named : Names)
        if (named.character == typed)
            text = named.name;
    return SUCCEEDED(Voice->Speak(reinterpret_cast<const wchar_t*>(text.c_str()),
                                  SPF_ASYNC | SPF_PURGEBEFORESPEAK | SPF_IS_NOT_XML, nullptr));
}

void EngineStop(void)
{
    Voice->Speak(nullptr, SPF_ASYNC | SPF_PURGEBEFORESPEAK, nullptr);
}

void EngineClose(void)
{
    EngineStop();
    Voice->Release();
    Voice = nullptr;
    CoUninitialize();
    ComReady = false;
}
