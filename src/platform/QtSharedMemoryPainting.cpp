#include "platform/QtSharedMemoryPainting.h"

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <xcb/shm.h>

namespace quorvane::QtSharedMemoryPainting {
namespace {

std::atomic<bool> oldVersionForOthers{false};

// Whether `address` lies in the same executable or library as this code.
bool isOurs(const void* address) {
    Dl_info caller{}, ours{};
    return ::dladdr(address, &caller) != 0 && ::dladdr(reinterpret_cast<const void*>(&isOurs), &ours) != 0 &&
           caller.dli_fbase == ours.dli_fbase;
}

} // namespace

void avoidDescriptors() {
    if (::dlsym(RTLD_DEFAULT, "xcb_shm_query_version_reply") ==
        reinterpret_cast<void*>(&xcb_shm_query_version_reply)) {
        oldVersionForOthers = true;
        return;
    }
    // Set to anything, it leaves MIT-SHM alone.
    ::setenv("QT_XCB_NO_MITSHM", "1", 0);
}

} // namespace quorvane::QtSharedMemoryPainting

// Takes libxcb-shm's place in the process where the executable exports it. Once descriptors are
// to be avoided, other libraries (Qt's xcb plugin) learn of MIT-SHM 1.1 at most, which hands over
// no descriptors; our own code, which only sends them, learns the server's version.
extern "C" xcb_shm_query_version_reply_t* xcb_shm_query_version_reply(xcb_connection_t* connection,
                                                                      xcb_shm_query_version_cookie_t cookie,
                                                                      xcb_generic_error_t** error) {
    using Reply = xcb_shm_query_version_reply_t* (*)(xcb_connection_t*, xcb_shm_query_version_cookie_t,
                                                     xcb_generic_error_t**);
    // By its name: the executable need not have libxcb-shm among its own libraries, where Qt's
    // plugin loads it for itself.
    static const auto library = [] {
        void* shm = ::dlopen("libxcb-shm.so.0", RTLD_LAZY | RTLD_LOCAL);
        return reinterpret_cast<Reply>(shm != nullptr ? ::dlsym(shm, "xcb_shm_query_version_reply")
                                                      : nullptr);
    }();
    if (library == nullptr) return nullptr;
    xcb_shm_query_version_reply_t* reply = library(connection, cookie, error);
    if (reply != nullptr && quorvane::QtSharedMemoryPainting::oldVersionForOthers &&
        !quorvane::QtSharedMemoryPainting::isOurs(__builtin_return_address(0)) &&
        (reply->major_version > 1 || reply->minor_version > 1)) {
        reply->major_version = 1;
        reply->minor_version = 1;
    }
    return reply;
}
