// The speech thread of the desktop programs: it alone talks to the platform's speech engine,
// whose calls can take tens of milliseconds, so that no frame waits for them; the game's thread
// only posts to it. Also where a desktop program takes the voice's keys and stops it at exit.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "platforms/spoken/spoken.h"
#include "platforms/voice/voice.h"

namespace {

struct Message {
    enum Kind { Say, Echo, Stop, Switch, Rate, Leave } kind;
    std::string text;  // Say: what; Echo: the character
    int step;          // Rate: -1 or +1
};

// How long the screen-reader question may take, and the voice's end at exit.
constexpr Uint32 ProbeWait = 1000;
constexpr Uint32 LeaveWait = 200;

// Made with the thread and never freed: the thread may still use them while the process
// exits, after the game's thread has run the exit handlers.
SDL_mutex* Lock = nullptr;
SDL_cond* Posted = nullptr;
SDL_cond* Answered = nullptr;  // the screen-reader question has its answer
SDL_cond* Left = nullptr;      // the thread has let its engine go, at exit
std::deque<Message>* Queue = nullptr;
bool Failed = false;  // no thread could be made: the voice stays silent
bool Gone = false;    // the thread has let its engine go, at exit

// The screen-reader question's thread and answer; kept so that a question that never ends
// leaves no lost memory behind.
SDL_Thread* Asker = nullptr;
bool Asked = false;
bool ReaderRuns = false;

// On the speech thread: whether the voice speaks, its engine and its rate; Speaks mirrors
// Speaking for the game's thread.
bool Speaking = false;
std::atomic<bool> Speaks{false};
enum class Engine { Closed, Open, Failed } EngineState = Engine::Closed;
int PlayerRate = -1;   // the player's, once the engine has first been opened
bool SaidWhy = false;  // why the voice is silent has been written once

int Ask(void*)
{
    const bool runs = ScreenReaderRuns();
    SDL_mutexP(Lock);
    ReaderRuns = runs;
    Asked = true;
    SDL_CondSignal(Answered);
    SDL_mutexV(Lock);
    return 0;
}

// SOMBRIAL_VOZ=1 turns the voice on and =0 off; otherwise it speaks when a screen reader runs,
// as far as a second's asking can tell: a bus that never answers must not keep F2 waiting.
bool WantedAtStart()
{
    const char* forced = SDL_getenv("SOMBRIAL_VOZ");
    if (forced && strcmp(forced, "1") == 0)
        return true;
    if (forced && strcmp(forced, "0") == 0)
        return false;
    SDL_mutexP(Lock);
    Asker = SDL_CreateThread(Ask, nullptr);
    while (Asker && !Asked)
        if (SDL_CondWaitTimeout(Answered, Lock, ProbeWait) == SDL_MUTEX_TIMEDOUT)
            break;
    const bool runs = Asked && ReaderRuns;
    SDL_mutexV(Lock);
    if (Asked)
        SDL_WaitThread(Asker, nullptr);
    return runs;
}

// Opens the engine the first time the voice speaks, never while it is silent, at the player's
// rate; a failure keeps it closed until F2, and says why once.
bool Ready()
{
    if (EngineState == Engine::Closed) {
        if (const char* why = EngineOpen()) {
            EngineState = Engine::Failed;
            if (!SaidWhy)
                fprintf(stderr, "sombrial: the voice is silent: %s\n", why);
            SaidWhy = true;
        } else {
            EngineState = Engine::Open;
            if (PlayerRate < 0)
                PlayerRate = EngineRate();
            EngineSetRate(PlayerRate);
        }
    }
    return EngineState == Engine::Open;
}

// A say or an echo; an engine that lost its connection (its daemon restarted) is opened
// again once, and fails for good only if that fails too.
template <typename Speak>
void Attempt(Speak speak)
{
    if (!Ready() || speak())
        return;
    EngineClose();
    EngineState = Engine::Closed;
    if (!Ready() || !speak())
        EngineState = Engine::Failed;
}

void SwitchOver()
{
    if (Speaking && EngineState == Engine::Open)
        EngineStop();
    Speaking = !Speaking;
    if (Speaking && EngineState == Engine::Failed)
        EngineState = Engine::Closed;  // the player asks again: try again
    const char* words = Speaking ? spoken::VoiceOnWords : spoken::VoiceOffWords;
    Attempt([words] { return EngineSay(words); });
    Speaking = Speaking && EngineState == Engine::Open;
    Speaks = Speaking;
}

void ChangeRate(int step)
{
    if (!Ready())
        return;
    const int rate = PlayerRate + step * RateStep;
    PlayerRate = rate < SlowestRate ? SlowestRate : rate > FastestRate ? FastestRate : rate;
    EngineSetRate(PlayerRate);
    EngineStop();
    const std::string words =
        std::string(spoken::RateWords) + ' ' + std::to_string(PlayerRate) + '.';
    Attempt([&words] { return EngineSay(words.c_str()); });
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
    Speaks = Speaking;
    for (;;) {
        Message message = Take();
        if (message.kind == Message::Leave) {
            if (EngineState == Engine::Open)
                EngineClose();
            SDL_mutexP(Lock);
            Gone = true;
            SDL_CondSignal(Left);
            SDL_mutexV(Lock);
            return 0;
        }
        if (message.kind == Message::Switch) {
            SwitchOver();
        } else if (!Speaking) {
            continue;
        } else if (message.kind == Message::Stop) {
            if (Ready())
                EngineStop();
        } else if (message.kind == Message::Rate) {
            ChangeRate(message.step);
        } else if (message.kind == Message::Echo) {
            const char typed = message.text[0];
            Attempt([typed] { return EngineEcho(typed); });
        } else {
            Attempt([&message] { return EngineSay(message.text.c_str()); });
        }
    }
}

// Queues a message; one that cuts speech drops the says still waiting, which would be said
// after the page they belong to.
void PostLocked(Message message)
{
    if (message.kind != Message::Say) {
        for (auto m = Queue->begin(); m != Queue->end();)
            m = m->kind == Message::Say ? Queue->erase(m) : m + 1;
    }
    Queue->push_back(std::move(message));
    SDL_CondSignal(Posted);
}

void Post(Message message)
{
    if (Failed || !Queue)  // no thread, or none yet: nothing to say it
        return;
    SDL_mutexP(Lock);
    PostLocked(std::move(message));
    SDL_mutexV(Lock);
}

// At exit (Escape, the window closed, an ending's Enter): what is being said stops and the
// engine is let go, or the game gives up waiting for it after a moment.
void Leave()
{
    if (Failed || !Queue)
        return;
    SDL_mutexP(Lock);
    PostLocked(Message{Message::Leave, "", 0});
    while (!Gone)
        if (SDL_CondWaitTimeout(Left, Lock, LeaveWait) == SDL_MUTEX_TIMEDOUT)
            break;
    SDL_mutexV(Lock);
}

// The filter set before the voice's (the window's keys), which every event passes on to.
SDL_EventFilter NextFilter = nullptr;

// The voice's keys, seen as SDL reads them, before the game's pump: they pass on to the game,
// which gives them no meaning of its own.
int VoiceKeys(const SDL_Event* event)
{
    if (event->type == SDL_KEYDOWN || event->type == SDL_KEYUP)
        VoiceKey(event->key.keysym.sym, event->type == SDL_KEYDOWN);
    return NextFilter ? NextFilter(event) : 1;
}

}  // namespace

void VoiceSay(const char* latin1)
{
    Post(Message{Message::Say, latin1 ? latin1 : "", 0});
}

void VoiceEcho(char typed)
{
    Post(Message{Message::Echo, std::string(1, typed), 0});
}

void VoiceStop(void)
{
    Post(Message{Message::Stop, "", 0});
}

void VoiceSwitch(void)
{
    Post(Message{Message::Switch, "", 0});
}

void VoiceRate(int step)
{
    Post(Message{Message::Rate, "", step});
}

bool VoiceSpeaks(void)
{
    return Speaks;
}

void VoiceStart(void)
{
    Lock = SDL_CreateMutex();
    Posted = SDL_CreateCond();
    Answered = SDL_CreateCond();
    Left = SDL_CreateCond();
    Queue = new std::deque<Message>;
    Failed = !Lock || !Posted || !Answered || !Left || !SDL_CreateThread(Speaker, nullptr);
    NextFilter = SDL_GetEventFilter();
    SDL_SetEventFilter(VoiceKeys);
    atexit(Leave);
}
