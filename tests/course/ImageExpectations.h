// Comparisons of decoded images with the description they were built from.
#pragma once

#include "course/PackageDescription.h"
#include "tests/course/ImageDecoder.h"

namespace veldrant::course::test {

// The directory lists every golf course of `d` under its area and initial, with the default
// prefecture names where `d` gives none.
void ExpectDirectoryMatches(const DecodedDirectory& dir, const PackageDescription& d);

// The course image carries `g`'s fields, items, holes, links and (when `withPictures`) the
// pictures of its first `pictureItems` items.
void ExpectCourseMatches(const DecodedCourse& image, const GolfCourseDescription& g,
                         const PackageDescription& d, bool withPictures);

// A picture's rows as the image must carry them: BMP order (bottom row first), one bit a
// pixel, most significant bit first.
std::vector<std::vector<uint8_t>> ExpectedRows(const PictureDescription& p);

}  // namespace veldrant::course::test
