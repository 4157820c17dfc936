// libFuzzer target: the device link's frame check and request forms fed with arbitrary replies.
// A watch made of fuzz bytes (fuzz/FuzzWatch.h) answers each request; a script from the same
// input chains the forms as callers do. Besides the sanitizers the harness checks every result
// against the frame rules worked out on its own: a form succeeds exactly when the reply is
// acceptable (and echoes the block number where the form compares it), and a successful form
// hands over the reply's bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "devicelink/DeviceLink.h"
#include "fuzz/FuzzWatch.h"

namespace {

using namespace veldrant;
using fuzz::FuzzBytes;

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "link fuzz: %s\n", what);
        std::abort();
    }
}

struct Harness {
    CDeviceLink& link;
    fuzz::FuzzTransport& transport;
    uint32_t length;
    uint32_t payload;

    const fuzz::Delivered& Last() const { return transport.Device()->Last(); }
    bool Accepted(int code) const {
        return Last().any && fuzz::OracleAccepts(Last().report, Last().got, length, code);
    }
    uint32_t ReplyValue() const { return LoadLe32(Last().report.data() + 5); }
    uint32_t ReplyWord() const { return LoadLe32(Last().report.data() + kPayloadOffset); }
};

void RequestBlock(Harness& h, FuzzBytes& in) {
    const uint32_t n = in.Byte() & 0x0F;
    std::vector<uint8_t> dest(h.payload, 0xEE);
    const int code = h.link.m_nCommand;
    int ok = h.link.RequestBlock(dest.data(), n);
    bool expected = h.Accepted(code) && h.ReplyValue() == n;
    Require(ok == (expected ? 1 : 0), "RequestBlock disagrees with the frame rules");
    if (ok) {
        Require(std::memcmp(dest.data(), h.Last().report.data() + kPayloadOffset, h.payload) == 0,
                "RequestBlock handed over other bytes than the reply's payload");
    } else {
        for (uint8_t b : dest)
            Require(b == 0xEE, "a failed RequestBlock wrote to its destination");
    }
}

void SendBlock(Harness& h, FuzzBytes& in) {
    const uint32_t n = in.Byte() & 0x0F;
    std::vector<uint8_t> src(h.payload, in.Byte());
    const int code = h.link.m_nCommand;
    int ok = h.link.SendBlock(src.data(), n);
    Require(ok == ((h.Accepted(code) && h.ReplyValue() == n) ? 1 : 0),
            "SendBlock disagrees with the frame rules");
}

void SendArgs(Harness& h, FuzzBytes& in) {
    const int code = in.Byte();
    uint32_t args[5];
    for (uint32_t& a : args)
        a = in.Word();
    const uint32_t before = args[0];
    int ok = h.link.SendArgs(code, args);
    Require(ok == (h.Accepted(code) ? 1 : 0), "SendArgs disagrees with the frame rules");
    Require(args[0] == (ok ? h.ReplyWord() : before), "SendArgs argument word 0");
    Require(h.link.m_nCommand == code, "SendArgs did not make its code the current command");
}

void SendCommand(Harness& h, FuzzBytes& in) {
    const uint8_t pick = in.Byte();
    const int code = pick & 0x80 ? 256 + pick : pick;  // codes a byte cannot carry, too
    const uint32_t value = in.Word();
    std::optional<uint32_t> arg;
    if (pick & 0x40)
        arg = in.Word();
    int ok = h.link.SendCommand(code, value, arg);
    Require(ok == (h.Accepted(code) ? 1 : 0), "SendCommand disagrees with the frame rules");
    if (ok)
        Require(h.link.ReplyWord() == h.ReplyWord(), "ReplyWord is not the reply's first word");
}

void CheckReplyAgain(Harness& h) {
    if (!h.link.m_bConnected.load() || !h.link.m_pInReport)
        return;
    std::vector<uint8_t> in(h.link.m_pInReport, h.link.m_pInReport + h.length);
    int ok = h.link.CheckReply();
    Require(ok == (fuzz::OracleAccepts(in, h.length, h.length, h.link.m_nCommand) ? 1 : 0),
            "CheckReply disagrees with the frame rules");
}

void RunScript(Harness& h, FuzzBytes& in) {
    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        if (!h.link.m_bConnected.load())
            return;
        switch (in.Byte() % 6) {
            case 0:
                SendCommand(h, in);
                break;
            case 1:
                SendArgs(h, in);
                break;
            case 2:
                RequestBlock(h, in);
                break;
            case 3:
                SendBlock(h, in);
                break;
            case 4: {
                // The single-block commands set the code and go straight to block 0.
                const uint8_t pick = in.Byte();
                h.link.m_nCommand = pick & 0x80 ? 200 : pick;
                break;
            }
            default:
                CheckReplyAgain(h);
                break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in({data, size});
    const size_t row = in.Byte() % g_DeviceTable.size();
    const uint32_t length = fuzz::ChooseReportLength(in);
    auto transport = std::make_shared<fuzz::FuzzTransport>(in, row, length);
    CDeviceLink link({transport}, std::chrono::milliseconds(1));
    link.SetDiagnosticStream(nullptr);
    const int found = link.Discover();
    Require(found == (FrameFits(length) ? 1 : 0), "discovery of a well-answering watch");
    if (!found)
        return 0;
    Require(link.m_dwHIDPacketSize == PayloadSizeFor(length), "payload size");
    Harness h{link, *transport, length, link.m_dwHIDPacketSize};
    RunScript(h, in);
    link.Close();
    // A closed link refuses every form without touching the device.
    uint32_t args[5] = {};
    std::vector<uint8_t> block(h.payload);
    Require(link.SendArgs(3, args) == 0 && link.RequestBlock(block.data(), 0) == 0 &&
                link.SendBlock(block.data(), 0) == 0 && link.SendCommand(1, 0) == 0 &&
                link.CheckReply() == 0 && link.ReplyWord() == 0,
            "a closed link answered");
    Require(link.m_dwHIDPacketSize == h.payload, "the payload size is kept after Close");
    return 0;
}
