// The speech thread of the desktop programs: it alone talks to the platform's speech engine,
// whose calls can take tens of milliseconds, so that no frame waits for them; the game's thread
// only posts to it. Also where a desktop program hears the stream and the voice's keys.
#include <cstring>
#include <deque>

#include "platforms/voice/voice.h"

namespace {

struct Message {
    enum Kind { Say, Stop, Switch } kind;
    std::string text;
};

// Made with the thread and never freed: the thread may still use them while the process
// exits, after the game's thread has run the exit handlers.
SDL_mutex* Lock = nullptr;
SDL_cond* Posted = nullptr;
std::deque<Message>* Queue = nullptr;
bool Failed = false;  // no thread could be made: the voice stays silent

// On the speech thread: whether the voice speaks, and the engine once it has been opened.
bool Speaking = false;
enum class Engine { Closed, Open, Failed } EngineState = Engine::Closed;

// SOMBRIAL_VOZ=1 turns the voice on and =0 off; otherwise it speaks when a screen reader runs.
bool WantedAtStart()
{
    const char* forced = SDL_getenv("SOMBRIAL_VOZ");
    if (forced && strcmp(forced, "1") == 0)
        return true;
    if (forced && strcmp(forced, "0") == 0)
        return false;
    return ScreenReaderRuns();
}

// Opens the engine the first time the voice speaks: never while it is silent. One failure
// silences it for good.
bool Ready()
{
    if (EngineState == Engine::Closed)
        EngineState = EngineOpen() ? Engine::Open : Engine::Failed;
    return EngineState == Engine::Open;
}

void Say(const char* latin1)
{
    if (Ready() && !EngineSay(latin1))
        EngineState = Engine::Failed;
}

Message Take()
{
    SDL_mutexP(Lock);
    while (Queue->empty())
        SDL_CondWait(Posted, Lock);
    Message message = std::move(Queue->front());
    Queue->pop_front();
    SDL_mutexV(Lock);
    return message;
}

int Speaker(void*)
{
    Speaking = WantedAtStart();
    for (;;) {
        Message message = Take();
        if (message.kind == Message::Switch) {
            if (Speaking && Ready())
                EngineStop();
            Speaking = !Speaking;
            Say(Speaking ? spoken::VoiceOnWords : spoken::VoiceOffWords);
            Speaking = Speaking && EngineState == Engine::Open;
        } else if (Speaking && message.kind == Message::Stop) {
            if (Ready())
                EngineStop();
        } else if (Speaking) {
            Say(message.text.c_str());
        }
    }
}

void Post(Message::Kind kind, const char* text)
{
    if (Failed || !Queue)  // no thread, or none yet: nothing to say it
        return;
    SDL_mutexP(Lock);
    if (kind == Message::Stop) {  // what waits would be said after the page it belongs to
        for (auto m = Queue->begin(); m != Queue->end();)
            m = m->kind == Message::Say ? Queue->erase(m) : m + 1;
    }
    Queue->push_back(Message{kind, text ? text : ""});
    SDL_CondSignal(Posted);
    SDL_mutexV(Lock);
}

// The voice's keys, seen as SDL reads them, before the game's pump: they pass on to the game,
// which gives them no meaning of its own.
int VoiceKeys(const SDL_Event* event)
{
    if (event->type == SDL_KEYDOWN || event->type == SDL_KEYUP)
        VoiceKey(event->key.keysym.sym, event->type == SDL_KEYDOWN);
    return 1;
}

// At the title's first frame, once SDL is up: the thread, and the keys.
void Start()
{
    Lock = SDL_CreateMutex();
    Posted = SDL_CreateCond();
    Queue = new std::deque<Message>;
    Failed = !Lock || !Posted || !SDL_CreateThread(Speaker, nullptr);
    SDL_SetEventFilter(VoiceKeys);
}

}  // namespace

void VoiceSay(const char* latin1)
{
    Post(Message::Say, latin1);
}

void VoiceStop(void)
{
    Post(Message::Stop, nullptr);
}

void VoiceSwitch(void)
{
    Post(Message::Switch, nullptr);
}

void spoken::Hear(const spoken::Event& event)
{
    if (event.what == spoken::Heard::Title)
        Start();
    VoiceHears(event);
}
