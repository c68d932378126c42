// The desktop voice's engine on Linux: speech-dispatcher's C library, loaded only when the voice
// first speaks (linked to it, the game would not even start where it is missing), at the rate of
// the player's Orca; and whether a screen reader runs that does not read the window itself:
// GNOME's setting, as the accessibility bus tells it, or an Orca of this user that the
// accessibility bridge (accessible.c) cannot reach.
#include <dbus/dbus.h>
#include <dirent.h>
#include <dlfcn.h>
#include <libspeechd.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platforms/linux/accessible.h"
#include "platforms/voice/voice.h"

namespace {

// How long the question at start waits for the bridge to join the accessibility bus: within
// the second the speech thread gives it.
constexpr int ReaderWait = 800;

// A function of a library loaded at run time, by its name.
template <typename Function>
bool Find(void* library, const char* name, Function*& function)
{
    function = library ? reinterpret_cast<Function*>(dlsym(library, name)) : nullptr;
    return function != nullptr;
}

decltype(spd_open2)* SpdOpen = nullptr;
decltype(spd_set_language)* SpdLanguage = nullptr;
decltype(spd_set_voice_rate)* SpdRate = nullptr;
decltype(spd_say)* SpdSay = nullptr;
decltype(spd_char)* SpdChar = nullptr;
decltype(spd_cancel)* SpdCancel = nullptr;
decltype(spd_close)* SpdClose = nullptr;
SPDConnection* Connection = nullptr;
std::string Why;  // why the last open failed

// The rate in the player's Orca settings (0 to 100), or -1: the first "rate" of the first
// voice of the first profile in its JSON file; Orca's own rate is what its user chose to hear.
int OrcaRate()
{
    const char* data = getenv("XDG_DATA_HOME");
    const char* home = getenv("HOME");
    const std::string path = data && *data ? std::string(data) + "/orca/user-settings.conf"
                             : home ? std::string(home) + "/.local/share/orca/user-settings.conf"
                                    : "";
    FILE* file = path.empty() ? nullptr : fopen(path.c_str(), "r");
    if (!file)
        return -1;
    std::string text;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, n);
    fclose(file);
    size_t at = text.find("\"profiles\"");
    at = text.find("\"voices\"", at == std::string::npos ? 0 : at);
    at = at == std::string::npos ? at : text.find("\"rate\"", at);
    at = at == std::string::npos ? at : text.find(':', at);
    if (at == std::string::npos)
        return -1;
    char* end = nullptr;
    const double rate = strtod(text.c_str() + at + 1, &end);
    return end == text.c_str() + at + 1 || rate < 0 || rate > 100 ? -1 : static_cast<int>(rate);
}

// The session bus's address, when there is one: never one D-Bus would start for this question.
std::string SessionBus()
{
    const char* address = getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return strncmp(address, "autolaunch:", 11) == 0 ? "" : address;
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    struct stat socket;
    const std::string bus = std::string(runtime ? runtime : "") + "/bus";
    return runtime && stat(bus.c_str(), &socket) == 0 && S_ISSOCK(socket.st_mode)
               ? "unix:path=" + bus
               : "";
}

// GNOME's screen reader switch, as the accessibility bus's launcher reports it: the property
// ScreenReaderEnabled of org.a11y.Status on org.a11y.Bus.
bool ScreenReaderSetting()
{
    const std::string address = SessionBus();
    if (address.empty())
        return false;
    void* dbus = dlopen("libdbus-1.so.3", RTLD_NOW | RTLD_LOCAL);
    decltype(dbus_error_init)* errorInit;
    decltype(dbus_error_free)* errorFree;
    decltype(dbus_connection_open_private)* open;
    decltype(dbus_bus_register)* hello;
    decltype(dbus_message_new_method_call)* call;
    decltype(dbus_message_set_auto_start)* noStart;
    decltype(dbus_message_append_args)* append;
    decltype(dbus_connection_send_with_reply_and_block)* send;
    decltype(dbus_message_iter_init)* iterate;
    decltype(dbus_message_iter_get_arg_type)* type;
    decltype(dbus_message_iter_recurse)* recurse;
    decltype(dbus_message_iter_get_basic)* value;
    decltype(dbus_message_unref)* unrefMessage;
    decltype(dbus_connection_close)* close;
    decltype(dbus_connection_unref)* unrefConnection;
    if (!Find(dbus, "dbus_error_init", errorInit) || !Find(dbus, "dbus_error_free", errorFree) ||
        !Find(dbus, "dbus_connection_open_private", open) ||
        !Find(dbus, "dbus_bus_register", hello) ||
        !Find(dbus, "dbus_message_new_method_call", call) ||
        !Find(dbus, "dbus_message_set_auto_start", noStart) ||
        !Find(dbus, "dbus_message_append_args", append) ||
        !Find(dbus, "dbus_connection_send_with_reply_and_block", send) ||
        !Find(dbus, "dbus_message_iter_init", iterate) ||
        !Find(dbus, "dbus_message_iter_get_arg_type", type) ||
        !Find(dbus, "dbus_message_iter_recurse", recurse) ||
        !Find(dbus, "dbus_message_iter_get_basic", value) ||
        !Find(dbus, "dbus_message_unref", unrefMessage) ||
        !Find(dbus, "dbus_connection_close", close) ||
        !Find(dbus, "dbus_connection_unref", unrefConnection))
        return false;

    DBusError error;
    errorInit(&error);
    DBusConnection* bus = open(address.c_str(), &error);
    dbus_bool_t enabled = false;
    if (bus && hello(bus, &error)) {
        DBusMessage* get =
            call("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Get");
        const char* interface = "org.a11y.Status";
        const char* property = "ScreenReaderEnabled";
        // Asked only of a launcher that runs: a desktop without one has no screen reader on,
        // and the question must not start one.
        if (get)
            noStart(get, false);
        DBusMessage* reply = get && append(get, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING,
                                           &property, DBUS_TYPE_INVALID)
                                 ? send(bus, get, 1000, &error)
                                 : nullptr;
        DBusMessageIter variant, boolean;
        if (reply && iterate(reply, &variant) && type(&variant) == DBUS_TYPE_VARIANT) {
            recurse(&variant, &boolean);
            if (type(&boolean) == DBUS_TYPE_BOOLEAN)
                value(&boolean, &enabled);
        }
        if (reply)
            unrefMessage(reply);
        if (get)
            unrefMessage(get);
    }
    if (bus) {
        close(bus);
        unrefConnection(bus);
    }
    errorFree(&error);
    return enabled;
}

}  // namespace

