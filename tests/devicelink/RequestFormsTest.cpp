// The four request forms: what each sends, what each checks in the reply, what persists.
#include <cstring>

#include "tests/devicelink/LinkFixture.h"

namespace veldrant::testing {
namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = uint8_t(seed + i * 7);
    return v;
}

TEST(RequestBlock, CopiesThePayloadOfTheEchoedBlock) {
    auto payload = Pattern(512, 3);
    OpenLink o(Answer([&](const Report& out) { return EchoReply(out, payload); }));
    o.link->m_nCommand = 11;
    std::vector<uint8_t> dest(512, 0xEE);
    ASSERT_EQ(o.link->RequestBlock(dest.data(), 5), 1);
    EXPECT_EQ(dest, payload);
    Report r = o.LastWritten();
    EXPECT_EQ(r[3], 11);
    EXPECT_EQ(r[4], 0) << "block mode";
    EXPECT_EQ(WordAt(r, 5), 5u);
}

TEST(RequestBlock, AnEchoOfBlock4ToBlock5FailsBothBlockForms) {
    OpenLink o(Answer([](const Report& out) {
        return BuildFrame(525, 1, out[3], 0, WordAt(out, 5) - 1, {1, 2, 3});
    }));
    o.link->m_nCommand = 11;
    std::vector<uint8_t> dest(512, 0xEE), src(512, 0x11);
    EXPECT_EQ(o.link->RequestBlock(dest.data(), 5), 0);
    EXPECT_EQ(dest, std::vector<uint8_t>(512, 0xEE)) << "nothing copied from a rejected reply";
    EXPECT_EQ(o.link->SendBlock(src.data(), 5), 0);
}

TEST(RequestBlock, ClearsThePayloadLeftByEarlierRequests) {
    OpenLink o(Answer([](const Report& out) { return EchoReply(out); }));
    o.link->m_nCommand = 2;
    std::vector<uint8_t> src(512, 0xAB), dest(512);
    ASSERT_EQ(o.link->SendBlock(src.data(), 0), 1);
    ASSERT_EQ(o.link->RequestBlock(dest.data(), 1), 1);
    Report r = o.LastWritten();
    for (size_t i = 9; i < 9 + 512; ++i)
        ASSERT_EQ(r[i], 0) << i;
}

TEST(SendBlock, SendsTheSourceAndIgnoresTheReplyPayload) {
    auto src = Pattern(512, 9);
    OpenLink o(Answer([](const Report& out) { return EchoReply(out, Pattern(512, 200)); }));
    o.link->m_nCommand = 3;
    ASSERT_EQ(o.link->SendBlock(src.data(), 0x01020304), 1);
    Report r = o.LastWritten();
    EXPECT_TRUE(std::equal(src.begin(), src.end(), r.begin() + 9));
    EXPECT_EQ(r[3], 3);
    EXPECT_EQ(r[4], 0);
    EXPECT_EQ(WordAt(r, 5), 0x01020304u);
}

// A transfer cuts its blocks for the payload size it started with; a watch found again with
// another report size between two blocks must not take them (it would read or write past them).
TEST(BlockForms, ABlockCutForAnotherPayloadSizeIsRefusedBeforeAnythingIsSent) {
    OpenLink o(Answer([](const Report& out) { return EchoReply(out); }));
    o.link->m_nCommand = 2;
    std::vector<uint8_t> block(448, 0x5A);
    EXPECT_EQ(o.link->SendBlock(block.data(), 0, 448), 0);
    EXPECT_EQ(o.link->RequestBlock(block.data(), 0, 448), 0);
    EXPECT_TRUE(o.device->Written().empty()) << "nothing may go out for a refused block";
    EXPECT_EQ(block, std::vector<uint8_t>(448, 0x5A));

    std::vector<uint8_t> right(512, 0x11);
    EXPECT_EQ(o.link->SendBlock(right.data(), 0, 512), 1);
    EXPECT_EQ(o.link->RequestBlock(right.data(), 1, 512), 1);
}

