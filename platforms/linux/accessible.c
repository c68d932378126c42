/* The game's window on the accessibility bus (sombrial-atk.so): an ATK tree, application ->
 * frame -> terminal holding the text the window shows, exposed through at-spi2-atk on a thread
 * of its own that runs GLib's main context, so that no frame waits on a screen reader's
 * questions. Loaded by the program only where ATK and at-spi2-atk are installed. */
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <atk-bridge.h>
#include <atk/atk.h>
#include <dbus/dbus.h>
#include <stdlib.h>
#include <string.h>

#include "platforms/linux/accessible.h"

#define SOMBRIAL_EXPORT __attribute__((visibility("default")))

/* What the screen reader is told of the window's text; the game's bitmap font sets one cell per
 * character from the narration's corner, near enough for flat review to put lines in order. */
enum {
    CellWidth = 8,
    CellHeight = 16,
    TextLeft = 8,
    TextTop = 248,
    FocusPollMs = 50,
    FocusWaitMs = 1000
};
/* How long the game waits for a key's answer: Orca answers in milliseconds; a hung one must not
 * hang the game. */
enum { KeyWaitMs = 1000 };

/* --- The tree: three GObject types, each the least ATK needs of it --- */

typedef struct {
    AtkObject parent;
} SombrialNode;
typedef struct {
    AtkObjectClass parent;
} SombrialNodeClass;
typedef SombrialNode SombrialApplication, SombrialFrame, SombrialTerminal;
typedef SombrialNodeClass SombrialApplicationClass, SombrialFrameClass, SombrialTerminalClass;

static AtkObject* Application;
static AtkObject* Frame;
static AtkObject* Terminal;

/* Touched only on the bridge's thread: the text (UTF-8), its length in characters, the X
 * connection and windows, and whether the window has the input focus. */
static GString* Text;
static glong Count;
static Display* X;
static Window GameWindow, TopWindow;
static gboolean Focused;

static AtkKeySnoopFunc KeyListener;
static gpointer KeyListenerData;

static GType sombrial_application_get_type(void);
static GType sombrial_frame_get_type(void);
static GType sombrial_terminal_get_type(void);

/* The application and the frame have one child each: the frame, and the terminal. */
static gint OneChild(AtkObject* self)
{
    (void)self;
    return 1;
}

static AtkObject* RefChild(AtkObject* self, gint i)
{
    return i == 0 ? g_object_ref(self == Application ? Frame : Terminal) : NULL;
}

static void sombrial_application_class_init(SombrialNodeClass* klass)
{
    klass->parent.get_n_children = OneChild;
    klass->parent.ref_child = RefChild;
}
static void sombrial_application_init(SombrialNode* self)
{
    (void)self;
}
G_DEFINE_TYPE(SombrialApplication, sombrial_application, ATK_TYPE_OBJECT)

/* The window's place on the screen, asked of X each time (no window manager moves it, but one
 * may). */
static void WindowExtents(gint* x, gint* y, gint* width, gint* height, AtkCoordType coords)
{
    Window child;
    int left = 0, top = 0;
    if (X && coords == ATK_XY_SCREEN)
        XTranslateCoordinates(X, GameWindow, DefaultRootWindow(X), 0, 0, &left, &top, &child);
    *x = left;
    *y = top;
    *width = 640;
    *height = 480;
}

static void ComponentExtents(AtkComponent* self, gint* x, gint* y, gint* width, gint* height,
                             AtkCoordType coords)
{
    (void)self;
    WindowExtents(x, y, width, height, coords);
}

/* The frame and the terminal both cover the window. */
static void ComponentInit(AtkComponentIface* iface)
{
    iface->get_extents = ComponentExtents;
}

/* AtkWindow has no calls, only the signals at-spi2-atk turns into window events. */
static void WindowInit(AtkWindowIface* iface)
{
    (void)iface;
}

