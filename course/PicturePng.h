// Hole pictures as PNG files, for people to look at: set bits black, the rows turned the right
// way up (the pictures are BMP files, which keep their bottom row first).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "course/PackageData.h"

namespace veldrant::course {

// The PNG file of a picture; empty for a picture without pixels.
std::vector<uint8_t> EncodePicturePng(const Picture& picture);

// Writes a 1-bit greyscale PNG. Fails (with a message) for a picture without pixels.
bool WritePicturePng(const Picture& picture, const std::string& path, std::string& error);

}  // namespace veldrant::course
