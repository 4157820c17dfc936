// The members of a course package in clear, laid out the way the reader expects them:
// index header, course table right behind it (its stream continues the header's), area table,
// then the data blocks; append sections B, A and the link table; one picture file a golf course.
#include "course/PackageWriter.h"

#include <algorithm>

#include "course/Bytes.h"
#include "course/CoursePackage.h"
#include "course/MemberBuild.h"
#include "course/PackageLayout.h"
#include "platform/CodePage.h"

namespace veldrant::course {

namespace L = layout;

namespace {

void PutText(std::vector<uint8_t>& out, size_t at, const std::string& utf8, size_t field) {
    const std::string text = platform::Utf8ToCp932(utf8);
    std::copy_n(text.begin(), std::min(text.size(), field), out.begin() + at);
}

void AppendHole(std::vector<uint8_t>& out, const HoleDescription& h) {
    const size_t head = out.size();
    out.resize(head + L::kHoleHeadSize);
    out[head + L::kHoleKind] = h.kind;
    std::copy(h.bytes.begin(), h.bytes.end(), out.begin() + head + 1);
    out[head + L::kHoleA] = static_cast<uint8_t>(h.array1.size());
    out[head + L::kHoleB] = static_cast<uint8_t>(h.array2.size());
    out[head + L::kHoleC] = static_cast<uint8_t>(h.array3.size());
    for (size_t v = 0; v < h.values.size(); ++v) {
        PutLe16(out, head + L::kHoleValues + 2 * v, h.values[v]);
    }
    const size_t perEntry = h.kind == L::kHoleKindShortArray1 ? 4 : 5;
    for (const auto& entry : h.array1) {
        for (size_t v = 0; v < perEntry; ++v) {
            AppendLe16(out, v < entry.size() ? entry[v] : 0);
        }
    }
    for (const auto* array : {&h.array2, &h.array3}) {
        for (const auto& entry : *array) {
            for (uint16_t v : entry) {
                AppendLe16(out, v);
            }
        }
    }
}

std::vector<uint8_t> BuildBlock(const GolfCourseDescription& g) {
    std::vector<uint8_t> out(L::kBlockItems, 0);
    PutLe16(out, L::kBlockId, g.id);
    PutText(out, L::kBlockName, g.name, L::kBlockCourseWord - L::kBlockName - 1);
    PutLe16(out, L::kBlockCourseWord, g.courseWord);
    PutLe32(out, L::kBlockValue1, g.value1);
    PutLe32(out, L::kBlockValue2, g.value2);
    out[L::kBlockCourseByte] = g.courseByte;
    out[L::kBlockItemCount] = static_cast<uint8_t>(g.items.size());
    for (const ItemDescription& item : g.items) {
        const size_t head = out.size();
        const size_t k = item.extra.size();
        out.resize(head + L::kItemHeadFixed + k, 0);
        out[head] = item.byte0;
        out[head + 1] = item.byte1;
        out[head + L::kItemK] = static_cast<uint8_t>(k);
        std::copy(item.extra.begin(), item.extra.end(), out.begin() + head + L::kItemExtra);
        PutText(out, head + L::kItemExtra + k, item.name, L::kItemNameField - 1);
        out[head + L::kItemHeadFixed - 1 + k] = static_cast<uint8_t>(item.holes.size());
        for (const HoleDescription& h : item.holes) {
            AppendHole(out, h);
        }
    }
    return out;
}

std::vector<uint8_t> BuildIndex(const PackageDescription& d) {
    const size_t n = d.golfCourses.size();
    const size_t courseTable = L::kIndexHeaderSize;
    const size_t areaTable = courseTable + n * L::kCourseRecordSize;
    const size_t dataArea = areaTable + d.areas.size() * L::kAreaRecordSize;
    std::vector<uint8_t> out(dataArea, 0);
    PutLe16(out, L::kIndexWord1, d.word1);
    PutLe16(out, L::kIndexWord2, d.word2);
    PutLe32(out, L::kIndexFormat, L::kIndexFormatValue);
    PutLe32(out, L::kIndexValue3, d.value3);
    PutLe32(out, L::kIndexCourseCount, static_cast<uint32_t>(n));
    PutLe32(out, L::kIndexRecordSize, L::kCourseRecordSize);
    PutLe32(out, L::kIndexCourseTable, static_cast<uint32_t>(courseTable));
    PutLe32(out, L::kIndexDataArea, static_cast<uint32_t>(dataArea));
    PutLe32(out, L::kIndexAreaCount, static_cast<uint32_t>(d.areas.size()));
    PutLe32(out, L::kIndexAreaTable, static_cast<uint32_t>(areaTable));
    for (size_t a = 0; a < d.areas.size(); ++a) {
        const size_t at = areaTable + a * L::kAreaRecordSize;
        PutText(out, at, d.areas[a].name, L::kAreaNameField);
        out[at + L::kAreaCode] = d.areas[a].code;
        PutLe16(out, at + L::kAreaValue, d.areas[a].value);
    }
    for (size_t i = 0; i < n; ++i) {
        const GolfCourseDescription& g = d.golfCourses[i];
        const std::vector<uint8_t> block = BuildBlock(g);
        const size_t at = courseTable + i * L::kCourseRecordSize;
        for (size_t b = 0; b < 4; ++b) {
            PutLe32(out, at + L::kRecordBounds + 4 * b, static_cast<uint32_t>(g.bounds[b]));
        }
        PutLe16(out, at + L::kRecordId, g.directoryId.value_or(g.id));
        out[at + L::kRecordArea] = g.area;
        out[at + L::kRecordInitial] = g.initial;
        PutLe32(out, at + L::kRecordBlockOffset, static_cast<uint32_t>(out.size() - dataArea));
        PutLe32(out, at + L::kRecordBlockLength, static_cast<uint32_t>(block.size()));
        out.insert(out.end(), block.begin(), block.end());
    }
    PutSalt(out, 0x49);
    return out;
}

}  // namespace

std::vector<ZipMember> BuildPlainMembers(const PackageDescription& d) {
    std::vector<ZipMember> members;
    members.push_back({kIndexMemberName, BuildIndex(d)});
    members.push_back({kAppendMemberName, BuildAppendMember(d)});
    for (const GolfCourseDescription& g : d.golfCourses) {
        if (WantsPictureMember(g)) {
            members.push_back({PictureMemberName(g.id), BuildPictureMember(g)});
        }
    }
    return members;
}

bool WritePackageInto(const PackageDescription& description, platform::SafeOutput& out,
                      std::string& error) {
    if (!CheckDescription(description, error)) {
        return false;
    }
    std::vector<ZipMember> members = BuildPlainMembers(description);
    const std::pair<const char*, size_t> limits[] = {{kIndexMemberName, kIndexBufferSize},
                                                     {kAppendMemberName, kAppendBufferSize}};
    for (const ZipMember& m : members) {
        size_t limit = kPictureBufferSize;
        for (const auto& [name, size] : limits) {
            limit = m.name == name ? size : limit;
        }
        if (m.bytes.size() > limit) {
            error = m.name + " would be " + std::to_string(m.bytes.size()) +
                    " bytes; a reader holds at most " + std::to_string(limit);
            return false;
        }
    }
    EncipherMembers(members);
    return WriteZipInto(out, members, error);
}

bool WritePackage(const PackageDescription& description, const std::string& path,
                  std::string& error) {
    std::unique_ptr<platform::SafeOutput> out = platform::SafeOutput::Create(path, &error);
    if (!out || !WritePackageInto(description, *out, error))
        return false;
    if (!out->Commit()) {
        error = out->Error();
        return false;
    }
    return true;
}

}  // namespace veldrant::course
