// Packages for the course tests: sample descriptions, members in clear that a test may damage
// before enciphering, and temporary zip archives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "course/PackageDescription.h"
#include "course/PackageWriter.h"
#include "tests/support/TempDir.h"

namespace veldrant::course::test {

using veldrant::testing::TempDir;

// A hole with `a`, `b`, `c` array entries whose values follow from `seed`.
HoleDescription MakeHole(uint8_t kind, size_t a, size_t b, size_t c, uint16_t seed);
// A picture of `width` by `height` pixels with a pattern that follows from `seed`.
PictureDescription MakePicture(uint32_t width, uint32_t height, uint32_t seed);
// An item of `holes` holes, each with a picture when `pictures`.
ItemDescription MakeItem(const std::string& name, size_t holes, bool pictures, uint16_t seed);

// Three golf courses in areas 13 and 27 with items, holes, links and pictures, and name tables.
PackageDescription SampleDescription();

std::vector<uint8_t>& Member(std::vector<ZipMember>& members, const std::string& name);

// Writes enciphered members to a zip archive in `dir` and returns its path.
std::string WriteArchive(const TempDir& dir, std::vector<ZipMember> members,
                         const std::string& name = "package.zip");

// Enciphers a copy of the members and loads index, append file (and nothing else) from memory.
bool LoadMembers(CoursePackage& package, std::vector<ZipMember> members);

// The code page 932 bytes of a UTF-8 text.
std::string Cp(const std::string& utf8);

// Enciphered copy of one member in clear.
std::vector<uint8_t> Enciphered(const ZipMember& plain);

}  // namespace veldrant::course::test
