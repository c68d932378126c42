/* Frame log: an LD_PRELOAD library that notes, for any SDL 1.2 program, when each frame
 * reaches the window. It wraps SDL_UpdateRect and SDL_Flip (the game updates one rectangle a
 * frame, the baseline the whole window) and appends one CLOCK_MONOTONIC
 * time in nanoseconds per presented frame to the file named by SOMBRIAL_FRAME_LOG.
 * The first line, "load <ns>", is when the dynamic loader ran this library's constructor.
 * Measures the game and the baseline the same way, from outside, with no code of theirs. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include "SDL.h"

static int log_fd = -1;
/* SDL_Flip may call SDL_UpdateRect itself: only the outermost call is a frame. */
static int depth;

static long long now_ns(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

/* One write per line, so a line is never split even if the program is killed. */
static void note(const char* what, long long ns)
{
    char line[48];
    int n;
    if (log_fd < 0)
        return;
    n = snprintf(line, sizeof line, "%s %lld\n", what, ns);
    if (write(log_fd, line, (size_t)n) != n)
        log_fd = -1;
}

__attribute__((constructor)) static void open_log(void)
{
    const char* path = getenv("SOMBRIAL_FRAME_LOG");
    long long loaded = now_ns();
    /* Only an SDL program logs: a wrapper it runs under (timeout, strace) passes the library
     * on to it. The program passes it on to nothing it starts (the speech daemon, ASan's
     * symbolizer), which would truncate its log. */
    if (!dlsym(RTLD_DEFAULT, "SDL_Init"))
        return;
    unsetenv("LD_PRELOAD");
    if (!path || !*path)
        return;
    log_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    note("load", loaded);
}

static void* next_symbol(const char* name)
{
    void* f = dlsym(RTLD_NEXT, name);
    if (!f) {
        fprintf(stderr, "frame_log: %s not found\n", name);
        abort();
    }
    return f;
}

void SDL_UpdateRect(SDL_Surface* screen, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    static void (*real)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32);
    if (!real)
        real =
            (void (*)(SDL_Surface*, Sint32, Sint32, Uint32, Uint32))next_symbol("SDL_UpdateRect");
    ++depth;
    real(screen, x, y, w, h);
    if (--depth == 0)
        note("frame", now_ns());
}

int SDL_Flip(SDL_Surface* screen)
{
    static int (*real)(SDL_Surface*);
    int result;
    if (!real)
        real = (int (*)(SDL_Surface*))next_symbol("SDL_Flip");
    ++depth;
    result = real(screen);
    if (--depth == 0)
        note("frame", now_ns());
    return result;
}
