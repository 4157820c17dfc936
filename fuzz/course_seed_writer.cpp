// Writes the course fuzzer's seed inputs from descriptions: `course_seed_writer DIR`.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "course/PackageWriter.h"
#include "fuzz/CourseFuzzInput.h"

namespace {

using namespace veldrant::course;

PackageDescription Sample(bool links, bool pictures) {
    PackageDescription d;
    d.areas = {{13, "東京", 3}, {48, "離島", 4}};
    d.nameTableA = {"池", "林", "OB"};
    d.nameTableB = {"左", "右"};
    for (uint16_t id : {7, 8}) {
        GolfCourseDescription g;
        g.id = id;
        g.area = id == 7 ? 13 : 48;
        g.initial = static_cast<uint8_t>(0xB1 + id);
        g.bounds = {id, -id, 3 * id, -3 * id};
        g.name = "GC" + std::to_string(id);
        for (int i = 0; i < 2; ++i) {
            ItemDescription item{1, 2, {3}, "item", {}};
            for (uint8_t h = 0; h < 3; ++h) {
                HoleDescription hole;
                hole.kind = h;
                hole.array1.assign(h + 1, std::vector<uint16_t>(h == 1 ? 4 : 5, h));
                hole.array2 = {{1, 2, 3}};
                if (pictures)
                    hole.picture = PictureDescription{
                        2, 9u + h, std::vector<std::string>(3, std::string(9u + h, '#'))};
                item.holes.push_back(hole);
            }
            g.items.push_back(item);
        }
        if (links)
            g.links = std::vector<LinkDescription>{{1, 2, {0, 1}, {2, 0}, 9, {1, 2}}};
        d.golfCourses.push_back(g);
    }
    return d;
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> MembersInput(uint8_t mode, std::vector<ZipMember> members) {
    if (mode == 1)
        EncipherMembers(members);
    std::vector<uint8_t> out{mode};
    veldrant::fuzz::AppendMember(out, members[0].bytes);
    veldrant::fuzz::AppendMember(out, members[1].bytes);
    if (members.size() > 2)
        out.insert(out.end(), members[2].bytes.begin(), members[2].bytes.end());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: course_seed_writer DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    Write(dir + "/seed-plain-full", MembersInput(0, BuildPlainMembers(Sample(true, true))));
    Write(dir + "/seed-plain-nolinks", MembersInput(0, BuildPlainMembers(Sample(false, true))));
    Write(dir + "/seed-plain-nopictures", MembersInput(0, BuildPlainMembers(Sample(true, false))));
    Write(dir + "/seed-plain-empty", MembersInput(0, BuildPlainMembers(PackageDescription{})));
    Write(dir + "/seed-stored-full", MembersInput(1, BuildPlainMembers(Sample(true, true))));
    std::string error;
    const std::string zip = dir + "/seed-zip.tmp";
    if (!WritePackage(Sample(true, true), zip, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::ifstream in(zip, std::ios::binary);
    std::vector<uint8_t> bytes{2};
    bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in), {});
    Write(dir + "/seed-zip-full", bytes);
    std::remove(zip.c_str());
    return 0;
}