TEST(SendArgs, SuccessPutsTheReplyWordIntoWord0Only) {
    OpenLink o(Answer([](const Report& out) {
        std::vector<uint8_t> p(512);
        StoreLe32(p.data(), 0xBBBBBBBB);
        StoreLe32(p.data() + 4, 0x12345678);
        return BuildFrame(525, 2, out[3], 1, 0, p);
    }));
    uint32_t args[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(o.link->SendArgs(CMD_COURSE_DATA, args), 1);
    EXPECT_EQ(args[0], 0xBBBBBBBBu);
    EXPECT_EQ(args[1], 2u);
    EXPECT_EQ(args[4], 5u);
    Report r = o.LastWritten();
    EXPECT_EQ(r[3], 3);
    EXPECT_EQ(r[4], 1) << "mode 1 for commands with arguments";
    EXPECT_EQ(WordAt(r, 5), 0u);
    for (uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(WordAt(r, 9 + 4 * i), i + 1);
    EXPECT_EQ(o.link->m_nCommand, CMD_COURSE_DATA);
}

TEST(SendArgs, FailureLeavesTheRecordUnchanged) {
    OpenLink o(Answer([](const Report& out) {
        std::vector<uint8_t> p(512, 0x77);
        return BuildFrame(525, 1, uint8_t(out[3] + 1), 0, 0, p);  // another command's reply
    }));
    uint32_t args[5] = {10, 20, 30, 40, 50};
    EXPECT_EQ(o.link->SendArgs(CMD_COURSE_DATA, args), 0);
    EXPECT_EQ(args[0], 10u);
}

TEST(SendCommand, ArgumentWordOptionalAndTheRestPersists) {
    OpenLink o(Answer([](const Report& out) {
        std::vector<uint8_t> p(512);
        StoreLe32(p.data(), 42);
        return BuildFrame(525, 1, out[3], 0, WordAt(out, 5), p);
    }));
    o.link->m_nCommand = 2;
    auto src = Pattern(512, 1);
    ASSERT_EQ(o.link->SendBlock(src.data(), 0), 1);
    ASSERT_EQ(o.link->SendCommand(CMD_MARK_COUNT, 7, 0x0A0B0C0Du), 1);
    Report r = o.LastWritten();
    EXPECT_EQ(r[3], 10);
    EXPECT_EQ(r[4], 1);
    EXPECT_EQ(WordAt(r, 5), 7u);
    EXPECT_EQ(WordAt(r, 9), 0x0A0B0C0Du);
    EXPECT_TRUE(std::equal(src.begin() + 4, src.end(), r.begin() + 13))
        << "payload bytes the form does not set keep the previous request's content";
    EXPECT_EQ(o.link->ReplyWord(), 42u);

    ASSERT_EQ(o.link->SendCommand(CMD_MARK_READ, 3), 1);
    r = o.LastWritten();
    EXPECT_EQ(WordAt(r, 9), 0x0A0B0C0Du) << "without an argument word 0 stays as it was";
    EXPECT_EQ(WordAt(r, 5), 3u);
}

TEST(Exchange, RejectsShortLongAndForeignReplies) {
    int variant = 0;
    OpenLink o(Answer([&](const Report& out) {
        Report r = EchoReply(out);
        if (variant == 1)
            r.pop_back();
        if (variant == 2)
            r.push_back(0);
        if (variant == 3)
            r = BuildFrame(525, 1, uint8_t(out[3] ^ 1), 0, WordAt(out, 5));
        return r;
    }));
    o.link->m_nCommand = 1;
    std::vector<uint8_t> dest(512);
    EXPECT_EQ(o.link->RequestBlock(dest.data(), 0), 1);
    for (variant = 1; variant <= 3; ++variant) {
        EXPECT_EQ(o.link->RequestBlock(dest.data(), 0), 0) << "variant " << variant;
    }
}

TEST(Exchange, TailBytesOfTheReplyDoNotMatter) {
    OpenLink o(Answer([](const Report& out) {
                   Report r = EchoReply(out);
                   for (size_t i = 525; i < r.size(); ++i)
                       r[i] = 0xCC;
                   r[523] = 0x5A;
                   return r;
               }),
               530);
    o.link->m_nCommand = 1;
    std::vector<uint8_t> dest(512);
    EXPECT_EQ(o.link->RequestBlock(dest.data(), 0), 1);
}

TEST(Forms, FailOnAClosedLinkWithoutTouchingAnything) {
    OpenLink o(Answer([](const Report& out) { return EchoReply(out); }));
    o.link->Close();
    std::vector<uint8_t> buf(512, 1);
    uint32_t args[5] = {9, 9, 9, 9, 9};
    EXPECT_EQ(o.link->RequestBlock(buf.data(), 0), 0);
    EXPECT_EQ(o.link->SendBlock(buf.data(), 0), 0);
    EXPECT_EQ(o.link->SendArgs(3, args), 0);
    EXPECT_EQ(args[0], 9u);
    EXPECT_EQ(o.link->SendCommand(10, 0, 0u), 0);
    EXPECT_EQ(o.link->Exchange(), 0);
    EXPECT_EQ(o.link->ReplyWord(), 0u);
    EXPECT_EQ(o.device->Written().size(), 0u);
}

}  // namespace
}  // namespace veldrant::testing
