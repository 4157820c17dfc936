// Exchanges per second through the device link against the simulator over the socket transport,
// beside a bare ping-pong of packets of the same size over a socket pair. The link should add
// nothing noticeable: the ratio is the figure to watch (target at least 0.9).
//
//   bench_link_exchange [SECONDS_PER_ROUND] [ROUNDS]
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <time.h>
#include <algorithm>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "devicelink/DeviceLink.h"
#include "platform/SimTransport.h"
#include "sim/SocketServer.h"

using namespace veldrant;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kReportLength = 525;

struct Figures {
    double rate = -1;  // exchanges per second
    double cpuUs = 0;  // CPU time of the calling thread per exchange, microseconds
};

double ThreadCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Runs `once` until `seconds` pass.
template <class F>
Figures Measure(double seconds, F once) {
    auto start = Clock::now();
    double cpu0 = ThreadCpuSeconds();
    auto until = start + std::chrono::duration<double>(seconds);
    long n = 0;
    while (Clock::now() < until) {
        for (int i = 0; i < 64; ++i) {
            if (!once())
                return {};
        }
        n += 64;
    }
    Figures f;
    f.rate = double(n) / std::chrono::duration<double>(Clock::now() - start).count();
    f.cpuUs = (ThreadCpuSeconds() - cpu0) * 1e6 / double(n);
    return f;
}

// The other end of the bare ping-pong: answers every packet with one of the same size.
void Echo(int fd) {
    std::vector<uint8_t> buf(kReportLength);
    for (;;) {
        ssize_t n = recv(fd, buf.data(), buf.size(), 0);
        if (n <= 0)
            return;
        if (send(fd, buf.data(), size_t(n), MSG_NOSIGNAL) != n)
            return;
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 0.3;
    int rounds = argc > 2 ? std::atoi(argv[2]) : 15;
    if (seconds <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: bench_link_exchange [SECONDS_PER_ROUND] [ROUNDS]\n");
        return 2;
    }
    char dirTemplate[] = "/tmp/veldrant-bench-XXXXXX";
    if (!mkdtemp(dirTemplate))
        return 1;
    std::string dir = dirTemplate;

    auto watch = std::make_shared<sim::Watch>(sim::WatchOptions{.reportLength = kReportLength});
    sim::SocketServer server(watch, {.directory = dir});
    std::string error;
    if (!server.Plug(&error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    CDeviceLink link({platform::MakeSimTransport(dir)});
    link.SetDiagnosticStream(nullptr);
    if (!link.Discover()) {
        std::fprintf(stderr, "bench: the simulated watch was not found\n");
        return 1;
    }
    std::vector<uint8_t> block(link.m_dwHIDPacketSize);
    link.m_nCommand = CMD_FW_VERSION;
    auto linkOnce = [&] { return link.RequestBlock(block.data(), 0) == 1; };

    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return 1;
    std::thread echo(Echo, pair[1]);
    std::vector<uint8_t> ping(kReportLength, 0x5A), pong(kReportLength);
    auto bareOnce = [&] {
        return send(pair[0], ping.data(), ping.size(), MSG_NOSIGNAL) == ssize_t(ping.size()) &&
               recv(pair[0], pong.data(), pong.size(), 0) == ssize_t(pong.size());
    };

    // Short rounds alternate so that both see the same load on a shared machine; the ratio is
    // taken per pair of rounds, and the medians are reported.
    std::vector<double> linkRates, bareRates, ratios, linkCpu, bareCpu;
    for (int r = 0; r < rounds; ++r) {
        Figures b = Measure(seconds, bareOnce);
        Figures l = Measure(seconds, linkOnce);
        if (l.rate < 0 || b.rate < 0) {
            std::fprintf(stderr, "bench: an exchange failed\n");
            return 1;
        }
        bareRates.push_back(b.rate);
        linkRates.push_back(l.rate);
        ratios.push_back(l.rate / b.rate);
        bareCpu.push_back(b.cpuUs);
        linkCpu.push_back(l.cpuUs);
    }
    shutdown(pair[0], SHUT_RDWR);
    echo.join();
    close(pair[0]);
    close(pair[1]);
    link.Close();
    server.Unplug();
    std::filesystem::remove_all(dir);

    double l = Median(linkRates), b = Median(bareRates);
    std::printf("report length %u, %d rounds of %.2f s each way, medians:\n", kReportLength, rounds,
                seconds);
    std::printf(
        "  link exchanges (CDeviceLink -> sim socket): %9.0f /s  %6.2f us each, "
        "host thread CPU %5.2f us\n",
        l, 1e6 / l, Median(linkCpu));
    std::printf(
        "  bare ping-pong (socketpair, same sizes):    %9.0f /s  %6.2f us each, "
        "host thread CPU %5.2f us\n",
        b, 1e6 / b, Median(bareCpu));
    std::printf("  ratio link / bare: %.3f (target >= 0.9)\n", Median(ratios));
    return 0;
}
