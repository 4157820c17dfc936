// libFuzzer target: reading a course package and building its directory image and every
// course image, with the picture file given to each golf course. Besides the sanitizers it
// checks what the upload relies on: images within their buffer, their stored length and CRC.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "course/Bytes.h"
#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "course/Crc32.h"
#include "course/PackageWriter.h"
#include "fuzz/CourseFuzzInput.h"

namespace {

using namespace veldrant::course;
using veldrant::fuzz::CourseInputMode;

constexpr size_t kMaxCourses = 64;  // enough to reach every path, few enough to stay quick

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "course fuzz: %s\n", what);
        std::abort();
    }
}

void CheckCourseImage(const ImageBuffers& b, const ImageResult& r) {
    Require(r.length >= 48 && r.length <= kImageSize, "course image length out of range");
    Require(Le32(b.image, 4) == r.length, "stored course image length differs");
    Require(Le32(b.image, 0) == Crc32Mpeg2(std::span(b.image).subspan(4, r.length - 4)),
            "stored CRC differs");
}

void BuildAll(CoursePackage& package, std::span<const uint8_t> pictures, bool fromZip) {
    static ImageBuffers buffers;
    ImageResult dir = BuildDirectoryImage(package, buffers.image);
    Require(!dir || dir.length <= kImageSize, "directory image too long");
    const size_t n = std::min(package.Index().blocks.size(), kMaxCourses);
    for (size_t k = 0; k < n; ++k) {
        const uint16_t id = package.Index().blocks[k].id;
        if (fromZip) {
            package.ReadPictures(id);
        } else {
            package.LoadPictures(id, pictures);
        }
        ImageResult r = BuildCourseImage(package, k, buffers.image, buffers.pool);
        if (r)
            CheckCourseImage(buffers, r);
    }
}

void RunZip(CoursePackage& package, std::span<const uint8_t> zip) {
    static const std::string path = [] {
        std::string p = "/tmp/veldrant-course-fuzz-" + std::to_string(getpid()) + ".zip";
        return p;
    }();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(zip.data(), 1, zip.size(), f);
    std::fclose(f);
    if (package.Open(path) && package.ReadIndex()) {
        package.ReadAppend();
        BuildAll(package, {}, true);
    }
    package.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CoursePackage package;  // its 17 MiB of buffers allocated once
    const auto in = veldrant::fuzz::SplitCourseInput({data, size});
    if (in.mode == CourseInputMode::ZipArchive) {
        RunZip(package, in.zip);
        return 0;
    }
    std::vector<uint8_t> index(in.index.begin(), in.index.end());
    std::vector<uint8_t> append(in.append.begin(), in.append.end());
    std::vector<uint8_t> pictures(in.pictures.begin(), in.pictures.end());
    if (in.mode == CourseInputMode::PlainMembers) {
        EncipherIndex(index);
        EncipherAppend(append);
        EncipherPictures(pictures);
    }
    if (!package.LoadIndex(index))
        return 0;
    package.LoadAppend(append);
    BuildAll(package, pictures, false);
    return 0;
}
