#include "sync/data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Record {
    int32_t row;
    float value;
    int8_t interpolation;
};

void putU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char(v >> (8 * i));
}

// A track file: count, pad, the records, then any extra bytes.
std::string trackBytes(int32_t count, const std::vector<Record>& records, uint32_t pad = 0,
                       const std::string& tail = "") {
    std::string out;
    putU32(out, uint32_t(count));
    putU32(out, pad);
    for (const Record& r : records) {
        uint32_t bits;
        std::memcpy(&bits, &r.value, 4);
        putU32(out, uint32_t(r.row));
        putU32(out, bits);
        out += char(r.interpolation);
    }
    return out + tail;
}

// An in-memory file behind the device's io, with fread's item semantics.
struct FakeFile {
    std::string bytes;
    size_t pos = 0;
    std::vector<std::string> opened;
    int closes = 0;
} fake;

void* fakeOpen(const char* path, const char*) {
    fake.opened.push_back(path);
    fake.pos = 0;
    return &fake;
}

size_t fakeRead(void* buffer, size_t size, size_t count, void*) {
    size_t items = std::min(count, (fake.bytes.size() - fake.pos) / size);
    std::memcpy(buffer, fake.bytes.data() + fake.pos, items * size);
    fake.pos = std::min(fake.bytes.size(), fake.pos + size * count);
    return items;
}

int fakeClose(void*) {
    ++fake.closes;
    return 0;
}

class SyncData : public ::testing::Test {
  protected:
    fs::path dir;
    SyncDevice* device = nullptr;

    void SetUp() override {
        char pattern[] = "/tmp/sync_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        device = sync_new_device((dir / "sync").c_str());
        ASSERT_NE(device, nullptr);
        fake = FakeFile();
    }
    void TearDown() override {
        sync_free_device(device);
        fs::remove_all(dir);
    }
    void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / ("sync_" + name + ".track"), std::ios::binary) << bytes;
    }
    // Opens the track, returning what it printed on stdout.
    std::string open(const char* name, Track** track) {
        testing::internal::CaptureStdout();
        *track = sync_open_track(device, name);
        return testing::internal::GetCapturedStdout();
    }
};

} // namespace

TEST_F(SyncData, ReadsLittleEndianRecordsVerbatimName) {
    // A non-zero pad is ignored; bytes after the counted records too.
    writeFile(
        "Camera:offset.x",
        trackBytes(
            3, {{-7, 0, INTERP_LINEAR}, {3, 1, INTERP_HOLD}, {100000, -2.5f, -1}, {200000, 9, 0}},
            0xffffffffu));
    Track* t;
    EXPECT_EQ(open("Camera:offset.x", &t), "");
    ASSERT_EQ(t->keyCount, 3);
    EXPECT_STREQ(t->name, "Camera:offset.x");
    EXPECT_EQ(t->keys[0].row, -7);
    EXPECT_EQ(t->keys[0].interpolation, INTERP_LINEAR);
    EXPECT_EQ(t->keys[2].row, 100000);
    EXPECT_EQ(t->keys[2].value, -2.5f);
    EXPECT_EQ(t->keys[2].interpolation, -1); // sign-extended
    EXPECT_FLOAT_EQ(sync_get_val(t, -2), 0.5f);
    EXPECT_FLOAT_EQ(sync_get_val(t, 200000), -2.5f);
}

TEST_F(SyncData, MissingFileSaysZowieOnceAndEmptyFileNothing) {
    writeFile("empty", trackBytes(0, {}));
    Track *missing, *again, *empty;
    EXPECT_EQ(open("missing", &missing), "Zowie!\n");
    std::string name = "missing"; // equal text, another pointer
    EXPECT_EQ(open(name.c_str(), &again), "");
    EXPECT_EQ(again, missing);
    EXPECT_EQ(missing->keyCount, 0);
    EXPECT_EQ(sync_get_val(missing, 12.5), 0.0f);
    EXPECT_EQ(open("empty", &empty), "");
    EXPECT_EQ(empty->keyCount, 0);
    EXPECT_EQ(sync_get_val(empty, 3), 0.0f);
}