/* The states Orca looks for: shown and enabled; while the window has the X focus, the frame
 * active and the terminal focused. The terminal is editable text over many lines. */
static AtkStateSet* NodeStates(AtkObject* self, gboolean focusable)
{
    AtkStateSet* states = atk_state_set_new();
    (void)self;
    atk_state_set_add_state(states, ATK_STATE_ENABLED);
    atk_state_set_add_state(states, ATK_STATE_SENSITIVE);
    atk_state_set_add_state(states, ATK_STATE_VISIBLE);
    atk_state_set_add_state(states, ATK_STATE_SHOWING);
    if (focusable) {
        atk_state_set_add_state(states, ATK_STATE_FOCUSABLE);
        atk_state_set_add_state(states, ATK_STATE_EDITABLE);
        atk_state_set_add_state(states, ATK_STATE_MULTI_LINE);
    }
    if (Focused)
        atk_state_set_add_state(states, focusable ? ATK_STATE_FOCUSED : ATK_STATE_ACTIVE);
    return states;
}

static AtkStateSet* FrameStates(AtkObject* self)
{
    return NodeStates(self, FALSE);
}

static void sombrial_frame_class_init(SombrialNodeClass* klass)
{
    klass->parent.get_n_children = OneChild;
    klass->parent.ref_child = RefChild;
    klass->parent.ref_state_set = FrameStates;
}
static void sombrial_frame_init(SombrialNode* self)
{
    (void)self;
}
G_DEFINE_TYPE_WITH_CODE(SombrialFrame, sombrial_frame, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_WINDOW, WindowInit)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, ComponentInit))

/* --- The terminal's text: lines end at '\n'; the caret stays at the end, where the game types */

static const gchar* At(glong offset)
{
    offset = offset < 0 ? 0 : offset > Count ? Count : offset;
    return g_utf8_offset_to_pointer(Text->str, offset);
}

static gchar* TextBetween(AtkText* self, gint start, gint end)
{
    (void)self;
    if (end < 0 || end > Count)
        end = (gint)Count;
    if (start < 0 || start > end)
        start = end;
    return g_strndup(At(start), (gsize)(At(end) - At(start)));
}

static gunichar CharacterAt(AtkText* self, gint offset)
{
    (void)self;
    return offset >= 0 && offset < Count ? g_utf8_get_char(At(offset)) : 0;
}

static gint CharacterCount(AtkText* self)
{
    (void)self;
    return (gint)Count;
}

static gint Caret(AtkText* self)
{
    (void)self;
    return (gint)Count;
}

static gint NoSelections(AtkText* self)
{
    (void)self;
    return 0;
}

static gchar* NoSelection(AtkText* self, gint i, gint* start, gint* end)
{
    (void)self;
    (void)i;
    *start = *end = 0;
    return NULL;
}

/* The line and column of a character; its line's first character. */
static glong LineOf(glong offset, glong* column, glong* line_start)
{
    glong line = 0, start = 0, i = 0;
    for (const gchar* p = Text->str; i < offset && *p; p = g_utf8_next_char(p), i++)
        if (*p == '\n') {
            line++;
            start = i + 1;
        }
    *column = offset - start;
    *line_start = start;
    return line;
}

static gboolean IsLineEnd(glong i)
{
    return i >= Count || *At(i) == '\n';
}

static gboolean IsSpace(glong i)
{
    return i < Count && g_unichar_isspace(g_utf8_get_char(At(i)));
}

/* The span of `offset` at a granularity: a character, a word with the spaces after it, a line
 * with its '\n'. */
