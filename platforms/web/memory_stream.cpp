// SDL_RWFromMem for the browser: a real memory stream in place of the JavaScript SDL's.
//
// The JavaScript SDL hands out a number instead of an SDL_RWops, which only its own image
// loader understands; SDL_RWread and SDL_RWclose, macros that call through the structure,
// need the structure. Linked in with -Wl,--wrap=SDL_RWFromMem.
#include <cstdlib>
#include <cstring>

#include "SDL.h"

namespace {

long Seek(SDL_RWops* stream, long offset, int whence)
{
    Uint8* from = whence == RW_SEEK_SET   ? stream->hidden.mem.base
                  : whence == RW_SEEK_END ? stream->hidden.mem.stop
                                          : stream->hidden.mem.here;
    Uint8* to = from + offset;
    if (to < stream->hidden.mem.base || to > stream->hidden.mem.stop)
        return -1;
    stream->hidden.mem.here = to;
    return static_cast<long>(to - stream->hidden.mem.base);
}

size_t Read(SDL_RWops* stream, void* buffer, size_t size, size_t count)
{
    if (size == 0)
        return 0;
    size_t whole = static_cast<size_t>(stream->hidden.mem.stop - stream->hidden.mem.here) / size;
    if (count > whole)
        count = whole;
    memcpy(buffer, stream->hidden.mem.here, count * size);
    stream->hidden.mem.here += count * size;
    return count;
}

size_t Write(SDL_RWops*, const void*, size_t, size_t)
{
    return 0;  // the game's streams are its embedded files, read only
}

int Close(SDL_RWops* stream)
{
    free(stream);
    return 0;
}

}  // namespace

// Called by LoadEmbeddedImage for each embedded file. Null when memory runs out; otherwise a
// stream over [memory, memory + size) that SDL_RWclose frees.
extern "C" SDL_RWops* __wrap_SDL_RWFromMem(void* memory, int size)
{
    if (!memory || size < 0)
        return nullptr;
    SDL_RWops* stream = static_cast<SDL_RWops*>(calloc(1, sizeof(SDL_RWops)));
    if (!stream)
        return nullptr;
    stream->seek = Seek;
    stream->read = Read;
    stream->write = Write;
    stream->close = Close;
    stream->hidden.mem.base = static_cast<Uint8*>(memory);
    stream->hidden.mem.here = stream->hidden.mem.base;
    stream->hidden.mem.stop = stream->hidden.mem.base + size;
    return stream;
}
