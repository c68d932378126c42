// The embedded images decode from memory to the size the catalogue gives them.
#include <gtest/gtest.h>

#include "assets/assets.h"

TEST(Assets, EveryImageDecodesToItsSize)
{
    SDL_Init(SDL_INIT_VIDEO);
    struct Case {
        int width, height;
        const unsigned char* data;
        uint32_t size;
        const char* type;
    } icon = {32, 32, IconImage, IconImageSize, "BMP"};
    std::vector<Case> cases = {icon};
    for (const EmbeddedAsset& a : AssetCatalogue)
        cases.push_back({a.width, a.height, a.data, *a.size, a.type});
    for (const Case& c : cases) {
        SDL_Surface* s = LoadEmbeddedImage(c.data, c.size, c.type);
        ASSERT_NE(s, nullptr) << SDL_GetError();
        EXPECT_EQ(s->w, c.width);
        EXPECT_EQ(s->h, c.height);
        SDL_FreeSurface(s);
    }
}