static gchar* StringAt(AtkText* self, gint offset, AtkTextGranularity granularity, gint* start,
                       gint* end)
{
    glong from = offset < 0 ? 0 : offset > Count ? Count : offset, to = from;
    if (granularity == ATK_TEXT_GRANULARITY_CHAR) {
        to = from < Count ? from + 1 : from;
    } else if (granularity == ATK_TEXT_GRANULARITY_WORD) {
        while (from > 0 && !IsSpace(from - 1))
            from--;
        while (to < Count && !IsSpace(to))
            to++;
        while (to < Count && IsSpace(to) && !IsLineEnd(to))
            to++;
    } else {
        glong column;
        LineOf(from, &column, &from);
        while (!IsLineEnd(to))
            to++;
        to = to < Count ? to + 1 : to;
    }
    *start = (gint)from;
    *end = (gint)to;
    return TextBetween(self, *start, *end);
}

static gchar* TextAt(AtkText* self, gint offset, AtkTextBoundary boundary, gint* start, gint* end)
{
    AtkTextGranularity granularity =
        boundary == ATK_TEXT_BOUNDARY_CHAR ? ATK_TEXT_GRANULARITY_CHAR
        : boundary == ATK_TEXT_BOUNDARY_WORD_START || boundary == ATK_TEXT_BOUNDARY_WORD_END
            ? ATK_TEXT_GRANULARITY_WORD
            : ATK_TEXT_GRANULARITY_LINE;
    return StringAt(self, offset, granularity, start, end);
}

static void CharacterExtents(AtkText* self, gint offset, gint* x, gint* y, gint* width,
                             gint* height, AtkCoordType coords)
{
    glong column, start;
    const glong line = LineOf(offset, &column, &start);
    (void)self;
    WindowExtents(x, y, width, height, coords);
    *x += TextLeft + (gint)column * CellWidth;
    *y += TextTop + (gint)line * CellHeight;
    *width = CellWidth;
    *height = CellHeight;
}

static void TextInit(AtkTextIface* iface)
{
    iface->get_text = TextBetween;
    iface->get_character_at_offset = CharacterAt;
    iface->get_character_count = CharacterCount;
    iface->get_caret_offset = Caret;
    iface->get_text_at_offset = TextAt;
    iface->get_string_at_offset = StringAt;
    iface->get_character_extents = CharacterExtents;
    iface->get_n_selections = NoSelections;
    iface->get_selection = NoSelection;
}

static AtkStateSet* TerminalStates(AtkObject* self)
{
    return NodeStates(self, TRUE);
}

static void sombrial_terminal_class_init(SombrialNodeClass* klass)
{
    klass->parent.ref_state_set = TerminalStates;
}
static void sombrial_terminal_init(SombrialNode* self)
{
    (void)self;
}
G_DEFINE_TYPE_WITH_CODE(SombrialTerminal, sombrial_terminal, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, TextInit)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, ComponentInit))

/* --- ATK's utility class: the root, the toolkit's name, the key listener at-spi2-atk sets --- */

static AtkObject* Root(void)
{
    return Application;
}

static const gchar* ToolkitName(void)
{
    return "Sombrial";
}

static const gchar* ToolkitVersion(void)
{
    return "1.0";
}

static guint AddKeyListener(AtkKeySnoopFunc listener, gpointer data)
{
    KeyListener = listener;
    KeyListenerData = data;
    return 1;
}

static void RemoveKeyListener(guint id)
{
    (void)id;
    KeyListener = NULL;
}

static AtkObject* Node(GType type, AtkRole role, const char* name, AtkObject* parent)
{
    AtkObject* node = g_object_new(type, NULL);
    atk_object_initialize(node, NULL);
    atk_object_set_role(node, role);
    if (name)
        atk_object_set_name(node, name);
    if (parent)
        atk_object_set_parent(node, parent);
    return node;
}

/* --- The game's thread posts; the bridge's thread does --- */

typedef struct {
    enum { Change, Key } kind;
    enum SombrialAtkChange change;
    gchar* utf8;
    int quiet;
    int pressed;
    unsigned keycode, modifiers;
    int answered, consumed; /* Key: set by the bridge's thread under Lock */
    int abandoned;          /* Key: the game stopped waiting; the bridge's thread frees it */
} Post;

