#include "Segments.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kHeader = "halcyon-capture segment 1";
const uint64_t kFnvOffset = 14695981039346656037ull;
const uint64_t kFnvPrime = 1099511628211ull;

void hashBytes(const void* bytes, size_t size, uint64_t* hash) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i)
        *hash = (*hash ^ p[i]) * kFnvPrime;
}

std::string value(const std::string& text, const char* key) {
    const std::string prefix = "\n" + std::string(key) + " ";
    const size_t at = ("\n" + text).find(prefix);
    if (at == std::string::npos) return "";
    const size_t begin = at + prefix.size() - 1;
    const size_t end = text.find('\n', begin);
    return end == std::string::npos ? "" : text.substr(begin, end - begin);
}

std::string video(const SegmentRecord& r) {
    return segmentName(r.segment, r.segments) + ".nut";
}

bool sameExport(const SegmentRecord& a, const SegmentRecord& b) {
    return a.total == b.total && a.align == b.align && a.start == b.start &&
           a.duration == b.duration && a.codec == b.codec && a.audio == b.audio &&
           a.settings == b.settings;
}

bool has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The name of the segment, of the same count as its neighbour, that would
// start at frame `first`.
std::string missingAt(long first, const SegmentRecord& neighbour) {
    for (int k = 1; k <= neighbour.segments; ++k) {
        long begin = 0, end = 0;
        segmentFrames(k, neighbour.segments, neighbour.total, neighbour.align, &begin, &end);
        if (begin == first) return segmentName(k, neighbour.segments) + ".nut";
    }
    return "frames from " + std::to_string(first);
}

} // namespace

void segmentFrames(int k, int n, long total, int align, long* first, long* end) {
    const long long blocks = (total + align - 1) / align;
    *first = long(std::min<long long>(total, align * (blocks * (k - 1) / n)));
    *end = long(std::min<long long>(total, align * (blocks * k / n)));
}

std::string segmentName(int k, int n) {
    return "segment-" + std::to_string(k) + "-of-" + std::to_string(n);
}

std::string formatSegmentRecord(const SegmentRecord& r) {
    char text[2048];
    snprintf(text, sizeof text,
             "%s\nsegment %d/%d\nframes %ld %ld %ld %d\nspan %.17g %.17g\nshow %s\ncodec %s\n"
             "audio %s\nsettings %s\n",
             kHeader, r.segment, r.segments, r.first, r.end, r.total, r.align, r.start, r.duration,
             r.show.c_str(), r.codec.c_str(), r.audio.c_str(), r.settings.c_str());
    return text;
}

bool parseSegmentRecord(const std::string& text, SegmentRecord* r) {
    if (text.compare(0, strlen(kHeader), kHeader) != 0 || text[strlen(kHeader)] != '\n')
        return false;
    int used = 0;
    const std::string part = value(text, "segment"), frames = value(text, "frames"),
                      span = value(text, "span");
    if (sscanf(part.c_str(), "%d/%d%n", &r->segment, &r->segments, &used) != 2 ||
        used != int(part.size()))
        return false;
    if (sscanf(frames.c_str(), "%ld %ld %ld %d%n", &r->first, &r->end, &r->total, &r->align,
               &used) != 4 ||
        used != int(frames.size()))
        return false;
    if (sscanf(span.c_str(), "%lf %lf%n", &r->start, &r->duration, &used) != 2 ||
        used != int(span.size()))
        return false;
    r->show = value(text, "show");
    r->codec = value(text, "codec");
    r->audio = value(text, "audio");
    r->settings = value(text, "settings");
    long first = 0, end = 0;
    if (r->segment < 1 || r->segment > r->segments || r->total < 1 || r->align < 1) return false;
    segmentFrames(r->segment, r->segments, r->total, r->align, &first, &end);
    // A range that is not its segment's share was written by something else.
    return first == r->first && end == r->end && !r->show.empty() && !r->codec.empty() &&
           !r->audio.empty() && !r->settings.empty();
}

std::string checkSegments(const SegmentFolder& folder, const std::string& show,
                          std::vector<SegmentRecord>* ordered) {
    std::vector<SegmentRecord> records;
    for (size_t i = 0; i < folder.descriptions.size(); ++i) {
        const std::string& name = folder.descriptions[i];
        SegmentRecord r;
        if (!parseSegmentRecord(folder.descriptionTexts[i], &r) ||
            segmentName(r.segment, r.segments) + ".txt" != name)
            return name + ": not a segment description";
        if (!has(folder.videos, video(r))) return video(r) + ": missing";
        if (r.show != show) return video(r) + ": made from another build of the show";
        records.push_back(r);
    }
    for (const std::string& name : folder.videos) {
        const std::string description = name.substr(0, name.size() - 4) + ".txt";
        if (!has(folder.descriptions, description))
            return name + ": incomplete (no " + description + ")";
    }
    if (records.empty()) return "no segments";
    std::sort(records.begin(), records.end(), [](const SegmentRecord& a, const SegmentRecord& b) {
        return a.first != b.first ? a.first < b.first : a.segments < b.segments;
    });
    const SegmentRecord& reference = records.front();
    for (const SegmentRecord& r : records)
        if (!sameExport(r, reference))
            return video(r) + ": foreign: made by another export than " + video(reference);
    long next = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        const SegmentRecord& r = records[i];
        if (r.first > next) return missingAt(next, r) + ": missing";
        if (r.first < next) return video(r) + ": overlaps " + video(records[i - 1]);
        next = r.end;
    }
    if (next != reference.total) return missingAt(next, records.back()) + ": missing";
    *ordered = records;
    return "";
}

bool hashShow(const std::string& dataDir, std::string* hash) {
    DIR* dir = opendir(dataDir.c_str());
    if (!dir) return false;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir))
        names.push_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    uint64_t h = kFnvOffset;
    std::vector<char> buffer(1 << 16);
    for (const std::string& name : names) {
        const std::string path = dataDir + "/" + name;
        struct stat info;
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        hashBytes(name.c_str(), name.size() + 1, &h);
        ssize_t got;
        while ((got = read(fd, buffer.data(), buffer.size())) > 0)
            hashBytes(buffer.data(), size_t(got), &h);
        const int code = errno;
        close(fd);
        if (got < 0) {
            errno = code;
            return false;
        }
    }
    char text[17];
    snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    *hash = text;
    return true;
}
