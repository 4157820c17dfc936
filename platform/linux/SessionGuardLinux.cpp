// The shutdown inhibitor of systemd-logind: Manager.Inhibit("shutdown", who, why, "block")
// returns a file descriptor, and the inhibitor lasts until every copy of it is closed. The bus
// connection is only needed for the call itself.
#include <dbus/dbus.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/SessionGuard.h"

namespace veldrant::platform {

struct CSessionGuard::Impl {
    int fd = -1;
};

namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
constexpr const char* kWhat = "shutdown";
constexpr const char* kMode = "block";

constexpr const char* kDefaultSystemBus = "unix:path=/var/run/dbus/system_bus_socket";

std::string SystemBusAddress() {
    const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    return (address && *address) ? address : kDefaultSystemBus;
}

struct Error {
    DBusError error;
    Error() { dbus_error_init(&error); }
    ~Error() { dbus_error_free(&error); }
    std::string Text(const char* step) const {
        std::string text = std::string(step) + ": ";
        text += dbus_error_is_set(&error) ? error.message : "no answer";
        return text;
    }
};

struct Connection {
    DBusConnection* conn = nullptr;
    ~Connection() {
        if (conn) {
            dbus_connection_close(conn);
            dbus_connection_unref(conn);
        }
    }
};

struct Message {
    DBusMessage* msg = nullptr;
    ~Message() {
        if (msg)
            dbus_message_unref(msg);
    }
};

}  // namespace

CSessionGuard::CSessionGuard(const std::string& who, const std::string& why,
                             std::chrono::milliseconds timeout)
    : impl_(std::make_unique<Impl>()) {
    Error err;
    Connection bus;
    // A private connection: closing it must not disturb anyone else's use of the system bus.
    // The address is read here each time (libdbus would keep the first one it saw).
    const std::string address = SystemBusAddress();
    bus.conn = dbus_connection_open_private(address.c_str(), &err.error);
    if (!bus.conn || !dbus_bus_register(bus.conn, &err.error)) {
        skipReason_ = err.Text("no system bus");
        return;
    }
    dbus_connection_set_exit_on_disconnect(bus.conn, FALSE);

    Message call;
    call.msg = dbus_message_new_method_call(kLogindService, kLogindPath, kLogindManager, "Inhibit");
    if (!call.msg) {
        skipReason_ = "out of memory";
        return;
    }
    const char* what = kWhat;
    const char* whoText = who.c_str();
    const char* whyText = why.c_str();
    const char* mode = kMode;
    if (!dbus_message_append_args(call.msg, DBUS_TYPE_STRING, &what, DBUS_TYPE_STRING, &whoText,
                                  DBUS_TYPE_STRING, &whyText, DBUS_TYPE_STRING, &mode,
                                  DBUS_TYPE_INVALID)) {
        skipReason_ = "out of memory";
        return;
    }
    Message reply;
    reply.msg = dbus_connection_send_with_reply_and_block(
        bus.conn, call.msg, static_cast<int>(timeout.count()), &err.error);
    if (!reply.msg) {
        skipReason_ = err.Text("login manager refused the inhibitor");
        return;
    }
    int fd = -1;
    if (!dbus_message_get_args(reply.msg, &err.error, DBUS_TYPE_UNIX_FD, &fd, DBUS_TYPE_INVALID) ||
        fd < 0) {
        skipReason_ = err.Text("login manager's answer");
        return;
    }
    // Programs started from here must not inherit the inhibitor and outlive us with it.
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    impl_->fd = fd;
}

CSessionGuard::~CSessionGuard() {
    if (impl_->fd >= 0)
        ::close(impl_->fd);
}

// The inhibitor is the process's, not a window's.
void CSessionGuard::AttachWindow(std::uintptr_t) {}

bool CSessionGuard::Held() const {
    return impl_->fd >= 0;
}

// The X session manager's log-off request reaches the toolkit, not a window: no native message
// here is about the session's end.
bool AnswerSessionEnd(std::string_view, void*, std::intptr_t*) {
    return false;
}

}  // namespace veldrant::platform
