// The desktop voice's engine on Linux: speech-dispatcher's C library, loaded only when the voice
// first speaks (linked to it, the game would not even start where it is missing); and whether a
// screen reader runs: GNOME's setting, as the accessibility bus tells it, or an Orca of this user.
#include <dbus/dbus.h>
#include <dirent.h>
#include <dlfcn.h>
#include <libspeechd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platforms/voice/voice.h"

namespace {

// A function of a library loaded at run time, by its name.
template <typename Function>
bool Find(void* library, const char* name, Function*& function)
{
    function = library ? reinterpret_cast<Function*>(dlsym(library, name)) : nullptr;
    return function != nullptr;
}

decltype(spd_say)* SpdSay = nullptr;
decltype(spd_cancel)* SpdCancel = nullptr;
SPDConnection* Connection = nullptr;

// An Orca of this user: its process is named orca. Started by hand it sets no flag anywhere.
bool OrcaRuns()
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
        // The bus starts the launcher for the question if it is not running: give it time.
        DBusMessage* reply = get && append(get, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING,
                                           &property, DBUS_TYPE_INVALID)
                                 ? send(bus, get, 5000, &error)
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

bool ScreenReaderRuns(void)
{
    return OrcaRuns() || ScreenReaderSetting();
}

bool EngineOpen(void)
{
    void* library = dlopen("libspeechd.so.2", RTLD_NOW | RTLD_LOCAL);
    decltype(spd_open2)* open;
    decltype(spd_set_language)* language;
    if (!Find(library, "spd_open2", open) || !Find(library, "spd_set_language", language) ||
        !Find(library, "spd_say", SpdSay) || !Find(library, "spd_cancel", SpdCancel))
        return false;
    // Its own address (SPEECHD_ADDRESS, or the user's socket), and the daemon started if it
    // is not running.
    char* error = nullptr;
    Connection = open("sombrial", "voz", nullptr, SPD_MODE_SINGLE, nullptr, 1, &error);
    free(error);
    if (!Connection)
        return false;
    language(Connection, "es");
    return true;
}

// Messages, not text: a message is never dropped or cut for the next, and a turned page
// cancels what is still said.
bool EngineSay(const char* latin1)
{
    return SpdSay(Connection, SPD_MESSAGE, Utf8(latin1).c_str()) >= 0;
}

void EngineStop(void)
{
    SpdCancel(Connection);
}
