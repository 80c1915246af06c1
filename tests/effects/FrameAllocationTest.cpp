// Per frame nothing is allocated: the program's own start-up in a small
// window, every effect and mode switched on in turn, and a count of every
// C++ heap allocation in the process (ours, the standard library's, and the
// shader compiler's) over many frames after the first round.
#include "ShowData.h"
#include "app/common/Shell.h"
#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

extern const char* const kDataDir;

namespace {

std::atomic<long> allocations{0};

void* counted(size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* countedAligned(size_t size, std::align_val_t alignment) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    const size_t a = static_cast<size_t>(alignment);
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) return p;
    throw std::bad_alloc();
}

const int kRounds = 5;

} // namespace

void* operator new(size_t size) {
    return counted(size);
}
void* operator new[](size_t size) {
    return counted(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new(size_t size, std::align_val_t a) {
    return countedAligned(size, a);
}
void* operator new[](size_t size, std::align_val_t a) {
    return countedAligned(size, a);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    std::free(p);
}

TEST(FrameAllocations, NoneAfterTheFirstRoundOfFrames) {
    const std::string dir = kDataDir;
    ASSERT_TRUE(writeShowData(dir, FRAME_TEST_SHADER_DIR, FRAME_TEST_SOUNDTRACK));
    ASSERT_TRUE(writeCoverageTracks(dir));

    static char name[] = "frame_allocation_test";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    initWindowSystem(&argc, argv);
    openWindow(320, 180);
    setUpShow([] {});
    App& app = App::instance();

    // The first round opens the tracks no earlier frame asked for and lets
    // the driver build what it builds on first use.
    for (int i = 0; i < kCoverageRowCount; ++i)
        app.draw(kCoverageRows[i].row);
    glFinish();

    const long before = allocations.load();
    int frames = 0;
    for (int round = 0; round < kRounds; ++round)
        for (int i = 0; i < kCoverageRowCount; ++i) {
            // Rows move inside their blocks so the moving tracks change.
            app.draw(kCoverageRows[i].row + round * 3.25);
            glFinish();
            ++frames;
        }
    EXPECT_EQ(allocations.load() - before, 0) << "over " << frames << " frames";
}
