// The shares of a segmented export and the checks of a folder of segments
// before they are joined.
#include "app/capture/Segments.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

TEST(Segments, SharesCoverEveryFrameOnceInOrder) {
    for (int align : {1, 30})
        for (long total : {1L, 2L, 7L, 24L, 61L, 10668L})
            for (int n : {1, 2, 3, 8, 32}) {
                long next = 0;
                // Shares differ by at most one block of `align` frames.
                const long block = (total + align - 1) / align / n * align;
                for (int k = 1; k <= n; ++k) {
                    long first = -1, end = -1;
                    segmentFrames(k, n, total, align, &first, &end);
                    const std::string what = std::to_string(k) + "/" + std::to_string(n) + " of " +
                                             std::to_string(total) + " by " + std::to_string(align);
                    EXPECT_EQ(first, next) << what;
                    EXPECT_EQ(first % align, 0) << what;
                    EXPECT_LE(end - first, block + align) << what;
                    if (end < total) {
                        EXPECT_GE(end - first, block) << what;
                    }
                    next = end;
                }
                EXPECT_EQ(next, total) << n << " of " << total;
            }
}

SegmentRecord record(int k, int n, long total = 120) {
    SegmentRecord r;
    r.segment = k;
    r.segments = n;
    segmentFrames(k, n, total, 1, &r.first, &r.end);
    r.total = total;
    r.start = 10;
    r.duration = 2;
    r.show = "00ff00ff00ff00ff";
    r.codec = "h264";
    r.audio = "aac 192 0 0 0";
    r.settings = "codec=h264 crf=18 size=160x90 fps=60";
    return r;
}

TEST(Segments, DescriptionReadsBackAndRefusesOtherText) {
    SegmentRecord r = record(2, 3), back;
    r.start = 216 / 21.6;
    ASSERT_TRUE(parseSegmentRecord(formatSegmentRecord(r), &back));
    EXPECT_EQ(formatSegmentRecord(back), formatSegmentRecord(r));
    EXPECT_EQ(back.start, r.start);
    EXPECT_EQ(back.first, 40);
    EXPECT_EQ(back.end, 80);

    const std::string text = formatSegmentRecord(r);
    const std::string wrongRange = "frames 40 81 120 1";
    EXPECT_FALSE(parseSegmentRecord("", &back));
    EXPECT_FALSE(parseSegmentRecord(text.substr(0, text.size() / 2), &back));
    std::string shifted = text;
    shifted.replace(shifted.find("frames 40 80 120 1"), 18, wrongRange);
    EXPECT_FALSE(parseSegmentRecord(shifted, &back)) << "a range that is not the share";
    std::string noShow = text;
    noShow.replace(noShow.find("show "), 21, "show ");
    EXPECT_FALSE(parseSegmentRecord(noShow, &back));
}

SegmentFolder folderOf(const std::vector<SegmentRecord>& records) {
    SegmentFolder folder;
    for (const SegmentRecord& r : records) {
        const std::string name = segmentName(r.segment, r.segments);
        folder.videos.push_back(name + ".nut");
        folder.descriptions.push_back(name + ".txt");
        folder.descriptionTexts.push_back(formatSegmentRecord(r));
    }
    return folder;
}

