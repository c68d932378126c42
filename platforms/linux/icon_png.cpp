// sombrial-icon-png: writes one image of the window icon (an ICO file) as a PNG, for the
// desktop's icon theme. The build makes the installed icons with it from the committed ICO,
// so the two never drift apart.
//
// usage: sombrial-icon-png ICON.ico SIZE OUT.png
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Read16(const Bytes& data, size_t at)
{
    return data[at] | (data[at + 1] << 8);
}

uint32_t Read32(const Bytes& data, size_t at)
{
    return Read16(data, at) | (Read16(data, at + 2) << 16);
}

bool ReadFile(const char* path, Bytes& out)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    uint8_t chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        out.insert(out.end(), chunk, chunk + n);
    fclose(f);
    return true;
}

// --- The ICO side: find the image of the wanted size, decode it to RGBA rows. ---

// The directory entry's image as a PNG file (some icons carry their large images so),
// or as a device-independent bitmap of `size` pixels, 24 or 32 bits, with its mask.
bool FindImage(const Bytes& ico, int size, size_t& offset, size_t& length)
{
    if (ico.size() < 6 || Read16(ico, 0) != 0 || Read16(ico, 2) != 1)
        return false;
    const uint32_t count = Read16(ico, 4);
    for (uint32_t i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
        const size_t entry = 6 + 16 * i;
        const int width = ico[entry] ? ico[entry] : 256;
        offset = Read32(ico, entry + 12);
        length = Read32(ico, entry + 8);
        if (width == size && offset <= ico.size() && length <= ico.size() - offset)
            return true;
    }
    return false;
}

bool DecodeBitmap(const Bytes& ico, size_t offset, size_t length, int size, Bytes& rgba)
{
    if (length < 40)
        return false;
    const int32_t width = static_cast<int32_t>(Read32(ico, offset + 4));
    const int32_t height = static_cast<int32_t>(Read32(ico, offset + 8));  // colour + mask
    const uint32_t bits = Read16(ico, offset + 14);
    if (width != size || height != 2 * size || (bits != 24 && bits != 32))
        return false;
    const size_t header = Read32(ico, offset);
    const size_t colourStride = (size * bits / 8 + 3) & ~size_t{3};
    const size_t maskStride = ((size + 7) / 8 + 3) & ~size_t{3};
    if (header + (colourStride + maskStride) * size > length)
        return false;
    const uint8_t* colour = ico.data() + offset + header;
    const uint8_t* mask = colour + colourStride * size;

    // A 32-bit image carries its own alpha, unless an old writer left it all zero.
    const size_t pixelBytes = bits / 8;
    bool ownAlpha = false;
    for (int row = 0; bits == 32 && row < size; ++row)
        for (int x = 0; x < size; ++x)
            ownAlpha = ownAlpha || colour[row * colourStride + x * pixelBytes + 3] != 0;

    rgba.assign(static_cast<size_t>(size) * size * 4, 0);
    for (int y = 0; y < size; ++y) {
        const int row = size - 1 - y;  // bottom row first
        for (int x = 0; x < size; ++x) {
            const uint8_t* pixel = colour + row * colourStride + x * pixelBytes;
            const bool masked = (mask[row * maskStride + x / 8] >> (7 - x % 8)) & 1;
            uint8_t* out = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            out[0] = pixel[2];
            out[1] = pixel[1];
            out[2] = pixel[0];
            out[3] = ownAlpha ? pixel[3] : (masked ? 0 : 255);
        }
    }
    return true;
}

// --- The PNG side: RGBA, no filtering, deflate's stored blocks (no compression needed). ---

uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc = 0)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < length; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void Put32(Bytes& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(Bytes& png, const char* type, const Bytes& data)
{
    Put32(png, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    Put32(png, Crc32(body.data(), body.size()));
}

Bytes Zlib(const Bytes& raw)
{
    Bytes out = {0x78, 0x01};
    uint32_t a = 1, b = 0;  // Adler-32
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    size_t at = 0;
    do {
        const size_t length = raw.size() - at < 65535 ? raw.size() - at : 65535;
        out.push_back(at + length == raw.size() ? 1 : 0);  // final block?
        out.push_back(length & 0xFF);
        out.push_back(length >> 8);
        out.push_back(~length & 0xFF);
        out.push_back((~length >> 8) & 0xFF);
        out.insert(out.end(), raw.begin() + at, raw.begin() + at + length);
        at += length;
    } while (at < raw.size());
    Put32(out, (b << 16) | a);
    return out;
}

Bytes EncodePng(const Bytes& rgba, int size)
{
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    Put32(header, size);
    Put32(header, size);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
    Chunk(png, "IHDR", header);
    Bytes raw;
    for (int y = 0; y < size; ++y) {
        raw.push_back(0);
        const auto row = rgba.begin() + static_cast<long>(y) * size * 4;
        raw.insert(raw.end(), row, row + size * 4);
    }
    Chunk(png, "IDAT", Zlib(raw));
    Chunk(png, "IEND", {});
    return png;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: sombrial-icon-png ICON.ico SIZE OUT.png\n");
        return 2;
    }
    const int size = atoi(argv[2]);
    Bytes ico;
    size_t offset = 0, length = 0;
    if (!ReadFile(argv[1], ico) || !FindImage(ico, size, offset, length)) {
        fprintf(stderr, "sombrial-icon-png: no %dx%d image in %s\n", size, size, argv[1]);
        return 1;
    }
    Bytes png;
    static const uint8_t signature[] = {0x89, 'P', 'N', 'G'};
    if (length >= 4 && memcmp(&ico[offset], signature, 4) == 0) {
        png.assign(ico.begin() + offset, ico.begin() + offset + length);
    } else {
        Bytes rgba;
        if (!DecodeBitmap(ico, offset, length, size, rgba)) {
            fprintf(stderr, "sombrial-icon-png: the %dx%d image is no 24/32-bit bitmap\n", size,
                    size);
            return 1;
        }
        png = EncodePng(rgba, size);
    }
    FILE* out = fopen(argv[3], "wb");
    if (!out || fwrite(png.data(), 1, png.size(), out) != png.size() || fclose(out) != 0) {
        fprintf(stderr, "sombrial-icon-png: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
