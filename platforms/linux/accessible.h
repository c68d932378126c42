/* How the Linux program and its accessibility bridge (sombrial-atk.so) call each other: plain C
 * functions the program looks up by name once it has loaded the bridge, so that the program
 * itself links none of ATK, at-spi2-atk or GLib and starts where they are missing. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* What changes in the text the screen reader reads (the window's narration and command line). */
enum SombrialAtkChange {
    SOMBRIAL_ATK_REPLACE, /* the text shown is now `utf8` alone */
    SOMBRIAL_ATK_APPEND,  /* `utf8` follows what is shown */
    SOMBRIAL_ATK_ERASE    /* the last character shown goes */
};

/* Called once by the program on its game thread, once the window is shown: starts the
 * bridge's thread, which joins the accessibility bus if one runs, for the X window `window`
 * (SDL's) inside the top-level `top`. Returns at once; 0 when no thread could be made. */
int SombrialAtkStart(unsigned long window, unsigned long top);

/* Called by the program: waits at most `wait_ms` for the bridge to have joined the
 * accessibility bus, or to have given up. 1 when it is on the bus, 0 when not, -1 when it does
 * not know yet. */
int SombrialAtkUp(int wait_ms);

/* Called by the program on its game thread for each change of what it shows, in order; returns
 * at once. With `quiet`, the text changes without telling the screen reader (the game's own
 * voice says it): it stays current for review, and nothing new is spoken. */
void SombrialAtkChange(enum SombrialAtkChange change, const char* utf8, int quiet);

/* Called by the program on its game thread for every key event, before the game sees it:
 * offers it to the screen reader's key listeners and waits for their answer. 1 when a listener
 * took it (a screen reader's command), which the game must then drop. */
int SombrialAtkKey(int pressed, unsigned keycode, unsigned modifiers, const char* utf8);

#ifdef __cplusplus
}

/* --- The program's own (listener.cpp, speech.cpp) --- */

/* Whether an Orca of this user reads the window through the bridge, waiting at most `wait_ms`
 * for the bridge to know; false until it is known. Asked by the speech thread at start, whose
 * voice then stays off, and by the listener for each echo, which Orca then says itself. */
bool OrcaReads(int wait_ms);
/* Whether an Orca of this user runs (speech.cpp): its process is named orca. */
bool OrcaRuns(void);
#endif
