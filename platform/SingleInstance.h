// One copy of the program per user session: a named lock that the first copy holds for its whole
// life and that a second copy finds taken.
#pragma once

#include <memory>
#include <string>

namespace veldrant::platform {

enum class InstanceState {
    First,           // the lock is ours until the object goes
    AlreadyRunning,  // another copy holds it
    Failed,          // the lock could not be made at all
};

class CSingleInstance {
public:
    // Takes the lock of this name at once. The name may hold blanks ("Kestrune GOLF").
    explicit CSingleInstance(const std::string& name);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    InstanceState State() const { return state_; }
    // Where the lock lives, for diagnostics (a file on Linux).
    const std::string& Where() const { return where_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    InstanceState state_ = InstanceState::Failed;
    std::string where_;
};

}  // namespace veldrant::platform
