// The images the watch stores: one directory image listing every golf course by area and by
// initial, and one course image a golf course with its items, holes, link data and pictures.
// Both are built into a caller's buffer of kImageSize bytes, which the builder clears first, so
// that every byte past the image's length is zero (the upload sends whole blocks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "course/PackageData.h"

namespace veldrant::course {

class CoursePackage;

inline constexpr size_t kImageSize = 131072;      // largest image the watch takes
inline constexpr size_t kStringPoolSize = 65536;  // largest string pool of a course image
inline constexpr size_t kMaxNameATexts = 100;     // distinct name A references a golf course
inline constexpr size_t kMaxNameBTexts = 20;      // distinct name B references a golf course

struct ImageResult {
    size_t length = 0;  // T or L; 0 when the image could not be built
    std::string error;  // why, when length is 0

    explicit operator bool() const { return length != 0; }
};

// Builds the directory image into `image` (at least kImageSize bytes) and returns T.
ImageResult BuildDirectoryImage(const IndexData& index, std::span<uint8_t> image);

// Builds the course image of course table entry `courseNumber` into `image` (at least
// kImageSize bytes), using `pool` (at least kStringPoolSize bytes) for its string pool, and
// returns L. `pictures` is the golf course's picture file, or nullptr when it has no usable one
// (every hole then carries the picture offset 0xFFFF).
ImageResult BuildCourseImage(const IndexData& index, const AppendData& append, size_t courseNumber,
                             const PictureFile* pictures, std::span<uint8_t> image,
                             std::span<uint8_t> pool);

// The same from a reader: its index, append file and the picture file it read last (the caller
// reads the golf course's pictures first).
ImageResult BuildDirectoryImage(const CoursePackage& package, std::span<uint8_t> image);
ImageResult BuildCourseImage(const CoursePackage& package, size_t courseNumber,
                             std::span<uint8_t> image, std::span<uint8_t> pool);

// The two buffers an upload builds its images in, allocated once and zero-filled.
struct ImageBuffers {
    ImageBuffers() : image(kImageSize, 0), pool(kStringPoolSize, 0) {}
    std::vector<uint8_t> image;
    std::vector<uint8_t> pool;
};

// Fields of a course image that the upload's records carry.
uint32_t CourseImageCrc(std::span<const uint8_t> image);   // offset 0
uint16_t CourseImageId(std::span<const uint8_t> image);    // offset 8
uint16_t CourseImageWord(std::span<const uint8_t> image);  // offset 10

}  // namespace veldrant::course
