// The embedded assets: exact file layouts, and decoding to the right size, top row first.
#include <cstring>

#include <gtest/gtest.h>

#include "assets/assets.h"
#include "tests/seam/seam.h"

namespace {

uint32_t U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

class Assets : public testing::Test {
protected:
    static void SetUpTestSuite() { SDL_Init(SDL_INIT_VIDEO); }
};

}  // namespace

TEST_F(Assets, PicturesAreExactBmpFiles)
{
    for (const EmbeddedAsset& a : AssetCatalogue) {
        if (strcmp(a.type, "BMP") != 0)
            continue;
        SCOPED_TRACE(a.name);
        const unsigned char* f = a.data;
        uint32_t image = 640u * 3 * a.height + 2;
        ASSERT_EQ(*a.size, 54 + image);
        EXPECT_EQ(memcmp(f, "BM", 2), 0);
        EXPECT_EQ(U32(f + 2), *a.size);
        EXPECT_EQ(U32(f + 6), 0u);
        EXPECT_EQ(U32(f + 10), 54u);
        EXPECT_EQ(U32(f + 14), 40u);
        EXPECT_EQ(U32(f + 18), 640u);
        EXPECT_EQ(U32(f + 22), uint32_t(a.height));
        EXPECT_EQ(U16(f + 26), 1);
        EXPECT_EQ(U16(f + 28), 24);
        EXPECT_EQ(U32(f + 30), 0u);
        EXPECT_EQ(U32(f + 34), image);
        EXPECT_EQ(U32(f + 38), 3779u);
        EXPECT_EQ(U32(f + 42), 3779u);
        EXPECT_EQ(U32(f + 46), 0u);
        EXPECT_EQ(U32(f + 50), 0u);
        EXPECT_EQ(U16(f + *a.size - 2), 0) << "two-byte trailer";
    }
    EXPECT_EQ(TitlePictureSize, 921656u);
    EXPECT_EQ(LaboratoryPictureSize, 652856u);
}

TEST_F(Assets, GlyphSheetIsAnExactTga)
{
    const unsigned char* f = FontSheet;
    ASSERT_EQ(FontSheetSize, 93587u);
    const unsigned char header[18] = {0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 0x7F, 0x0E, 25, 0, 8, 0x08};
    EXPECT_EQ(memcmp(f, header, 18), 0);
    EXPECT_EQ(memcmp(f + 93561, "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0", 26), 0);
    const unsigned char* white = f + 18 + 27 * 3;
    const unsigned char* magenta = f + 18 + 255 * 3;
    EXPECT_EQ(memcmp(white, "\xFF\xFF\xFF", 3), 0) << "background at palette entry 27";
    EXPECT_EQ(memcmp(magenta, "\xFF\x00\xFF", 3), 0) << "marker at palette entry 255";
}

TEST_F(Assets, EveryAssetDecodesToItsSizeTopRowFirst)
{
    for (const EmbeddedAsset& a : AssetCatalogue) {
        SCOPED_TRACE(a.name);
        SDL_Surface* s = LoadEmbeddedImage(a.data, *a.size, a.type);
        ASSERT_NE(s, nullptr) << SDL_GetError();
        EXPECT_EQ(s->w, a.width);
        EXPECT_EQ(s->h, a.height);
        SDL_LockSurface(s);
        const uint8_t* top = static_cast<const uint8_t*>(s->pixels);
        const int bpp = s->format->BytesPerPixel;
        // Both formats store the bottom row first: the file's last row is the top row.
        for (int x : {0, 1, 100, a.width / 2, a.width - 1}) {
            if (strcmp(a.type, "BMP") == 0) {
                const unsigned char* file = a.data + 54 + size_t(a.height - 1) * 1920 + x * 3;
                Uint8 r, g, b;
                Uint32 value = 0;
                memcpy(&value, top + x * bpp, bpp);
                SDL_GetRGB(value, s->format, &r, &g, &b);
                EXPECT_EQ(b, file[0]);
                EXPECT_EQ(g, file[1]);
                EXPECT_EQ(r, file[2]);
            } else {
                ASSERT_EQ(bpp, 1);
                EXPECT_EQ(top[x], a.data[786 + size_t(a.height - 1) * a.width + x]);
            }
        }
        SDL_UnlockSurface(s);
        SDL_FreeSurface(s);
    }
}

TEST_F(Assets, IconDecodesForTheWindow)
{
    SDL_Surface* icon = LoadEmbeddedImage(IconImage, IconImageSize, "BMP");
    ASSERT_NE(icon, nullptr) << SDL_GetError();
    EXPECT_EQ(icon->w, 32);
    EXPECT_EQ(icon->h, 32);
    SDL_FreeSurface(icon);
}
