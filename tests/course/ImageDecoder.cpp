#include "tests/course/ImageDecoder.h"

#include <algorithm>

namespace veldrant::course::test {

namespace {

struct Cursor {
    std::span<const uint8_t> b;
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
    uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
    int32_t S32(size_t at) const { return static_cast<int32_t>(U32(at)); }
    bool Zero(size_t from, size_t to) const {
        return std::all_of(b.begin() + from, b.begin() + to, [](uint8_t v) { return v == 0; });
    }
    // Text from `at` to its NUL, which must come before `end`.
    std::optional<std::string> Text(size_t at, size_t end) const {
        for (size_t i = at; i < end; ++i) {
            if (b[i] == 0)
                return std::string(b.begin() + at, b.begin() + i);
        }
        return std::nullopt;
    }
};

std::string DecodeDirectoryAreas(const Cursor& c, size_t boundsAt, size_t areasAt,
                                 DecodedDirectory& out) {
    for (size_t a = 0; a < out.m; ++a) {
        DirectoryArea area;
        const size_t be = boundsAt + 20 * a;
        for (size_t k = 0; k < 4; ++k)
            area.bounds[k] = c.S32(be + 4 * k);
        area.firstCourse = c.U16(be + 16);
        area.courseCount = c.U16(be + 18);
        const size_t ae = areasAt + 230 * a;
        auto name = c.Text(ae, ae + 50);
        if (!name)
            return "area " + std::to_string(a + 1) + ": name without NUL";
        area.name = *name;
        if (!c.Zero(ae + name->size(), ae + 50))
            return "area name field not zero-padded";
        area.value = c.U16(ae + 50);
        if (c.U16(ae + 52) != 0)
            return "area entry bytes 52-53 not zero";
        for (size_t g = 0; g < 44; ++g) {
            area.groupFirst[g] = c.U16(ae + 54 + 4 * g);
            area.groupCount[g] = c.U16(ae + 56 + 4 * g);
        }
        out.areas.push_back(area);
    }
    return {};
}

}  // namespace

std::string DecodeDirectory(std::span<const uint8_t> image, size_t length, DecodedDirectory& out) {
    Cursor c{image};
    out = DecodedDirectory{};
    if (length < 512 || length > image.size())
        return "length out of range";
    std::copy_n(image.begin(), 8, out.salt.begin());
    out.word1 = c.U16(8);
    out.word2 = c.U16(10);
    out.format = c.U32(12);
    out.value3 = c.U32(16);
    out.n = c.U32(20);
    out.m = c.U32(24);
    if (!c.Zero(44, 510) || image[510] != 0x55 || image[511] != 0xAA)
        return "bad header tail";
    const size_t listAt = c.U32(28), initialAt = c.U32(32), boundsAt = c.U32(36),
                 areasAt = c.U32(40);
    if (listAt != 512 || initialAt != 512 + 20 * out.n || boundsAt != initialAt + 4 * out.n ||
        areasAt != boundsAt + 20 * out.m) {
        return "table offsets do not follow each other";
    }
    if (areasAt + 230 * out.m != length)
        return "length is not 512 + 24N + 250M";
    if (!c.Zero(length, image.size()))
        return "bytes past the image are not zero";
    for (size_t i = 0; i < out.n; ++i) {
        DirectoryCourse e;
        e.id = c.U16(listAt + 20 * i);
        if (c.U16(listAt + 20 * i + 2) != 0)
            return "course list entry bytes 2-3 not zero";
        for (size_t k = 0; k < 4; ++k)
            e.bounds[k] = c.S32(listAt + 20 * i + 4 + 4 * k);
        out.courses.push_back(e);
        out.initials.push_back(c.U16(initialAt + 4 * i));
        if (c.U16(initialAt + 4 * i + 2) != 0)
            return "initial entry bytes 2-3 not zero";
    }
    return DecodeDirectoryAreas(c, boundsAt, areasAt, out);
}

std::vector<uint16_t> DecodedDirectory::AreaIds(size_t code) const {
    const DirectoryArea& a = areas.at(code - 1);
    std::vector<uint16_t> ids;
    for (size_t i = 0; i < a.courseCount; ++i)
        ids.push_back(courses.at(a.firstCourse + i).id);
    return ids;
}

std::vector<uint16_t> DecodedDirectory::GroupIds(size_t code, size_t group) const {
    const DirectoryArea& a = areas.at(code - 1);
    std::vector<uint16_t> ids;
    for (size_t i = 0; i < a.groupCount[group]; ++i) {
        ids.push_back(initials.at(a.groupFirst[group] + i));
    }
    return ids;
}

uint32_t BitwiseCrc32Mpeg2(std::span<const uint8_t> data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t byte : data) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool top = ((crc >> 31) ^ ((byte >> bit) & 1u)) != 0;
            crc <<= 1;
            if (top)
                crc ^= 0x04C11DB7u;
        }
    }
    return crc;
}

