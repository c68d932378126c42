// The embedded images decode from memory to the size the catalogue gives them.
#include <gtest/gtest.h>

#include "assets/assets.h"

TEST(Assets, EveryImageDecodesToItsSize)
{
    SDL_Init(SDL_INIT_VIDEO);
    for (const EmbeddedAsset& a : AssetCatalogue) {
        SDL_Surface* s = LoadEmbeddedImage(a.data, *a.size, a.type);
        ASSERT_NE(s, nullptr) << a.name << ": " << SDL_GetError();
        EXPECT_EQ(s->w, a.width) << a.name;
        EXPECT_EQ(s->h, a.height) << a.name;
        SDL_FreeSurface(s);
    }
}