static GMutex Lock;
static GCond Answered;
static GQueue Posts = G_QUEUE_INIT;
static int Up = -1; /* -1 until the bridge's thread knows; then 1 on the bus, 0 not */
static GThread* Thread;

/* A change of the text as the game posted it, told to the screen reader (what went, what came,
 * where the caret is) unless quiet. */
static void ApplyChange(Post* post)
{
    const glong old = Count;
    if (post->change == SOMBRIAL_ATK_ERASE) {
        if (Count == 0)
            return;
        const gchar* last = At(Count - 1);
        gchar* gone = g_strdup(last);
        g_string_truncate(Text, (gsize)(last - Text->str));
        Count--;
        if (!post->quiet)
            g_signal_emit_by_name(Terminal, "text-remove", (gint)Count, 1, gone);
        g_free(gone);
    } else {
        if (post->change == SOMBRIAL_ATK_REPLACE && old > 0) {
            gchar* gone = g_strdup(Text->str);
            g_string_truncate(Text, 0);
            Count = 0;
            if (!post->quiet)
                g_signal_emit_by_name(Terminal, "text-remove", 0, (gint)old, gone);
            g_free(gone);
        }
        const glong added = g_utf8_strlen(post->utf8, -1);
        if (added == 0)
            return;
        const glong at = Count;
        g_string_append(Text, post->utf8);
        Count += added;
        if (!post->quiet)
            g_signal_emit_by_name(Terminal, "text-insert", (gint)at, (gint)added, post->utf8);
    }
    if (!post->quiet)
        g_signal_emit_by_name(Terminal, "text-caret-moved", (gint)Count);
}

/* A key as a toolkit hands it to at-spi2-atk: the X keysym of its keycode at the shift level
 * its modifiers choose, and its text, or the keysym's name when it types nothing. */
static int OfferKey(Post* post)
{
    if (!KeyListener || !X)
        return 0;
    const KeySym keysym =
        XkbKeycodeToKeysym(X, (KeyCode)post->keycode, 0, post->modifiers & ShiftMask ? 1 : 0);
    const char* name = keysym ? XKeysymToString(keysym) : NULL;
    const char* typed = post->utf8 && g_unichar_isgraph(g_utf8_get_char(post->utf8)) ? post->utf8
                        : name                                                       ? name
                                                                                     : "";
    AtkKeyEventStruct key = {
        post->pressed ? ATK_KEY_EVENT_PRESS : ATK_KEY_EVENT_RELEASE,
        post->modifiers,
        (guint)keysym,
        (gint)strlen(typed),
        (gchar*)typed,
        (guint16)post->keycode,
        (guint32)(g_get_monotonic_time() / 1000),
    };
    return KeyListener(&key, KeyListenerData) != 0;
}

/* Runs on the bridge's thread, posted by the game's: every post waiting, in order. */
static gboolean Drain(gpointer unused)
{
    (void)unused;
    for (;;) {
        g_mutex_lock(&Lock);
        Post* post = g_queue_pop_head(&Posts);
        g_mutex_unlock(&Lock);
        if (!post)
            return G_SOURCE_REMOVE;
        if (post->kind == Change) {
            ApplyChange(post);
            g_free(post->utf8);
            g_free(post);
            continue;
        }
        const int consumed = OfferKey(post);
        g_mutex_lock(&Lock);
        post->consumed = consumed;
        post->answered = 1;
        if (post->abandoned) {
            g_free(post->utf8);
            g_free(post);
        }
        g_cond_broadcast(&Answered);
        g_mutex_unlock(&Lock);
    }
}

/* The focus as X has it (SDL 1.2 reports no change without a window manager): on gaining it
 * the frame activates, becomes active, then the terminal takes the focus, in that order, which
 * is what Orca needs to announce the window; losing it, the reverse. */