namespace {

std::string PoolText(const Cursor& c, size_t poolEnd, uint16_t offset, std::string& out) {
    auto text = c.Text(48 + offset, poolEnd);
    if (!text)
        return "pool offset " + std::to_string(offset) + " names no text";
    out = *text;
    return {};
}

std::string DecodeItems(const Cursor& c, size_t count, size_t at, size_t end, size_t poolEnd,
                        DecodedCourse& out) {
    for (size_t i = 0; i < count; ++i) {
        if (at + 10 > end)
            return "item list runs past its table";
        DecodedItem item;
        item.byte0 = c.b[at];
        item.byte1 = c.b[at + 1];
        const size_t holes = c.b[at + 2], k = c.b[at + 3];
        if (k > 4)
            return "item k above 4";
        item.extra.assign(c.b.begin() + at + 6, c.b.begin() + at + 6 + k);
        if (!c.Zero(at + 6 + k, at + 10))
            return "item extra bytes not zero-padded";
        if (auto e = PoolText(c, poolEnd, c.U16(at + 4), item.name); !e.empty())
            return e;
        at += 10;
        for (size_t h = 0; h < holes; ++h) {
            if (at + 26 > end)
                return "hole runs past the item list";
            DecodedHole hole;
            std::copy_n(c.b.begin() + at, 8, hole.head.begin());
            hole.pictureOffset = c.U16(at + 8);
            for (size_t v = 0; v < 8; ++v)
                hole.values[v] = c.U16(at + 10 + 2 * v);
            const size_t a1 = hole.head[0] == 1 ? 8 : 10;
            const size_t arrays = hole.head[5] * a1 + (hole.head[6] + hole.head[7]) * 6;
            if (at + 26 + arrays > end)
                return "hole arrays run past the item list";
            hole.arrays.assign(c.b.begin() + at + 26, c.b.begin() + at + 26 + arrays);
            item.holes.push_back(hole);
            at += 26 + arrays;
        }
        out.items.push_back(item);
    }
    return at == end ? std::string() : "item list leaves unused bytes before the name tables";
}

std::string DecodeNames(const Cursor& c, size_t count, size_t at, size_t end, size_t poolEnd,
                        std::vector<std::string>& out) {
    if (at + 2 * count != end)
        return "name offset table size does not match its count";
    for (size_t k = 0; k < count; ++k) {
        std::string text;
        if (auto e = PoolText(c, poolEnd, c.U16(at + 2 * k), text); !e.empty())
            return e;
        out.push_back(text);
    }
    return {};
}

std::string DecodeLinks(const Cursor& c, size_t count, size_t at, size_t end, DecodedCourse& out) {
    if (at + 10 * count != end)
        return "link records do not fill their table";
    for (size_t r = 0; r < count; ++r, at += 10) {
        DecodedLink l;
        l.part1 = c.b[at];
        l.part2 = c.b[at + 1];
        l.posA = {c.b[at + 2], c.b[at + 3]};
        l.posB = {c.b[at + 4], c.b[at + 5]};
        for (size_t k = 0; k < 2; ++k) {
            if (l.posA[k] >= out.namesA.size() || l.posB[k] >= out.namesB.size()) {
                return "link record position past its name list";
            }
            l.textA[k] = out.namesA[l.posA[k]];
            l.textB[k] = out.namesB[l.posB[k]];
        }
        l.value = c.U16(at + 6);
        l.tail = {c.b[at + 8], c.b[at + 9]};
        out.links.push_back(l);
    }
    return {};
}

std::string DecodePictures(const Cursor& c, size_t at, size_t end, DecodedCourse& out) {
    out.pictureSectionSize = end - at;
    for (size_t p = at; p < end;) {
        if ((p - at) % 2 != 0)
            return "a picture starts at an odd offset";
        if (p + 2 > end)
            return "picture head runs past the image";
        DecodedPicture pic;
        pic.offset = p - at;
        pic.width = c.b[p];
        pic.height = c.b[p + 1];
        const size_t rowBytes = (pic.width + 7u) / 8u;
        size_t q = p + 2;
        for (size_t r = 0; r < pic.height; ++r, q += rowBytes) {
            if (q + rowBytes > end)
                return "picture rows run past the image";
            pic.rows.emplace_back(c.b.begin() + q, c.b.begin() + q + rowBytes);
        }
        if ((q - p) % 2 != 0) {
            if (q >= end || c.b[q] != 0)
                return "odd picture without its zero pad byte";
            pic.padded = true;
            ++q;
        }
        out.pictures.push_back(pic);
        p = q;
    }
    return {};
}

}  // namespace

