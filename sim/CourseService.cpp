#include "sim/CourseService.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

#include "devicelink/Commands.h"
#include "devicelink/Frame.h"
#include "platform/File.h"

namespace veldrant::sim {

namespace {

constexpr uint32_t kDirectoryWord = 0x55;
constexpr uint32_t kConfirmWord = 0xAA55AA55;
constexpr uint32_t kEndWord = 51;
constexpr uint32_t kNotNeeded = 0xAAAAAAAA;
constexpr uint32_t kAccepted = 0xBBBBBBBB;
constexpr uint32_t kCourseHeader = 12;  // CRC, length, id and course word

}  // namespace

uint32_t WatchCrc32(const uint8_t* p, size_t n) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}

namespace {

// A course image holds together: its length field says L, and its CRC-32/MPEG-2 over bytes 4
// to L-1 is both the one it carries and the one the begin record announced.
bool ImageHolds(const std::vector<uint8_t>& image, const uint32_t words[3]) {
    if (image.size() < kCourseHeader)
        return false;
    uint32_t crc = WatchCrc32(image.data() + 4, image.size() - 4);
    uint32_t idAndWord = uint32_t(image[8] | image[9] << 8) | uint32_t(image[10] | image[11] << 8)
                                                                  << 16;
    return LoadLe32(image.data()) == crc && crc == words[0] &&
           LoadLe32(image.data() + 4) == image.size() && idAndWord == words[2];
}

}  // namespace

CourseService::CourseService(CoursePolicy policy, std::string storeDir)
    : policy_(std::move(policy)), storeDir_(std::move(storeDir)) {}

bool CourseService::Handles(uint8_t code) const {
    return code == CMD_COURSE_DATA;
}

void CourseService::SetPolicy(const CoursePolicy& policy) {
    std::lock_guard lock(mutex_);
    policy_ = policy;
    confirmsSeen_ = 0;
    faultsPlayed_ = 0;
    blocksAccepted_ = 0;
    unplugged_ = false;
}

void CourseService::SetLogging(bool on) {
    std::lock_guard lock(mutex_);
    logging_ = on;
}

CourseService::State CourseService::Snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void CourseService::Log(const Event& e) {
    if (logging_)
        state_.events.push_back(e);
}

void CourseService::Handle(const Request& request, Reply& reply) {
    std::lock_guard lock(mutex_);
    if (policy_.silentAfterBlocks && blocksAccepted_ >= *policy_.silentAfterBlocks) {
        reply.send = false;
        return;
    }
    if (request.mode == 1) {
        Record(request, reply);
    } else {
        Block(request, reply);
    }
}

void CourseService::Record(const Request& request, Reply& reply) {
    uint32_t w0 = request.Word(0), w2 = request.Word(2), w3 = request.Word(3);
    if (w3 == kEndWord && w0 == 0 && request.Word(1) == 0 && w2 == 0) {
        Finish();
        reply.SetWord(0, 0);
        Log({Step::End, false, 0, 0, 0});
    } else if (w3 == kConfirmWord) {
        Confirm(request, reply);
    } else if (w3 == 0 && w0 == kDirectoryWord && w2 == 0) {
        Begin(request, reply, true);
    } else if (w3 == 0) {
        Begin(request, reply, false);
    } else {
        reply.command = 0;  // no such record: the host's exchange fails
        Log({Step::Refused, false, 0, 0, 0});
    }
}

void CourseService::Begin(const Request& request, Reply& reply, bool directory) {
    uint32_t length = request.Word(1);
    uint16_t id = static_cast<uint16_t>(request.Word(2));
    transfer_ = Transfer{};
    if (length == 0 || length > kMaxImage || request.payloadSize == 0 ||
        (!directory && length < kCourseHeader)) {
        reply.command = 0;
        Log({Step::Refused, directory, id, 0, 0});
        return;
    }
    uint32_t answer = 0;
    if (!directory && policy_.declineIds.count(id) != 0) {
        answer = kNotNeeded;
    } else {
        payload_ = request.payloadSize;
        transfer_.active = true;
        transfer_.directory = directory;
        for (int i = 0; i < 3; ++i)
            transfer_.words[i] = request.Word(size_t(i));
        transfer_.length = length;
        transfer_.blockCount = length / payload_ + (length % payload_ != 0 ? 1 : 0);
        transfer_.bytes.assign(length, 0);
        if (directory) {
            state_.directory.clear();
            state_.directoryComplete = false;
        }
    }
    reply.SetWord(0, answer);
    Log({directory ? Step::DirectoryBegin : Step::CourseBegin, directory, id, 0, answer});
}

