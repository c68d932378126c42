// SDL_RWFromMem for the browser: a real memory stream in place of the JavaScript SDL's, which
// also inflates the gzip'd assets the web build embeds.
//
// The JavaScript SDL hands out a number instead of an SDL_RWops, which only its own image
// loader understands; SDL_RWread and SDL_RWclose, macros that call through the structure,
// need the structure. The web build embeds each asset gzip'd (platforms/web/pack_asset.py):
// the program the browser loads is 0.21 MB instead of 6 MB, and each picture is inflated only
// when the game decodes it, to the bytes of an image file with the same pixels. Linked in with
// -Wl,--wrap=SDL_RWFromMem.
#include <cstdlib>
#include <cstring>

#include "SDL.h"

// Only stb_image's inflate: no image format.
#define STBI_NO_JPEG
#define STBI_NO_PNG
#define STBI_NO_BMP
#define STBI_NO_PSD
#define STBI_NO_TGA
#define STBI_NO_GIF
#define STBI_NO_PIC
#define STBI_NO_PNM
#define STBI_SUPPORT_ZLIB
#include "platforms/stb_image/stb_image_code.h"

namespace {

// The header `gzip -n` writes: magic, deflate, no flags, no time, then the eight-byte trailer
// whose last four bytes are the inflated size.
constexpr unsigned char GzipHeader[] = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0};
constexpr int GzipHeaderSize = 10;
constexpr int GzipTrailerSize = 8;

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

// Frees the stream and, in the same block, any bytes it inflated.
int Close(SDL_RWops* stream)
{
    free(stream);
    return 0;
}

bool IsGzip(const Uint8* data, int size)
{
    return size > GzipHeaderSize + GzipTrailerSize && memcmp(data, GzipHeader, 4) == 0;
}

// A stream over `size` bytes at `data`, inflated into the stream's own block when they are
// gzip'd; null when memory runs out or the bytes do not inflate to the size they announce.
SDL_RWops* Open(const Uint8* data, int size)
{
    const bool gzip = IsGzip(data, size);
    Uint32 plain = static_cast<Uint32>(size);
    if (gzip)
        memcpy(&plain, data + size - 4, 4);  // little-endian, as wasm is
    // Not calloc: the inflated bytes are all written, and zeroing them first costs.
    SDL_RWops* stream = static_cast<SDL_RWops*>(malloc(sizeof(SDL_RWops) + (gzip ? plain : 0)));
    if (!stream)
        return nullptr;
    memset(stream, 0, sizeof(SDL_RWops));
    Uint8* bytes = gzip ? reinterpret_cast<Uint8*>(stream + 1) : const_cast<Uint8*>(data);
    if (gzip && stbi_zlib_decode_noheader_buffer(
                    reinterpret_cast<char*>(bytes), static_cast<int>(plain),
                    reinterpret_cast<const char*>(data + GzipHeaderSize),
                    size - GzipHeaderSize - GzipTrailerSize) != static_cast<int>(plain)) {
        free(stream);
        return nullptr;
    }
    stream->seek = Seek;
    stream->read = Read;
    stream->write = Write;
    stream->close = Close;
    stream->hidden.mem.base = bytes;
    stream->hidden.mem.here = bytes;
    stream->hidden.mem.stop = bytes + plain;
    return stream;
}

}  // namespace

// Called by LoadEmbeddedImage for each embedded file. Null when memory runs out or a gzip'd
// file is damaged (the decoder then reports the missing stream); otherwise a stream over the
// file's own bytes that SDL_RWclose frees.
extern "C" SDL_RWops* __wrap_SDL_RWFromMem(void* memory, int size)
{
    if (!memory || size < 0)
        return nullptr;
    return Open(static_cast<const Uint8*>(memory), size);
}