static gboolean WatchFocus(gpointer unused)
{
    Window focus;
    int revert;
    (void)unused;
    XGetInputFocus(X, &focus, &revert);
    /* No focus at all (None) is not the window's: SDL 2's window, under the compatibility
     * library, has no separate top-level one (0). */
    const gboolean now = focus != None && (focus == GameWindow || focus == TopWindow);
    if (now == Focused)
        return G_SOURCE_CONTINUE;
    Focused = now;
    if (now) {
        g_signal_emit_by_name(Frame, "activate");
        atk_object_notify_state_change(Frame, ATK_STATE_ACTIVE, TRUE);
        atk_object_notify_state_change(Terminal, ATK_STATE_FOCUSED, TRUE);
    } else {
        atk_object_notify_state_change(Terminal, ATK_STATE_FOCUSED, FALSE);
        atk_object_notify_state_change(Frame, ATK_STATE_ACTIVE, FALSE);
        g_signal_emit_by_name(Frame, "deactivate");
    }
    return G_SOURCE_CONTINUE;
}

/* The focus watched from a moment after the bridge joins the bus: what at-spi2-atk says before
 * the registry has taken the application in reaches no screen reader, and a window that has the
 * focus from the start (a window manager gives it at once; so does SDL 2, under the
 * compatibility library) would never be announced. */
static gboolean WatchFocusFromNowOn(gpointer unused)
{
    WatchFocus(unused);
    g_timeout_add(FocusPollMs, WatchFocus, NULL);
    return G_SOURCE_REMOVE;
}

/* Whether an accessibility bus runs: its address given, on the X screen, or its launcher on the
 * session bus, asked without starting one; at-spi2-atk would otherwise start a launcher, or
 * even a session bus. */
static gboolean BusRuns(void)
{
    if (getenv("AT_SPI_BUS_ADDRESS") && *getenv("AT_SPI_BUS_ADDRESS"))
        return TRUE;
    Atom type;
    int format;
    unsigned long items, left;
    unsigned char* value = NULL;
    if (XGetWindowProperty(X, DefaultRootWindow(X), XInternAtom(X, "AT_SPI_BUS", False), 0, 1024,
                           False, AnyPropertyType, &type, &format, &items, &left,
                           &value) == Success &&
        value) {
        XFree(value);
        return TRUE;
    }
    const char* address = getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    gchar* own = NULL;
    if ((!address || !*address) && runtime)
        address = own = g_strdup_printf("unix:path=%s/bus", runtime);
    if (!address || !*address || g_str_has_prefix(address, "autolaunch:")) {
        g_free(own);
        return FALSE;
    }
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_connection_open_private(address, &error);
    dbus_bool_t owned = FALSE;
    if (bus && dbus_bus_register(bus, &error))
        owned = dbus_bus_name_has_owner(bus, "org.a11y.Bus", &error);
    if (bus) {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
    }
    dbus_error_free(&error);
    g_free(own);
    return owned;
}

/* The bridge's thread: joins the accessibility bus if one runs, with ATK's utility class filled
 * in first (at-spi2-atk asks it for the root and the key listener), then runs GLib's main
 * context, where at-spi2-atk answers the screen reader and calls the key listener. */
static gpointer Bridge(gpointer unused)
{
    (void)unused;
    GMainContext* context = g_main_context_default();
    g_main_context_push_thread_default(context);
    int up = X && BusRuns();
    if (up) {
        AtkUtilClass* util = g_type_class_ref(ATK_TYPE_UTIL);
        util->get_root = Root;
        util->get_toolkit_name = ToolkitName;
        util->get_toolkit_version = ToolkitVersion;
        util->add_key_event_listener = AddKeyListener;
        util->remove_key_event_listener = RemoveKeyListener;
        Text = g_string_new("");
        Application = Node(sombrial_application_get_type(), ATK_ROLE_APPLICATION, "sombrial", NULL);
        Frame = Node(sombrial_frame_get_type(), ATK_ROLE_FRAME, "Sombrial", Application);
        Terminal = Node(sombrial_terminal_get_type(), ATK_ROLE_TERMINAL, NULL, Frame);
        up = atk_bridge_adaptor_init(NULL, NULL) == 0;
    }
    g_mutex_lock(&Lock);
    Up = up;
    g_cond_broadcast(&Answered);
    g_mutex_unlock(&Lock);
    if (!up)
        return NULL;
    g_timeout_add(FocusWaitMs, WatchFocusFromNowOn, NULL);
    Drain(NULL);
    g_main_loop_run(g_main_loop_new(context, FALSE));
    return NULL;
}

