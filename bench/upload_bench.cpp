// Host cost of a course upload: a synthetic 2,500-course package written to a simulated watch
// served by a child process, so that the figures hold this process's CPU time only (reading and
// deciphering the package, building the images, framing and exchanging the reports), not the
// watch's. Prints CPU time per golf course, exchanges per second, and whether the target holds.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/upload_synthetic.h"
#include "course/CourseImages.h"
#include "course/CourseUpload.h"
#include "course/PackageWriter.h"
#include "platform/SimTransport.h"
#include "sim/CourseService.h"
#include "sim/SocketServer.h"

using namespace veldrant;

namespace {

constexpr size_t kGolfCourses = 2500;
constexpr double kTargetMsPerCourse = 2.0;

class QuietHost : public ops::IOperationHost {
public:
    void SetProgressPos(int) override {}
    void SetProgressText(const std::string&) override {}
    void ShowMessage(const std::string& text, const std::string& caption,
                     ops::MessageIcon) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
    void SetOperationRunning(bool) override {}
    bool IsConnected() override { return true; }
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The watch, in a child process until it is killed.
pid_t ServeWatch(const std::string& dir) {
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    pid_t pid = fork();
    if (pid != 0) {
        close(ready[1]);
        char c = 0;
        ssize_t got = read(ready[0], &c, 1);
        close(ready[0]);
        return got == 1 && c == 'y' ? pid : -1;
    }
    close(ready[0]);
    auto watch = std::make_shared<sim::Watch>();
    auto service = std::make_shared<sim::CourseService>();
    service->SetLogging(false);
    watch->AddService(service);
    sim::ServerOptions options;
    options.directory = dir;
    sim::SocketServer server(watch, options);
    bool ok = server.Plug();
    char c = ok ? 'y' : 'n';
    (void)!write(ready[1], &c, 1);
    close(ready[1]);
    for (;;)
        pause();
}

// The same reading and building without a watch: the share of the host's time that is the
// package's, not the link's.
double ReadAndBuildSeconds(const std::string& package) {
    double cpu0 = CpuSeconds();
    course::CoursePackage reader;
    if (!reader.Open(package) || !reader.ReadIndex() || !reader.ReadAppend())
        return -1;
    course::ImageBuffers buffers;
    if (!course::BuildDirectoryImage(reader, buffers.image))
        return -1;
    for (size_t k = 0; k < reader.Index().courses.size(); ++k) {
        reader.ReadPictures(reader.Index().blocks[k].id);
        if (!course::BuildCourseImage(reader, k, buffers.image, buffers.pool))
            return -1;
    }
    return CpuSeconds() - cpu0;
}

}  // namespace

int main() {
    std::string dir = (std::filesystem::temp_directory_path() /
                       ("veldrant-upload-bench-" + std::to_string(getpid())))
                          .string();
    std::filesystem::create_directories(dir);
    std::string package = dir + "/synthetic.zip";
    std::string error;
    auto written = std::chrono::steady_clock::now();
    if (!course::WritePackage(bench::SyntheticPackage(kGolfCourses), package, error)) {
        std::fprintf(stderr, "upload_bench: cannot write the package: %s\n", error.c_str());
        return 1;
    }
    std::printf("package: %zu golf courses, %ju bytes, written in %.1f s\n", kGolfCourses,
                uintmax_t(std::filesystem::file_size(package)),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - written).count());

    pid_t watch = ServeWatch(dir);
    if (watch < 0) {
        std::fprintf(stderr, "upload_bench: the simulated watch did not start\n");
        return 1;
    }
    CDeviceLink link({platform::MakeSimTransport(dir)});
    link.SetDiagnosticStream(nullptr);
    int status = 1;
    if (link.Discover() != 1) {
        std::fprintf(stderr, "upload_bench: no watch found in %s\n", dir.c_str());
    } else {
        QuietHost host;
        double cpu0 = CpuSeconds();
        auto t0 = std::chrono::steady_clock::now();
        course::UploadSummary s = course::UpdateCourses(link, host, package);
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double cpu = CpuSeconds() - cpu0;
        uint64_t exchanges = uint64_t(s.blocks) + s.golfCourses * 2 + 2;  // blocks and records
        double perCourse = cpu * 1000.0 / double(kGolfCourses);
        std::printf("upload: %s, %u sent, %u blocks, %.2f s wall\n", s.ok ? "ok" : "FAILED", s.sent,
                    s.blocks, wall);
        std::printf("host CPU: %.3f s, %.3f ms per golf course (target < %.1f ms): %s\n", cpu,
                    perCourse, kTargetMsPerCourse,
                    perCourse < kTargetMsPerCourse ? "met" : "MISSED");
        std::printf("exchanges: %ju, %.0f per second, %.1f us host CPU each\n",
                    uintmax_t(exchanges), double(exchanges) / wall, cpu * 1e6 / double(exchanges));
        double build = ReadAndBuildSeconds(package);
        std::printf(
            "of which reading the package and building the images: %.3f ms per golf "
            "course\n",
            build * 1000.0 / double(kGolfCourses));
        status = s.ok ? 0 : 1;
    }
    link.Close();
    kill(watch, SIGKILL);
    waitpid(watch, nullptr, 0);
    std::filesystem::remove_all(dir);
    return status;
}
