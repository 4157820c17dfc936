// The simulated-interface protocol: hello bytes, the directory rule, names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/SimProtocol.h"

namespace veldrant::platform {
namespace {

TEST(SimProtocol, HelloIsMagicThenFiveLittleEndianWords) {
    auto bytes = EncodeSimHello({0x0483, 0xA1D9, 0x0001, 525, 589});
    const uint8_t expected[18] = {'V',  'L',  'D',  'S',  'I',  'M',  '0',  '1',  0x83,
                                  0x04, 0xD9, 0xA1, 0x01, 0x00, 0x0D, 0x02, 0x4D, 0x02};
    EXPECT_EQ(std::memcmp(bytes.data(), expected, 18), 0);
    auto back = DecodeSimHello(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->outputLength, 589);
    EXPECT_FALSE(DecodeSimHello(bytes.data(), 17));
    bytes[7] = '2';
    EXPECT_FALSE(DecodeSimHello(bytes.data(), 18));
}

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (const char* v = std::getenv(name))
            saved_ = v;
    }
    ~EnvGuard() {
        if (saved_) {
            setenv(name_, saved_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(SimProtocol, DirectoryFromTheEnvironmentInOrder) {
    EnvGuard a("VELDRANT_SIM_DIR"), b("XDG_RUNTIME_DIR");
    setenv("VELDRANT_SIM_DIR", "/x/sim", 1);
    setenv("XDG_RUNTIME_DIR", "/run/user/7", 1);
    EXPECT_EQ(SimDirectory(), "/x/sim");
    setenv("VELDRANT_SIM_DIR", "", 1);
    EXPECT_EQ(SimDirectory(), "/run/user/7/veldrant-sim");
    unsetenv("VELDRANT_SIM_DIR");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SimDirectory(), "/tmp/veldrant-sim-" + std::to_string(getuid()));
}

TEST(SimProtocol, Names) {
    EXPECT_TRUE(IsValidSimName("watch"));
    EXPECT_TRUE(IsValidSimName("ウォッチ 2"));
    EXPECT_FALSE(IsValidSimName(""));
    EXPECT_FALSE(IsValidSimName(".hidden"));
    EXPECT_FALSE(IsValidSimName("a/b"));
}

}  // namespace
}  // namespace veldrant::platform
