// libFuzzer target: the mark import, the firmware update and the course upload against a watch
// made of fuzz bytes
// (fuzz/FuzzWatch.h): hostile counts and lengths, broken frames, silence and a pulled cable at
// any point, another watch in its place. Besides the sanitizers (no overrun of the block buffers,
// no leak) the harness checks what the user would be left with: the busy state cleared, the window
// given back exactly once, and the bar within 0 to 100.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "course/CourseUpload.h"
#include "course/PackageWriter.h"
#include "devicelink/DeviceLink.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareUpdate.h"
#include "fuzz/FuzzWatch.h"
#include "marks/MarkImport.h"

namespace {

using namespace veldrant;
using fuzz::FuzzBytes;

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "operations fuzz: %s\n", what);
        std::abort();
    }
}

class Host : public marks::IMarkImportHost {
public:
    void SetProgressPos(int percent) override {
        Require(percent >= 0 && percent <= 100, "progress out of 0..100");
        if (between)
            between();
    }
    void SetProgressText(const std::string&) override {}
    void ShowMessage(const std::string& text, const std::string& caption,
                     ops::MessageIcon) override {
        Require(!text.empty() && !caption.empty(), "a message without text or caption");
    }
    void SetOperationRunning(bool running) override {
        Require(running != running_, "the window locked or given back twice");
        Require(g_bBusy.load() == 1, "the window locked outside the busy state");
        running_ = running;
        ++changes_;
    }
    bool IsConnected() override {
        if (between)
            between();
        return connected;
    }
    std::optional<std::string> ChooseOutputPath(const std::string&) override {
        return std::string("/dev/null");
    }

    bool connected = true;
    std::function<void()> between;  // runs between two steps of the operation
    bool running_ = false;
    int changes_ = 0;
};

// The harness's files in /tmp, removed when the process ends.
struct TempFiles {
    std::vector<std::string> paths;
    ~TempFiles() {
        for (const std::string& p : paths)
            std::remove(p.c_str());
    }
};
std::string TempFile(const std::string& suffix) {
    static TempFiles files;
    files.paths.push_back("/tmp/veldrant-operations-fuzz-" + std::to_string(getpid()) + suffix);
    return files.paths.back();
}

// One image for each model, in the form its identity name asks for.
const std::string& ImagePath(size_t row) {
    static const std::vector<std::string> paths = [] {
        std::vector<std::string> p;
        for (size_t r = 0; r < g_DeviceTable.size(); ++r) {
            std::string path = TempFile("-" + std::to_string(r) + ".bin");
            std::vector<uint8_t> image(1000 + 300 * r, uint8_t(r));
            const std::string_view name = g_DeviceTable[r].Name();
            size_t crcAt = image.size() - 2;
            if (name.empty()) {
                std::copy(firmware::kFirmwareMarker.begin(), firmware::kFirmwareMarker.end(),
                          image.end() - 16);
                crcAt = image.size() - 18;
            } else {
                std::fill(image.end() - 66, image.end() - 2, 0);
                std::copy(name.begin(), name.end(), image.end() - 66);
            }
            const uint16_t crc = Crc16(image.data(), image.data() + crcAt);
            image[crcAt] = uint8_t(crc);
            image[crcAt + 1] = uint8_t(crc >> 8);
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
            Require(firmware::CheckFirmwareImage(name, image.data(), uint32_t(image.size())) == 1,
                    "the harness's own image");
            p.push_back(path);
        }
        return p;
    }();
    return paths[row];
}

// A small course package: two golf courses of one item with two holes each.
const std::string& PackagePath() {
    static const std::string path = [] {
        using namespace veldrant::course;
        PackageDescription d;
        d.areas = {{13, "AREA", 1}};
        d.nameTableA = {"A"};
        d.nameTableB = {"B"};
        for (uint16_t id : {21, 22}) {
            GolfCourseDescription g;
            g.id = id;
            g.area = 13;
            g.name = "GC" + std::to_string(id);
            ItemDescription item{1, 2, {3}, "OUT", {}};
            for (uint8_t h = 1; h <= 2; ++h) {
                HoleDescription hole;
                hole.kind = h;
                hole.array1.assign(2, std::vector<uint16_t>(h == 1 ? 4 : 5, h));
                hole.array2 = {{1, 2, 3}};
                item.holes.push_back(hole);
            }
            g.items.push_back(item);
            g.links = std::vector<LinkDescription>{{1, 1, {0, 0}, {0, 0}, 7, {1, 2}}};
            d.golfCourses.push_back(g);
        }
        std::string p = TempFile(".zip");
        std::string error;
        Require(WritePackage(d, p, error), "the harness's own package");
        return p;
    }();
    return path;
}

void UploadCourses(CDeviceLink& link, Host& host) {
    static course::CoursePackage package;  // its buffers allocated once
    ops::BusyScope busy(host);
    course::UploadSummary summary;
    course::UploadCoursePackage(link, host, package, PackagePath(), summary);
    package.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in({data, size});
    const uint8_t mode = in.Byte();
    const size_t row = (mode >> 1) % g_DeviceTable.size();
    const uint32_t length = fuzz::ChooseReportLength(in);
    auto transport = std::make_shared<fuzz::FuzzTransport>(in, row, length);
    CDeviceLink link({transport}, std::chrono::milliseconds(1));
    link.SetDiagnosticStream(nullptr);
    if (!link.Discover())
        return 0;
    Host host;
    // The removal handling: the flag drops and the link closes the moment the cable goes.
    auto arm = [&] {
        transport->Device()->onGone = [&] {
            host.connected = false;
            link.Close();
        };
    };
    arm();
    // A watch swapped for another between two steps, faster than the page's flag can show:
    // the link is closed and finds the other one with its own report length.
    host.between = [&] {
        if (!transport->Device() || !transport->Device()->SwapAsked() ||
            transport->Device()->Gone())
            return;
        link.Close();
        transport->SetLength(fuzz::ChooseReportLength(in));
        if (link.Discover())
            arm();
    };
    bool ran = true;
    if (mode & 1) {
        firmware::UpdateFirmware(link, host, ImagePath(row));
    } else if (mode & 0x80) {
        UploadCourses(link, host);
    } else {
        marks::MarkImport import(link);
        ran = import.Start(host) == marks::StartOutcome::Ready;
        if (ran)
            import.Run(host);
    }
    Require(g_bBusy.load() == 0, "busy state left set");
    Require(!host.running_ && host.changes_ == (ran ? 2 : 0), "the window not given back");
    link.Close();
    return 0;
}
