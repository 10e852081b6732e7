// Every liblinphone object belongs to the core thread and is released there.
// liblinphone releases its objects through belle-sip's
// belle_sip_object_unref(): defined here first, it counts the releases made
// on the thread that runs the tests (the window's), and a test program
// linked with this file fails when there was one.
#include <gtest/gtest.h>

#include <atomic>
#include <dlfcn.h>
#include <thread>

namespace {

std::atomic<std::thread::id> windowThread;
std::atomic<int> releasesOnWindowThread { 0 };

class ReleaseWatch : public ::testing::Environment {
    void SetUp() override { windowThread = std::this_thread::get_id(); }
    void TearDown() override
    {
        EXPECT_EQ(releasesOnWindowThread, 0) << "liblinphone objects released on the window's thread";
    }
};

const auto *const watch = ::testing::AddGlobalTestEnvironment(new ReleaseWatch);

} // namespace

extern "C" void belle_sip_object_unref(void *object)
{
    using Unref = void (*)(void *);
    static const auto next = reinterpret_cast<Unref>(::dlsym(RTLD_NEXT, "belle_sip_object_unref"));
    if (std::this_thread::get_id() == windowThread.load())
        ++releasesOnWindowThread;
    next(object);
}