void CourseService::Confirm(const Request& request, Reply& reply) {
    uint16_t id = static_cast<uint16_t>(request.Word(2));
    bool matches = transfer_.active && !transfer_.directory &&
                   transfer_.received == transfer_.blockCount && transfer_.valid &&
                   request.Word(0) == transfer_.words[0] && request.Word(1) == transfer_.length &&
                   request.Word(2) == transfer_.words[2];
    bool playWrong = confirmsSeen_ < policy_.wrongConfirms;
    ++confirmsSeen_;
    uint32_t answer = 0;
    if (matches && !playWrong) {
        Accept(id);
        answer = kAccepted;
    }
    transfer_ = Transfer{};
    reply.SetWord(0, answer);
    Log({Step::Confirm, false, id, 0, answer});
}

bool CourseService::PlayBlockFault(uint32_t n) {
    if (!policy_.failBlock || faultsPlayed_ >= policy_.failBlock->times)
        return false;
    const BlockFault& f = *policy_.failBlock;
    bool target = f.directory ? transfer_.directory
                              : (!transfer_.directory &&
                                 static_cast<uint16_t>(transfer_.words[2]) == f.courseId);
    if (!target || f.block != n)
        return false;
    ++faultsPlayed_;
    return true;
}

void CourseService::Block(const Request& request, Reply& reply) {
    uint32_t n = request.value;
    uint16_t id = static_cast<uint16_t>(transfer_.words[2]);
    bool inOrder = n == transfer_.received || n + 1 == transfer_.received;
    if (!transfer_.active || n >= transfer_.blockCount || !inOrder ||
        request.payloadSize != payload_ || PlayBlockFault(n)) {
        reply.value = ~n;  // a wrong echo: the host's block fails at once
        Log({Step::Refused, transfer_.directory, id, n, 0});
        return;
    }
    uint64_t offset = uint64_t(n) * payload_;
    size_t count = static_cast<size_t>(std::min<uint64_t>(payload_, transfer_.length - offset));
    std::memcpy(transfer_.bytes.data() + offset, request.payload, count);
    Log({Step::Block, transfer_.directory, id, n, 0});
    if (n + 1 == transfer_.blockCount) {
        state_.tailBytes = payload_ - static_cast<uint32_t>(count);
        bool zero = std::all_of(request.payload + count, request.payload + payload_,
                                [](uint8_t b) { return b == 0; });
        if (!zero)
            ++state_.dirtyTails;
    }
    // A block sent again because its acknowledgement went missing changes nothing more.
    if (n == transfer_.received) {
        ++transfer_.received;
        ++blocksAccepted_;
        if (transfer_.received == transfer_.blockCount)
            TransferDone(id);
    }
    if (policy_.unplugAfterBlocks && blocksAccepted_ >= *policy_.unplugAfterBlocks && !unplugged_) {
        unplugged_ = true;
        reply.unplug = true;  // the block arrived, but the watch goes before it answers
    }
}

void CourseService::TransferDone(uint16_t id) {
    if (transfer_.directory) {
        state_.directory = transfer_.bytes;
        state_.directoryComplete = true;
        Write("directory.bin", state_.directory);
        return;
    }
    transfer_.valid = ImageHolds(transfer_.bytes, transfer_.words);
    if (!transfer_.valid)
        ++state_.badImages;
    if (transfer_.valid && id == 0)
        Accept(0);  // golf course 0 has no confirm
}

void CourseService::Accept(uint16_t id) {
    state_.courses[id] = transfer_.bytes;
    ++state_.acceptedCourses;
    Write("course-" + std::to_string(id) + ".bin", transfer_.bytes);
}

void CourseService::Finish() {
    ++state_.ends;
    transfer_ = Transfer{};
}

void CourseService::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    if (storeDir_.empty())
        return;
    std::ofstream out(platform::Utf8Path(storeDir_ + "/" + name),
                      std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace veldrant::sim
