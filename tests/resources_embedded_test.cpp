// resources_embedded_test.cpp - every picture built into the program loads with
// the geometry and flags of the game's resource table.
#include <cstring>
#include <gtest/gtest.h>

#include "engine/resources/image.h"
#include "engine/resources/resource_store.h"
#include "world/assets.h"

namespace {

TEST(ResourcesEmbedded, EveryTablePictureLoads) {
    registerEmbeddedResources();
    int count = 0;
    const AssetEntry* table = assetTable(&count);
    int checked = 0;
    for (int i = 0; i < count; ++i) {
        const AssetEntry& e = table[i];
        if (std::strncmp(e.name, "gfx\\", 4) != 0) continue;
        if (!findResource(e.name, nullptr, nullptr)) continue; // not generated yet
        const std::string url = std::string("incbin::") + e.name;
        ImagePtr img = e.strip
                           ? loadImageStrip(url, e.cellWidth, e.cellHeight, 0, e.frames, e.flags)
                           : loadImage(url, e.flags);
        ASSERT_TRUE(img) << e.name;
        EXPECT_EQ(imageFrames(img.get()), e.strip ? e.frames : 1) << e.name;
        if (e.strip) {
            EXPECT_EQ(imageWidth(img.get()), e.cellWidth) << e.name;
            EXPECT_EQ(imageHeight(img.get()), e.cellHeight) << e.name;
        }
        // Masked pictures end up in the working format with alpha; others keep theirs.
        const int format = img->frames[0].pixels.format;
        const bool masked = e.flags == -1 || (e.flags & MASKED_IMAGE);
        if (masked) {
            EXPECT_EQ(format, PF_RGBA32) << e.name;
        } else {
            EXPECT_NE(format, 0) << e.name;
        }
        ++checked;
    }
    RecordProperty("pictures_checked", checked);
    std::printf("[ pictures ] %d of the table's pictures are embedded and load\n", checked);
}

} // namespace