const DecodedPicture* DecodedCourse::PictureAt(uint16_t offset) const {
    for (const DecodedPicture& p : pictures) {
        if (p.offset == size_t{offset} * 2)
            return &p;
    }
    return nullptr;
}

std::string DecodeCourse(std::span<const uint8_t> image, size_t length, DecodedCourse& out) {
    Cursor c{image};
    out = DecodedCourse{};
    if (length < 48 || length > image.size())
        return "length out of range";
    out.crc = c.U32(0);
    out.length = c.U32(4);
    if (out.length != length)
        return "stored length differs from the built length";
    out.computedCrc = BitwiseCrc32Mpeg2(image.subspan(4, length - 4));
    out.id = c.U16(8);
    out.courseWord = c.U16(10);
    out.value1 = c.U32(16);
    out.value2 = c.U32(20);
    out.courseByte = image[24];
    if (!c.Zero(12, 16) || !c.Zero(29, 32) || !c.Zero(44, 48))
        return "reserved bytes not zero";
    if (!c.Zero(length, image.size()))
        return "bytes past the image are not zero";
    const size_t items = c.U16(34), namesA = c.U16(36), namesB = c.U16(38), links = c.U16(40),
                 pictures = c.U16(42);
    if (c.U16(32) != 48 || items < 48 || (items - 48) % 2 != 0)
        return "bad pool offset";
    if (!(items <= namesA && namesA <= namesB && namesB <= links && links <= pictures &&
          pictures <= length)) {
        return "table offsets out of order";
    }
    out.poolSize = items - 48;
    if (auto name = c.Text(48, items)) {
        out.name = *name;
    } else {
        return "pool does not start with a text";
    }
    std::string e = DecodeItems(c, image[25], items, namesA, items, out);
    if (e.empty())
        e = DecodeNames(c, image[26], namesA, namesB, items, out.namesA);
    if (e.empty())
        e = DecodeNames(c, image[27], namesB, links, items, out.namesB);
    if (e.empty())
        e = DecodeLinks(c, image[28], links, pictures, out);
    if (e.empty())
        e = DecodePictures(c, pictures, length, out);
    return e;
}

}  // namespace veldrant::course::test
