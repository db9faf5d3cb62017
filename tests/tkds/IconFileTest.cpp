// Icon files as tkds make reads them, and the icon group it writes for them.
#include <gtest/gtest.h>

#include <algorithm>

#include "tools/tkds/IconFile.h"

namespace tkds {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v);
    Put16(out, v >> 16);
}

// A BITMAPINFOHEADER-led image of size x size pixels and bitCount bits.
std::vector<std::uint8_t> Bitmap(int size, int bitCount) {
    std::vector<std::uint8_t> image;
    Put32(image, 40);
    Put32(image, static_cast<std::uint32_t>(size));
    Put32(image, static_cast<std::uint32_t>(size * 2));
    Put16(image, 1);
    Put16(image, static_cast<std::uint32_t>(bitCount));
    image.resize(40 + (bitCount == 8 ? 1024 : 0) + static_cast<std::size_t>(size * size * bitCount / 8 + size * 4), 0x5A);
    return image;
}

std::vector<std::uint8_t> Png() {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.resize(200, 1);
    return png;
}

struct Entry {
    std::uint8_t size;
    std::uint8_t colors;
    std::uint16_t planes, bitCount;
    std::vector<std::uint8_t> data;
};

// An icon file as icon editors write it: directory first, images after it.
std::vector<std::uint8_t> IconFile(const std::vector<Entry>& entries) {
    std::vector<std::uint8_t> file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        file.insert(file.end(), {e.size, e.size, e.colors, 0});
        Put16(file, e.planes);
        Put16(file, e.bitCount);
        Put32(file, static_cast<std::uint32_t>(e.data.size()));
        Put32(file, offset);
        offset += static_cast<std::uint32_t>(e.data.size());
    }
    for (const Entry& e : entries) file.insert(file.end(), e.data.begin(), e.data.end());
    return file;
}

TEST(IconFile, SizesDepthsAndPngImagesBecomeOneGroup) {
    const std::vector<Entry> entries = {
        {16, 0, 1, 8, Bitmap(16, 8)},   // 256 colours: the count byte is 0
        {32, 0, 1, 32, Bitmap(32, 32)},
        {48, 0, 0, 0, Bitmap(48, 32)},  // planes and depth left 0, as many writers do
        {0, 0, 0, 0, Png()},            // 256 x 256, PNG-compressed
    };
    std::vector<IconImage> images;
    std::string error;
    ASSERT_TRUE(ParseIconFile(IconFile(entries), images, error)) << error;
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(images[0].data, entries[0].data);
    EXPECT_EQ(images[2].bitCount, 32);
    EXPECT_EQ(images[2].planes, 1);
    EXPECT_EQ(images[3].width, 0);
    EXPECT_EQ(images[3].bitCount, 32);

    const std::vector<std::uint8_t> group = IconGroupData(images, 7);
    ASSERT_EQ(group.size(), 6u + 4 * 14);
    EXPECT_EQ(group[4], 4);
    EXPECT_EQ(group[6], 16);                        // first entry's width
    EXPECT_EQ(group[6 + 6], 8);                     // its bit count
    EXPECT_EQ(group[6 + 8] | group[6 + 9] << 8, static_cast<int>(entries[0].data.size()));
    std::vector<std::uint16_t> ids;
    ASSERT_TRUE(IconGroupIds(group, ids));
    EXPECT_EQ(ids, (std::vector<std::uint16_t>{7, 8, 9, 10}));
    EXPECT_FALSE(IconGroupIds(std::span(group).first(group.size() - 1), ids));
}

TEST(IconFile, OtherFilesAreRefused) {
    const std::vector<std::uint8_t> good = IconFile({{32, 0, 1, 32, Bitmap(32, 32)}});
    std::vector<std::uint8_t> cursor = good;
    cursor[2] = 2;
    std::vector<std::uint8_t> outside = good;
    outside[6 + 12] = 0xF0;  // image offset past the end
    std::vector<std::uint8_t> truncated(good.begin(), good.end() - 1);
    std::vector<std::uint8_t> notAnImage = good;
    notAnImage[22] = 12;     // an OS/2 header size, which icons never use
    const std::vector<std::uint8_t> png = Png();
    // Three entries, the last two naming the first one's image (its offset and size).
    std::vector<std::uint8_t> shared = IconFile({{32, 0, 1, 32, Bitmap(32, 32)}, {16, 0, 1, 8, Bitmap(16, 8)},
                                                 {48, 0, 1, 32, Bitmap(48, 32)}});
    for (std::size_t entry : {1, 2}) std::copy_n(shared.begin() + 6 + 8, 8, shared.begin() + 6 + 16 * entry + 8);
    // The second image starting one byte before the first ends.
    std::vector<std::uint8_t> overlapping = IconFile({{32, 0, 1, 32, Bitmap(32, 32)}, {16, 0, 1, 8, Bitmap(16, 8)}});
    overlapping[6 + 16 + 12] = static_cast<std::uint8_t>(overlapping[6 + 16 + 12] - 1);
    std::vector<std::uint8_t> inDirectory = good;
    inDirectory[6 + 12] = 6;  // the image starts at the directory's first entry
    const struct {
        std::vector<std::uint8_t> bytes;
        std::string reason;
    } cases[] = {
        {{}, "not an icon file"},
        {png, "not an icon file"},
        {cursor, "not an icon file"},
        {IconFile({}), "the icon file holds no image"},
        {std::vector<std::uint8_t>(good.begin(), good.begin() + 20), "the icon file is shorter than its directory of 1 images"},
        {outside, "image 1 lies outside the icon file"},
        {truncated, "image 1 lies outside the icon file"},
        {notAnImage, "image 1 is neither a PNG nor a bitmap"},
        {shared, "images 1 and 2 overlap in the icon file"},
        {overlapping, "images 1 and 2 overlap in the icon file"},
        {inDirectory, "image 1 overlaps the icon file's directory"},
    };
    for (const auto& c : cases) {
        std::vector<IconImage> images(1);
        std::string error;
        EXPECT_FALSE(ParseIconFile(c.bytes, images, error));
        EXPECT_EQ(error, c.reason);
        EXPECT_EQ(images.size(), 1u);
    }
}

}  // namespace
}  // namespace tkds
