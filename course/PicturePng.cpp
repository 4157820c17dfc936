#include "course/PicturePng.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/SafeOutput.h"

namespace veldrant::course {

namespace {

struct File {
    FILE* f = nullptr;
    ~File() {
        if (f)
            std::fclose(f);
    }
};

// libpng reports errors by longjmp; nothing with a destructor may live between setjmp and the
// calls that can jump, so the rows are prepared by the caller.
bool Encode(FILE* f, png_uint_32 width, png_uint_32 height, std::vector<png_bytep>& rows,
            std::string& error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory for the PNG encoder";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "the PNG encoder failed";
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePicturePng(const Picture& picture, const std::string& path, std::string& error) {
    if (picture.width == 0 || picture.height == 0) {
        error = "the picture has no pixels (" + std::to_string(picture.width) + " by " +
                std::to_string(picture.height) + ")";
        return false;
    }
    // In greyscale 0 is black: ink bits are inverted. Stored row 0 is the bottom row.
    std::vector<std::vector<png_byte>> pixels(picture.height);
    std::vector<png_bytep> rows(picture.height);
    for (uint32_t r = 0; r < picture.height; ++r) {
        auto stored = picture.Row(picture.height - 1 - r);
        pixels[r].assign(stored.begin(), stored.end());
        for (png_byte& b : pixels[r])
            b = static_cast<png_byte>(~b);
        rows[r] = pixels[r].data();
    }
    // The picture replaces a file of that name only once it is whole.
    std::unique_ptr<platform::SafeOutput> out = platform::SafeOutput::Create(path, &error);
    if (!out)
        return false;
    out->HandOver();
    File file;
    file.f = std::fopen(out->TempPath().c_str(), "wb");
    if (!file.f) {
        error = "cannot create '" + path + "': " + std::strerror(errno);
        return false;
    }
    if (!Encode(file.f, picture.width, picture.height, rows, error)) {
        return false;
    }
    const bool flushed = std::fflush(file.f) == 0;
    const int err = errno;
    if (std::fclose(file.f) != 0 || !flushed) {
        file.f = nullptr;
        error = "cannot write '" + path + "': " + std::strerror(flushed ? errno : err);
        return false;
    }
    file.f = nullptr;
    if (!out->Commit()) {
        error = out->Error();
        return false;
    }
    return true;
}

}  // namespace veldrant::course