TEST_F(SyncData, LookupInCreationOrderReadingEachFileOnce) {
    device->io = SyncIo{fakeOpen, fakeRead, fakeClose};
    fake.bytes = trackBytes(1, {{0, 4, 0}});
    Track* a = sync_open_track(device, "a");
    Track* b = sync_open_track(device, "b");
    EXPECT_EQ(device->tracks[1], b);
    EXPECT_EQ(sync_open_track(device, std::string("a").c_str()), a);
    EXPECT_EQ(device->trackCount, 2);
    EXPECT_EQ(sync_find_track(device, "b"), 1);
    EXPECT_LT(sync_find_track(device, "c"), 0);
    EXPECT_EQ(fake.opened.size(), 2u);
    EXPECT_EQ(fake.closes, 2);
    EXPECT_EQ(fake.opened[1], (dir / "sync_b.track").string());
    EXPECT_DEATH(sync_create_track(device, "b"), "sync_find_track\\(d, name\\) < 0");
}

TEST_F(SyncData, BadCountsKeepOnlyWholeRecords) {
    device->io = SyncIo{fakeOpen, fakeRead, fakeClose};
    auto ascending = [](int n) {
        std::vector<Record> records;
        for (int i = 0; i < n; ++i)
            records.push_back({i, float(i + 1), INTERP_LINEAR});
        return records;
    };
    struct Case {
        std::string bytes;
        int32_t keys;
    } cases[] = {
        {trackBytes(-1, ascending(1)), 0},
        {trackBytes(INT32_MIN, {}), 0},
        {trackBytes(5, ascending(2)), 2},
        {trackBytes(3, ascending(2), 0, "12345678"), 2}, // partial third record
        {trackBytes(INT32_MAX, ascending(3)), 3},
        {trackBytes(600, ascending(520)), 520}, // over several reads
        {std::string("\2\0\0", 3), 0},          // short header
    };
    for (const Case& c : cases) {
        fake.bytes = c.bytes;
        Track* t = sync_create_track(device, std::to_string(device->trackCount).c_str());
        testing::internal::CaptureStdout();
        sync_read_track(device, t);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_EQ(t->keyCount, c.keys) << device->trackCount;
        for (int32_t i = 0; i < t->keyCount; ++i)
            EXPECT_EQ(t->keys[i].value, i + 1);
    }
}

TEST_F(SyncData, FileNameMustFitTheBuffer) {
    device->io = SyncIo{fakeOpen, fakeRead, fakeClose};
    fake.bytes = trackBytes(1, {{0, 4, 0}});
    // prefix + "_" + name + ".track" may be 4095 characters long.
    size_t fitting = 4095 - std::strlen(device->prefix) - 1 - 6;
    std::string name(fitting, 'n');
    Track* t;
    EXPECT_EQ(open(name.c_str(), &t), "");
    EXPECT_EQ(t->keyCount, 1);
    ASSERT_EQ(fake.opened.size(), 1u);
    EXPECT_EQ(fake.opened[0], std::string(device->prefix) + "_" + name + ".track");

    name += 'n';
    EXPECT_EQ(open(name.c_str(), &t), "Zowie!\n");
    EXPECT_EQ(t->keyCount, 0);
    EXPECT_EQ(fake.opened.size(), 1u);
    EXPECT_EQ(open(std::string(10000, 'x').c_str(), &t), "Zowie!\n");
}

TEST_F(SyncData, SetKeysReplacesThemWithACopyAndReadsNothing) {
    device->io = SyncIo{fakeOpen, fakeRead, fakeClose};
    fake.bytes = trackBytes(2, {{0, 4, 0}, {10, 5, 0}});
    Track* t = sync_open_track(device, "a");
    std::vector<Key> keys = {{-5, 1, INTERP_LINEAR}, {5, 3, INTERP_HOLD}};
    testing::internal::CaptureStdout();
    sync_set_keys(t, keys.data(), int32_t(keys.size()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    keys[0].value = 99; // the track holds its own copy
    ASSERT_EQ(t->keyCount, 2);
    EXPECT_FLOAT_EQ(sync_get_val(t, 0), 2.0f);
    EXPECT_FLOAT_EQ(sync_get_val(t, 7), 3.0f);
    EXPECT_EQ(fake.opened.size(), 1u);

    sync_set_keys(t, keys.data(), 0);
    EXPECT_EQ(t->keyCount, 0);
    EXPECT_EQ(t->keys, nullptr);
    EXPECT_EQ(sync_get_val(t, 7), 0.0f);
}
