// veldrant-cli course inspect / images / pictures / pack: the course package reader, the
// images an upload would send, the hole pictures as PNG files, and the package writer.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/Command.h"
#include "cli/OutputFiles.h"
#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "course/PackageDescription.h"
#include "course/PackageReport.h"
#include "course/PackageWriter.h"
#include "course/PicturePng.h"
#include "platform/CodePage.h"
#include "platform/SafeOutput.h"

namespace veldrant::cli {
namespace {

using namespace veldrant::course;

struct Args {
    std::optional<std::string> input;
    std::optional<std::string> output;
    bool json = false;
};

// Opens the package and reads its index and (when `append`) its append file.
bool OpenPackage(CoursePackage& package, const std::string& path, bool append) {
    const bool ok = package.Open(path) && package.ReadIndex() && (!append || package.ReadAppend());
    if (!ok) {
        std::fprintf(stderr, "veldrant-cli: %s: %s\n", path.c_str(), package.LastError().c_str());
    }
    return ok;
}

bool WriteFile(const std::string& path, std::span<const uint8_t> bytes) {
    return WriteWholeFile(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Output names come from numbers only, never from texts in the package.
std::string CourseFileName(size_t k, uint16_t id, const char* suffix) {
    char name[96];
    std::snprintf(name, sizeof name, "course-%04zu-id%u%s", k + 1, id, suffix);
    return name;
}

int Inspect(const Args& parsed) {
    const Args* a = &parsed;
    CoursePackage package;
    if (!package.Open(*a->input) || !package.ReadIndex()) {
        std::fprintf(stderr, "veldrant-cli: %s: %s\n", a->input->c_str(),
                     package.LastError().c_str());
        return kExitFailure;
    }
    const bool append = package.ReadAppend();
    const std::string appendError = package.LastError();
    const std::string report = a->json ? PackageReportJson(package) : PackageReportText(package);
    std::fwrite(report.data(), 1, report.size(), stdout);
    if (!append) {
        std::fprintf(stderr, "veldrant-cli: %s: %s\n", a->input->c_str(), appendError.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

// One course image as the upload builds it: its picture file read first, its absence no error.
bool WriteCourseImage(CoursePackage& package, size_t k, ImageBuffers& buffers,
                      const std::string& dir, std::string& list) {
    const GolfCourseBlock& block = package.Index().blocks[k];
    const bool pictures = package.ReadPictures(block.id);
    ImageResult r = BuildCourseImage(package, k, buffers.image, buffers.pool);
    if (!r) {
        std::fprintf(stderr, "veldrant-cli: golf course %zu: %s\n", k + 1, r.error.c_str());
        return false;
    }
    const std::string name = CourseFileName(k, block.id, ".img");
    if (!WriteFile(dir + "/" + name, std::span(buffers.image).first(r.length)))
        return false;
    char line[128];
    std::snprintf(line, sizeof line, "%-28s %6zu bytes  crc %08x  %s  ", name.c_str(), r.length,
                  CourseImageCrc(buffers.image), pictures ? "pictures   " : "no pictures");
    list += line + platform::Cp932ToUtf8(block.name) + "\n";
    return true;
}

int Images(const Args& parsed) {
    const Args* a = &parsed;
    CoursePackage package;
    if (!OpenPackage(package, *a->input, false) || !MakeOutputFolderOrSay(*a->output))
        return kExitFailure;
    ImageBuffers buffers;
    ImageResult dir = BuildDirectoryImage(package, buffers.image);
    if (!dir) {
        std::fprintf(stderr, "veldrant-cli: directory image: %s\n", dir.error.c_str());
        return kExitFailure;
    }
    const std::string& out = *a->output;
    if (!WriteFile(out + "/directory.img", std::span(buffers.image).first(dir.length))) {
        return kExitFailure;
    }
    if (!package.ReadAppend()) {
        std::fprintf(stderr, "veldrant-cli: %s\n", package.LastError().c_str());
        return kExitFailure;
    }
    char head[64];
    std::snprintf(head, sizeof head, "%-28s %6zu bytes\n", "directory.img", dir.length);
    std::string list = head;
    size_t failed = 0;
    for (size_t k = 0; k < package.Index().blocks.size(); ++k) {
        failed += WriteCourseImage(package, k, buffers, out, list) ? 0 : 1;
    }
    if (!WriteWholeFile(out + "/images.txt", list))
        return kExitFailure;
    std::printf(
        "%s: directory image and %s written (listed in images.txt)\n", out.c_str(),
        Count(package.Index().blocks.size() - failed, "course image", "course images").c_str());
    return failed ? kExitFailure : kExitOk;
}

// Every picture of one golf course's picture file, if it has a usable one.
size_t WritePictures(CoursePackage& package, size_t k, const std::string& dir, size_t& failed) {
    const uint16_t id = package.Index().blocks[k].id;
    if (!package.ReadPictures(id)) {
        std::printf("golf course %zu (id %u): no pictures: %s\n", k + 1, id,
                    package.LastError().c_str());
        return 0;
    }
    size_t written = 0;
    const PictureFile& file = *package.Pictures();
    for (size_t s = 0; s < file.slots.size(); ++s) {
        if (!file.slots[s].hasPicture)
            continue;
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, "-item%zu-hole%zu.png", s / 9 + 1, s % 9 + 1);
        const std::string path = dir + "/" + CourseFileName(k, id, suffix);
        std::string error;
        if (WritePicturePng(file.slots[s].picture, path, error)) {
            ++written;
        } else {
            std::fprintf(stderr, "veldrant-cli: %s: not written: %s\n", path.c_str(),
                         error.c_str());
            ++failed;
        }
    }
    return written;
}

int Pictures(const Args& parsed) {
    const Args* a = &parsed;
    CoursePackage package;
    if (!OpenPackage(package, *a->input, false) || !MakeOutputFolderOrSay(*a->output))
        return kExitFailure;
    size_t written = 0, failed = 0;
    for (size_t k = 0; k < package.Index().blocks.size(); ++k) {
        written += WritePictures(package, k, *a->output, failed);
    }
    std::printf("%s: %s written\n", a->output->c_str(),
                Count(written, "picture", "pictures").c_str());
    return failed ? kExitFailure : kExitOk;
}

// Reads the written package back and builds every image an upload would build; messages name
// the package as `shown`. The golf course count and the directory image's length in *summary.
bool Verify(const std::string& path, const std::string& shown, std::string* summary) {
    CoursePackage package;
    if (!package.Open(path) || !package.ReadIndex() || !package.ReadAppend()) {
        std::fprintf(stderr, "veldrant-cli: %s: %s\n", shown.c_str(), package.LastError().c_str());
        return false;
    }
    ImageBuffers buffers;
    ImageResult dir = BuildDirectoryImage(package, buffers.image);
    if (!dir) {
        std::fprintf(stderr, "veldrant-cli: %s: directory image: %s\n", shown.c_str(),
                     dir.error.c_str());
        return false;
    }
    for (size_t k = 0; k < package.Index().blocks.size(); ++k) {
        package.ReadPictures(package.Index().blocks[k].id);
        ImageResult r = BuildCourseImage(package, k, buffers.image, buffers.pool);
        if (!r) {
            std::fprintf(stderr, "veldrant-cli: %s: %s\n", shown.c_str(), r.error.c_str());
            return false;
        }
    }
    *summary = shown + ": " + Count(package.Index().blocks.size(), "golf course", "golf courses") +
               "; directory image " + std::to_string(dir.length) + " bytes";
    return true;
}

int Pack(const Args& parsed) {
    const Args* a = &parsed;
    std::ifstream in(*a->input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "veldrant-cli: cannot read '%s'\n", a->input->c_str());
        return kExitFailure;
    }
    std::stringstream text;
    text << in.rdbuf();
    PackageDescription description;
    std::string error;
    if (!ParseDescription(text.str(), description, error)) {
        std::fprintf(stderr, "veldrant-cli: %s: %s\n", a->input->c_str(), error.c_str());
        return kExitFailure;
    }
    // The package is written and checked beside the target and replaces it only when whole.
    std::unique_ptr<platform::SafeOutput> out = platform::SafeOutput::Create(*a->output, &error);
    if (!out) {
        std::fprintf(stderr, "veldrant-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    if (!WritePackageInto(description, *out, error)) {
        std::fprintf(stderr, "veldrant-cli: %s: %s\n", a->input->c_str(), error.c_str());
        return kExitFailure;
    }
    std::string summary;
    if (!Verify(out->TempPath(), *a->output, &summary)) {
        std::fprintf(stderr, "veldrant-cli: %s was not written\n", a->output->c_str());
        return kExitFailure;
    }
    if (!out->Commit()) {
        std::fprintf(stderr, "veldrant-cli: %s\n", out->Error().c_str());
        return kExitFailure;
    }
    std::printf("%s\n", summary.c_str());
    return kExitOk;
}

// A command of this file: PKG.zip or DESCRIPTION.json, and -o for the writing ones.
CLI::App& AddCourseCommand(CommandLine& line, const CommandEntry& entry, int (*run)(const Args&),
                           const char* input, const char* inputHelp, const char* output) {
    auto a = std::make_shared<Args>();
    CLI::App& c = line.Add(entry, [a, run] { return run(*a); });
    line.Input(c.add_option(input, a->input, inputHelp)->required());
    if (output) {
        line.Output(c.add_option("-o,--output", a->output, output)
                        ->type_name(std::string(output).find("folder") != std::string::npos
                                        ? "DIR"
                                        : "PKG.zip")
                        ->required());
    } else {
        c.add_flag("--json", a->json, "print the same as one JSON document");
    }
    return c;
}

const CommandRegistration kCourseCommands([](CommandLine& line) {
    AddCourseCommand(
        line,
        {"course inspect", "PKG.zip [--json]", "print everything the reader reads from a package",
         "Reads the course package PKG.zip as an upload would and prints every field it reads:\n"
         "the index header, the area records, each golf course with its items and holes, its\n"
         "link records (with the name table texts they refer to) and its picture table. Texts\n"
         "are shown in UTF-8.\n\n"
         "Exit status 1 when the package cannot be read (the message says why)."},
        Inspect, "PKG.zip", "the course package", nullptr);
    AddCourseCommand(
        line,
        {"course images", "PKG.zip -o DIR", "write the directory and course images an upload sends",
         "Builds the directory image and one course image per golf course from PKG.zip, exactly\n"
         "the bytes an upload would send to the watch, and writes them into DIR:\n"
         "  directory.img                   the directory image\n"
         "  course-NNNN-idID.img            the course image of the NNNN-th golf course\n"
         "  images.txt                      every image with its length, CRC-32 and golf course\n"
         "                                  name\n"
         "Golf courses whose image cannot be built are reported and skipped (exit status 1).\n"
         "Each file replaces one of the same name only once it is whole."},
        Images, "PKG.zip", "the course package", "the folder to write into (made if need be)");
    AddCourseCommand(
        line,
        {"course pictures", "PKG.zip -o DIR", "render the hole pictures of a package as PNG files",
         "Reads every golf course's picture file from PKG.zip and writes each hole picture into\n"
         "DIR as course-NNNN-idID-itemI-holeH.png, set bits black, the right way up. Golf\n"
         "courses without pictures are listed with the reason.\n\n"
         "Exit status 1 when the package cannot be read or a picture could not be written."},
        Pictures, "PKG.zip", "the course package", "the folder to write into (made if need be)");
    AddCourseCommand(
        line,
        {"course pack", "DESCRIPTION.json -o PKG.zip", "write a course package from a description",
         "Writes the course package PKG.zip from a JSON description of golf courses, areas,\n"
         "items, holes, link tables and hole pictures (course-description.md, installed with\n"
         "the README), then reads it back and builds every image an upload would build. A\n"
         "description that breaks a limit, or a package whose images cannot be built, is\n"
         "refused with the field or golf course named, and a file of the same name is kept\n"
         "as it was."},
        Pack, "DESCRIPTION.json", "the JSON description", "the package to write");
});

}  // namespace
}  // namespace veldrant::cli