// Started by hand, Orca sets no flag anywhere: its process is what tells.
bool OrcaRuns(void)
{
    DIR* processes = opendir("/proc");
    if (!processes)
        return false;
    bool found = false;
    while (dirent* entry = readdir(processes)) {
        if (found || entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        const std::string folder = std::string("/proc/") + entry->d_name;
        struct stat owner;
        char name[32] = "";
        if (stat(folder.c_str(), &owner) != 0 || owner.st_uid != getuid())
            continue;
        if (FILE* comm = fopen((folder + "/comm").c_str(), "r")) {
            found = fgets(name, sizeof name, comm) && strcmp(name, "orca\n") == 0;
            fclose(comm);
        }
    }
    closedir(processes);
    return found;
}

// An Orca that reads the window through the accessibility bridge reads the game itself: the
// game's voice stays off. Without the bridge, Orca cannot, and the game speaks as it would.
bool ScreenReaderRuns(void)
{
    return OrcaRuns() ? !OrcaReads(ReaderWait) : ScreenReaderSetting();
}

const char* EngineOpen(void)
{
    static void* library = dlopen("libspeechd.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return "speech-dispatcher's library (libspeechd.so.2) is not installed";
    if (!Find(library, "spd_open2", SpdOpen) || !Find(library, "spd_set_language", SpdLanguage) ||
        !Find(library, "spd_set_voice_rate", SpdRate) || !Find(library, "spd_say", SpdSay) ||
        !Find(library, "spd_char", SpdChar) || !Find(library, "spd_cancel", SpdCancel) ||
        !Find(library, "spd_close", SpdClose))
        return "libspeechd.so.2 lacks the calls the voice needs";
    // A daemon that has gone makes the next write fail, which must be an error to reconnect
    // on, not a SIGPIPE that ends the game: blocked on this thread alone.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    // Its own address (SPEECHD_ADDRESS, or the user's socket), and the daemon started if it
    // is not running.
    char* error = nullptr;
    Connection = SpdOpen("sombrial", "voz", nullptr, SPD_MODE_SINGLE, nullptr, 1, &error);
    if (!Connection) {
        Why = std::string("speech-dispatcher cannot be reached: ") + (error ? error : "no reason");
        free(error);
        return Why.c_str();
    }
    free(error);
    SpdLanguage(Connection, "es");
    return nullptr;
}

int EngineRate(void)
{
    const int rate = OrcaRate();
    return rate < 0 ? NormalRate : rate;
}

// As Orca sets speech-dispatcher's rate from its own, so that both speak alike.
void EngineSetRate(int rate)
{
    SpdRate(Connection, 2 * (rate < 99 ? rate : 99) - 98);
}

// Text, not messages: any newer text, and any message of a screen reader, cuts it, so the
// player's key or Orca's own words are never held behind a page. F3 says it again.
bool EngineSay(const char* latin1)
{
    return SpdSay(Connection, SPD_TEXT, Utf8(latin1).c_str()) >= 0;
}

// speech-dispatcher's character mode names it in the voice's language, as Orca's echo does. A
// space goes by its protocol's name: a bare one is refused, which would read as a lost daemon.
bool EngineEcho(char typed)
{
    const char character[2] = {typed, '\0'};
    return SpdChar(Connection, SPD_TEXT, typed == ' ' ? "space" : Utf8(character).c_str()) >= 0;
}

void EngineStop(void)
{
    SpdCancel(Connection);
}

void EngineClose(void)
{
    SpdCancel(Connection);
    SpdClose(Connection);
    Connection = nullptr;
}
