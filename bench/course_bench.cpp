// course_bench: reading a national course package and building the directory image and every
// course image, as an upload does before it sends them. Prints the time and the peak memory.
//
//   course_bench [PKG.zip]
//
// Without a package it writes a synthetic one first (in a child process, so that the peak
// memory is the reader's alone): 2,500 golf courses in 47 areas, 2 or 3 items of 9 holes, link
// records for every golf course and a picture for every hole.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "course/PackageWriter.h"

namespace {

using namespace veldrant::course;
using Clock = std::chrono::steady_clock;

constexpr size_t kGolfCourses = 2500;
constexpr uint32_t kPictureWidth = 96;
constexpr uint32_t kPictureHeight = 128;

// A fairway-like outline: an ellipse band with a green at the top.
PictureDescription HolePicture(uint32_t seed) {
    PictureDescription p;
    p.width = kPictureWidth;
    const int cx = 40 + static_cast<int>(seed % 16);
    for (int y = 0; y < static_cast<int>(kPictureHeight); ++y) {
        std::string row(kPictureWidth, '.');
        for (int x = 0; x < static_cast<int>(kPictureWidth); ++x) {
            const int dx = x - cx, dy = (y - 64) / 3;
            const int d = dx * dx + dy * dy;
            if ((d > 300 && d < 360) || (y < 16 && (x - cx) * (x - cx) + (y - 8) * (y - 8) < 40)) {
                row[static_cast<size_t>(x)] = '#';
            }
        }
        p.rows.push_back(row);
    }
    return p;
}

HoleDescription Hole(size_t k, size_t h) {
    HoleDescription hole;
    hole.kind = static_cast<uint8_t>(1 + h % 2);
    hole.bytes = {static_cast<uint8_t>(h), 4, static_cast<uint8_t>(k), 2};
    for (size_t v = 0; v < 8; ++v)
        hole.values[v] = static_cast<uint16_t>(k * 8 + v);
    for (size_t a = 0; a < 5; ++a) {
        hole.array1.push_back(std::vector<uint16_t>(hole.kind == 1 ? 4 : 5, uint16_t(a + h)));
    }
    for (size_t b = 0; b < 4; ++b)
        hole.array2.push_back({uint16_t(b), uint16_t(h), uint16_t(k)});
    for (size_t c = 0; c < 3; ++c)
        hole.array3.push_back({uint16_t(c), 1, 2});
    hole.picture = HolePicture(static_cast<uint32_t>(k * 27 + h));
    return hole;
}

PackageDescription NationalPackage() {
    PackageDescription d;
    for (int n = 0; n < 100; ++n)
        d.nameTableA.push_back("ハザード" + std::to_string(n));
    for (int n = 0; n < 20; ++n)
        d.nameTableB.push_back("方向" + std::to_string(n));
    for (size_t k = 0; k < kGolfCourses; ++k) {
        GolfCourseDescription g;
        g.id = static_cast<uint16_t>(1000 + k);
        g.area = static_cast<uint8_t>(1 + k % 47);
        g.initial = static_cast<uint8_t>(0xB1 + (k * 7) % 44);
        g.bounds = {int32_t(35000000 + k), int32_t(139000000 + k), int32_t(34000000 - k),
                    int32_t(138000000 - k)};
        g.name = "ナショナルゴルフ倶楽部 " + std::to_string(k);
        for (size_t i = 0; i < 2 + k % 2; ++i) {
            ItemDescription item{1, 0, {static_cast<uint8_t>(i)}, "コース" + std::to_string(i), {}};
            for (size_t h = 0; h < 9; ++h)
                item.holes.push_back(Hole(k, i * 9 + h));
            g.items.push_back(item);
        }
        std::vector<LinkDescription> links;
        for (uint8_t r = 0; r < 12; ++r) {
            links.push_back({static_cast<uint8_t>(1 + r % 3),
                             static_cast<uint8_t>(1 + r % 2),
                             {static_cast<uint8_t>(r % 20), static_cast<uint8_t>((r + k) % 20)},
                             {static_cast<uint8_t>((r * 7 + k) % 100), static_cast<uint8_t>(r)},
                             static_cast<uint16_t>(r * 10),
                             {r, 0}});
        }
        g.links = links;
        d.golfCourses.push_back(g);
    }
    return d;
}

bool WriteInChild(const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        std::string error;
        const bool ok = WritePackage(NationalPackage(), path, error);
        if (!ok)
            std::fprintf(stderr, "course_bench: %s\n", error.c_str());
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

long PeakKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    if (argc > 1) {
        path = argv[1];
    } else {
        path = (std::filesystem::temp_directory_path() / "veldrant-course-bench.zip").string();
        std::printf("writing a synthetic national package to %s ...\n", path.c_str());
        if (!WriteInChild(path))
            return 1;
    }
    const long before = PeakKiB();
    const auto t0 = Clock::now();
    CoursePackage package;
    if (!package.Open(path) || !package.ReadIndex() || !package.ReadAppend()) {
        std::fprintf(stderr, "course_bench: %s\n", package.LastError().c_str());
        return 1;
    }
    const auto t1 = Clock::now();
    ImageBuffers buffers;
    ImageResult dir = BuildDirectoryImage(package, buffers.image);
    if (!dir) {
        std::fprintf(stderr, "course_bench: %s\n", dir.error.c_str());
        return 1;
    }
    const auto t2 = Clock::now();
    size_t bytes = 0, withPictures = 0;
    for (size_t k = 0; k < package.Index().blocks.size(); ++k) {
        withPictures += package.ReadPictures(package.Index().blocks[k].id) ? 1 : 0;
        ImageResult r = BuildCourseImage(package, k, buffers.image, buffers.pool);
        if (!r) {
            std::fprintf(stderr, "course_bench: %s\n", r.error.c_str());
            return 1;
        }
        bytes += r.length;
    }
    const auto t3 = Clock::now();
    package.Close();
    std::printf("package: %s, %.1f MiB, %zu golf courses (%zu with pictures)\n", path.c_str(),
                static_cast<double>(std::filesystem::file_size(path)) / (1 << 20),
                package.Index().blocks.size(), withPictures);
    std::printf("read index and append file:         %8.1f ms\n", Ms(t0, t1));
    std::printf("directory image (%6zu bytes):      %8.1f ms\n", dir.length, Ms(t1, t2));
    std::printf("pictures + course images (%.1f MiB): %8.1f ms\n",
                static_cast<double>(bytes) / (1 << 20), Ms(t2, t3));
    std::printf("total:                              %8.1f ms   (target < 1000 ms)\n", Ms(t0, t3));
    std::printf("peak memory: %.1f MiB (%.1f MiB before reading)   (target < 64 MiB)\n",
                static_cast<double>(PeakKiB()) / 1024, static_cast<double>(before) / 1024);
    if (argc == 1 && !std::getenv("VELDRANT_BENCH_KEEP"))
        std::filesystem::remove(path);
    return 0;
}
