#include "sync/timer.h"

#include <gtest/gtest.h>

#include <type_traits>

// The interface is a bare vtable pointer and cannot be destroyed through itself.
static_assert(std::is_abstract_v<Sync::Timer>);
static_assert(!std::has_virtual_destructor_v<Sync::Timer>);
static_assert(!std::is_destructible_v<Sync::Timer>);
static_assert(sizeof(Sync::Timer) == sizeof(void*));

namespace {

struct RecordingTimer final : Sync::Timer {
    bool playing = false;
    float row = -1;
    void pause() override { playing = false; }
    void play() override { playing = true; }
    void setRow(float r) override { row = r; }
    bool isPlaying() override { return playing; }
};

} // namespace

TEST(SyncTimer, CallsReachTheImplementation) {
    RecordingTimer concrete;
    Sync::Timer* timer = &concrete;
    timer->play();
    EXPECT_TRUE(timer->isPlaying());
    timer->setRow(216);
    EXPECT_EQ(concrete.row, 216.0f);
    timer->pause();
    EXPECT_FALSE(timer->isPlaying());
}
