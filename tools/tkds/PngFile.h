#pragma once
// PNG files through libpng (host builds only: the Windows build of the tool has
// no libpng and leaves PNG work out, see TKDS_HAVE_PNG).
#include <string>

#include "tools/tkds/RgbaImage.h"

namespace tkds {

// Reads any PNG (every color type and bit depth, interlaced or not) as RGBA8.
// False with a reason in error; image is untouched then.
bool ReadPng(const std::string& path, RgbaImage& image, std::string& error);

// Writes image as an 8-bit RGBA PNG. False with a reason in error.
bool WritePng(const std::string& path, const RgbaImage& image, std::string& error);

}  // namespace tkds
