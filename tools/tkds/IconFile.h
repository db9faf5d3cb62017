#pragma once
// Icon files (.ico) and the resources a program keeps them in: each image becomes
// one RT_ICON resource and the directory becomes an RT_GROUP_ICON resource that
// names the images by resource id instead of file offset.
//
//   file   ICONDIR: reserved u16 = 0, type u16 = 1 (icon), count u16
//          count x ICONDIRENTRY (16 bytes): width u8, height u8 (0 means 256),
//            colour count u8, reserved u8, planes u16, bit count u16,
//            image size u32, image offset u32
//          images: a PNG file, or a BITMAPINFOHEADER with its XOR and AND masks
//   group  the same header, then count x 14 bytes: the entry's first 12 bytes
//          and the image's RT_ICON id (u16)
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tkds {

struct IconImage {
    std::uint8_t width = 0;   // 0 for 256 pixels
    std::uint8_t height = 0;
    std::uint8_t colorCount = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::vector<std::uint8_t> data;  // the image as stored in the file
};

// The images of an icon file, in file order. False with a reason for a file that
// is not an icon file (a cursor included), has no image, or whose images lie
// outside it, overlap its directory or one another, or are neither PNG nor a
// bitmap. The images together are thus never larger than the file.
bool ParseIconFile(std::span<const std::uint8_t> bytes, std::vector<IconImage>& images, std::string& error);

// The RT_GROUP_ICON data for images stored as RT_ICON ids firstId, firstId + 1, ...
std::vector<std::uint8_t> IconGroupData(const std::vector<IconImage>& images, std::uint16_t firstId);

// The RT_ICON ids that an RT_GROUP_ICON resource names; false for data too short
// for its own count.
bool IconGroupIds(std::span<const std::uint8_t> group, std::vector<std::uint16_t>& ids);

}  // namespace tkds