/* Called on the game's thread: queues a post for the bridge's thread, or drops it (0) once the
 * bridge has given up. */
static int Enqueue(Post* post)
{
    g_mutex_lock(&Lock);
    const int up = Up;
    if (up != 0)
        g_queue_push_tail(&Posts, post);
    g_mutex_unlock(&Lock);
    if (up == 1)
        g_main_context_invoke(NULL, Drain, NULL);
    return up != 0;
}

/* X's error handler before the bridge's, which takes the errors of the bridge's own connection:
 * a question about the window as it closes at exit must not end the game with Xlib's status. */
static XErrorHandler Previous;

static int IgnoreOwnErrors(Display* display, XErrorEvent* error)
{
    return display == X || !Previous ? 0 : Previous(display, error);
}

SOMBRIAL_EXPORT int SombrialAtkStart(unsigned long window, unsigned long top)
{
    GameWindow = window;
    TopWindow = top;
    X = XOpenDisplay(NULL);
    if (X)
        Previous = XSetErrorHandler(IgnoreOwnErrors);
    Thread = g_thread_try_new("sombrial-atk", Bridge, NULL, NULL);
    return Thread != NULL;
}

SOMBRIAL_EXPORT int SombrialAtkUp(int wait_ms)
{
    const gint64 deadline = g_get_monotonic_time() + wait_ms * G_TIME_SPAN_MILLISECOND;
    g_mutex_lock(&Lock);
    while (Thread && Up < 0)
        if (!g_cond_wait_until(&Answered, &Lock, deadline))
            break;
    const int up = Thread ? Up : 0;
    g_mutex_unlock(&Lock);
    return up;
}

SOMBRIAL_EXPORT void SombrialAtkChange(enum SombrialAtkChange change, const char* utf8, int quiet)
{
    Post* post = g_new0(Post, 1);
    post->kind = Change;
    post->change = change;
    post->utf8 = g_strdup(utf8 ? utf8 : "");
    post->quiet = quiet;
    if (!Thread || !Enqueue(post)) {
        g_free(post->utf8);
        g_free(post);
    }
}

SOMBRIAL_EXPORT int SombrialAtkKey(int pressed, unsigned keycode, unsigned modifiers,
                                   const char* utf8)
{
    g_mutex_lock(&Lock);
    const int up = Up;
    g_mutex_unlock(&Lock);
    if (up != 1)
        return 0;
    Post* post = g_new0(Post, 1);
    post->kind = Key;
    post->utf8 = g_strdup(utf8 ? utf8 : "");
    post->pressed = pressed;
    post->keycode = keycode;
    post->modifiers = modifiers;
    Enqueue(post);
    const gint64 deadline = g_get_monotonic_time() + KeyWaitMs * G_TIME_SPAN_MILLISECOND;
    g_mutex_lock(&Lock);
    while (!post->answered)
        if (!g_cond_wait_until(&Answered, &Lock, deadline))
            break;
    const int answered = post->answered, consumed = answered && post->consumed;
    if (answered || g_queue_remove(&Posts, post)) {
        g_free(post->utf8);
        g_free(post);
    } else {
        post->abandoned = 1; /* being offered: the bridge's thread frees it */
    }
    g_mutex_unlock(&Lock);
    return consumed;
}