TEST(Segments, FolderIsJoinedOnlyWhenCompleteConsistentAndContiguous) {
    const std::string show = "00ff00ff00ff00ff";
    SegmentRecord foreign = record(2, 3);
    foreign.settings += " depth=10";
    SegmentRecord otherShow = record(3, 3);
    otherShow.show = "1111111111111111";
    SegmentRecord otherLength = record(3, 3, 121);
    SegmentRecord otherAlign = record(2, 3);
    otherAlign.align = 2;
    struct Case {
        const char* what;
        std::vector<SegmentRecord> records;
        const char* refusal;
    } const cases[] = {
        {"complete", {record(3, 3), record(1, 3), record(2, 3)}, ""},
        {"one segment", {record(1, 1)}, ""},
        {"middle missing", {record(1, 3), record(3, 3)}, "segment-2-of-3.nut: missing"},
        {"first missing", {record(2, 3), record(3, 3)}, "segment-1-of-3.nut: missing"},
        {"last missing", {record(1, 3), record(2, 3)}, "segment-3-of-3.nut: missing"},
        {"other settings",
         {record(1, 3), foreign, record(3, 3)},
         "segment-2-of-3.nut: foreign: made by another export than segment-1-of-3.nut"},
        {"other length",
         {record(1, 3), record(2, 3), otherLength},
         "segment-3-of-3.nut: foreign: made by another export than segment-1-of-3.nut"},
        {"other alignment",
         {record(1, 3), otherAlign, record(3, 3)},
         "segment-2-of-3.nut: foreign: made by another export than segment-1-of-3.nut"},
        {"other show",
         {record(1, 3), record(2, 3), otherShow},
         "segment-3-of-3.nut: made from another build of the show"},
        {"overlap",
         {record(1, 2), record(2, 3), record(3, 3)},
         "segment-2-of-3.nut: overlaps segment-1-of-2.nut"},
        {"two counts",
         {record(1, 2), record(1, 3), record(2, 3), record(3, 3)},
         "segment-1-of-3.nut: overlaps segment-1-of-2.nut"},
        {"empty", {}, "no segments"},
    };
    for (const Case& c : cases) {
        std::vector<SegmentRecord> ordered;
        EXPECT_EQ(checkSegments(folderOf(c.records), show, &ordered), c.refusal) << c.what;
        if (*c.refusal) continue;
        ASSERT_EQ(ordered.size(), c.records.size()) << c.what;
        for (size_t i = 0; i < ordered.size(); ++i)
            EXPECT_EQ(ordered[i].segment, int(i) + 1) << c.what;
    }

    SegmentFolder videoAlone = folderOf({record(1, 2), record(2, 2)});
    videoAlone.descriptions.pop_back();
    videoAlone.descriptionTexts.pop_back();
    std::vector<SegmentRecord> ordered;
    EXPECT_EQ(checkSegments(videoAlone, show, &ordered),
              "segment-2-of-2.nut: incomplete (no segment-2-of-2.txt)");
    SegmentFolder descriptionAlone = folderOf({record(1, 2), record(2, 2)});
    descriptionAlone.videos.erase(descriptionAlone.videos.begin());
    EXPECT_EQ(checkSegments(descriptionAlone, show, &ordered), "segment-1-of-2.nut: missing");
    SegmentFolder renamed = folderOf({record(1, 2), record(2, 2)});
    renamed.descriptions[1] = "segment-2-of-3.txt";
    EXPECT_EQ(checkSegments(renamed, show, &ordered),
              "segment-2-of-3.txt: not a segment description");
}

TEST(Segments, ShowHashFollowsNamesAndBytes) {
    char dir[] = "/tmp/halcyon-segments-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::string base = dir;
    auto put = [&](const char* name, const char* text) {
        std::ofstream(base + "/" + name) << text;
    };
    put("a.track", "one");
    put("b.glsl", "two");
    std::string first, again, changed, renamed;
    ASSERT_TRUE(hashShow(base, &first));
    ASSERT_TRUE(hashShow(base + "/", &again));
    put("b.glsl", "twO");
    ASSERT_TRUE(hashShow(base, &changed));
    rename((base + "/b.glsl").c_str(), (base + "/c.glsl").c_str());
    ASSERT_TRUE(hashShow(base, &renamed));
    EXPECT_EQ(first, again);
    EXPECT_NE(first, changed);
    EXPECT_NE(changed, renamed);
    EXPECT_FALSE(hashShow(base + "/none", &first));
    unlink((base + "/a.track").c_str());
    unlink((base + "/c.glsl").c_str());
    rmdir(dir);
}

} // namespace
