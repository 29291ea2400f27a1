// resources_store_test.cpp - the resource store and the "incbin" scheme.
#include <gtest/gtest.h>

#include "engine/io/stream.h"
#include "engine/render/font.h"
#include "engine/resources/embedded.h"
#include "engine/resources/resource_store.h"

namespace {

const uint8_t FIRST[] = {'f', 'i', 'r', 's', 't', '\n'};
const uint8_t SECOND[] = {'s', 'e', 'c', 'o', 'n', 'd', '\n'};

TEST(ResourcesStore, FirstRegistrationWins) {
    registerEmbeddedResources();
    const int before = resourceCount();
    EXPECT_TRUE(registerResource("test\\store_a.txt", FIRST, sizeof FIRST));
    EXPECT_FALSE(registerResource("test\\store_a.txt", SECOND, sizeof SECOND));
    EXPECT_EQ(resourceCount(), before + 1);
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    ASSERT_TRUE(findResource("test\\store_a.txt", &bytes, &size));
    EXPECT_EQ(bytes, FIRST);
    EXPECT_EQ(size, sizeof FIRST);
    StreamPtr s = openStream("incbin::test\\store_a.txt", true, false);
    ASSERT_TRUE(s);
    EXPECT_EQ(readLine(*s), "first");
}

TEST(ResourcesStore, NamesExactSchemeAnyCase) {
    registerEmbeddedResources();
    registerResource("gfx\\store_b.bmp", SECOND, sizeof SECOND);
    EXPECT_TRUE(openStream("INCBIN::gfx\\store_b.bmp", true, false));
    EXPECT_TRUE(openStream("InCbIn::gfx\\store_b.bmp", true, false));
    EXPECT_FALSE(openStream("incbin::GFX\\store_b.bmp", true, false));
    EXPECT_FALSE(openStream("incbin::gfx/store_b.bmp", true, false)); // no slash rewriting
    EXPECT_FALSE(openStream("incbin::gfx\\store_b.bmp ", true, false));
    EXPECT_FALSE(findResource("gfx\\STORE_B.bmp", nullptr, nullptr));
    // Embedded data is constant: asking to write gives none.
    EXPECT_FALSE(openStream("incbin::gfx\\store_b.bmp", true, true));
    EXPECT_FALSE(openWriteStream("incbin::gfx\\store_b.bmp"));
}

TEST(ResourcesStore, EmbeddedRegistrationIsIdempotent) {
    registerEmbeddedResources();
    const int count = resourceCount();
    registerEmbeddedResources();
    EXPECT_EQ(resourceCount(), count);

    int n = 0;
    const EmbeddedFile* files = embeddedFiles(&n);
    for (int i = 0; i < n; ++i) {
        const uint8_t* bytes = nullptr;
        size_t size = 0;
        ASSERT_TRUE(findResource(files[i].name, &bytes, &size)) << files[i].name;
        EXPECT_EQ(size, static_cast<size_t>(files[i].end - files[i].begin));
        StreamPtr s = openStream(std::string("incbin::") + files[i].name, true, false);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->size(), static_cast<int64_t>(size));
    }
    if (fontTable() != nullptr) {
        size_t size = 0;
        EXPECT_TRUE(findResource(FONT_RESOURCE_NAME, nullptr, &size));
        EXPECT_EQ(size, static_cast<size_t>(FONT_TABLE_SIZE));
    }
}

TEST(ResourcesStore, EmptyResourceReadsAsEmpty) {
    registerEmbeddedResources();
    registerResource("test\\empty", nullptr, 0);
    StreamPtr s = openStream("incbin::test\\empty", true, false);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->size(), 0);
    EXPECT_EQ(readLine(*s), "");
    EXPECT_FALSE(registerResource("test\\null", nullptr, 4)); // no bytes for a size
}

} // namespace
