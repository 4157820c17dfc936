// A 1-bit greyscale PNG is four chunks: signature, IHDR, one IDAT holding the zlib stream of the
// rows (each led by filter byte 0), IEND. It is written here with zlib alone, so that the bytes
// are the same on every platform.
#include "course/PicturePng.h"

#include <zlib.h>

#include <memory>
#include <string_view>

#include "platform/SafeOutput.h"

namespace veldrant::course {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& out, std::string_view type, const std::vector<uint8_t>& data) {
    Put32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    Put32(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::vector<uint8_t> EncodePicturePng(const Picture& picture) {
    if (picture.width == 0 || picture.height == 0)
        return {};
    // In greyscale 0 is black: ink bits are inverted. Stored row 0 is the bottom row.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(picture.height) * (picture.rowBytes + 1));
    for (uint32_t r = 0; r < picture.height; ++r) {
        raw.push_back(0);  // filter: none
        for (uint8_t b : picture.Row(picture.height - 1 - r))
            raw.push_back(static_cast<uint8_t>(~b));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    Put32(header, picture.width);
    Put32(header, picture.height);
    header.insert(header.end(), {1, 0, 0, 0, 0});  // depth 1, greyscale, deflate, no interlace

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    return png;
}

bool WritePicturePng(const Picture& picture, const std::string& path, std::string& error) {
    if (picture.width == 0 || picture.height == 0) {
        error = "the picture has no pixels (" + std::to_string(picture.width) + " by " +
                std::to_string(picture.height) + ")";
        return false;
    }
    std::vector<uint8_t> png = EncodePicturePng(picture);
    if (png.empty()) {
        error = "the PNG encoder failed";
        return false;
    }
    // The picture replaces a file of that name only once it is whole.
    std::unique_ptr<platform::SafeOutput> out = platform::SafeOutput::Create(path, &error);
    if (!out)
        return false;
    if (!out->Write(std::string_view(reinterpret_cast<const char*>(png.data()), png.size())) ||
        !out->Commit()) {
        error = out->Error();
        return false;
    }
    return true;
}

}  // namespace veldrant::course
