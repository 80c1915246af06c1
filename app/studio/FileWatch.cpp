#include "FileWatch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>

namespace {

const int64_t kNsPerSecond = 1000000000;

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() > suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool sameStamp(const FileStamp& a, const FileStamp& b) {
    return a.inode == b.inode && a.size == b.size && a.modifiedNs == b.modifiedNs;
}

} // namespace

std::vector<FileStamp> scanFolder(const std::string& dir, const std::string& suffix) {
    std::vector<FileStamp> stamps;
    DIR* folder = opendir(dir.c_str());
    if (!folder) return stamps;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        // Editors' hidden swap and backup files never hold the show.
        if (name[0] == '.' || !endsWith(name, suffix)) continue;
        struct stat info;
        if (stat((dir + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        stamps.push_back(
            FileStamp{name, uint64_t(info.st_ino), int64_t(info.st_size),
                      int64_t(info.st_mtim.tv_sec) * kNsPerSecond + info.st_mtim.tv_nsec});
    }
    closedir(folder);
    std::sort(stamps.begin(), stamps.end(),
              [](const FileStamp& a, const FileStamp& b) { return a.name < b.name; });
    return stamps;
}

void resetWatch(FileWatch* watch) {
    watch->reported = scanFolder(watch->dir, watch->suffix);
}

bool pollWatch(FileWatch* watch, int64_t nowNs, std::vector<std::string>* changed,
               int64_t* newestNs) {
    const std::vector<FileStamp> now = scanFolder(watch->dir, watch->suffix);
    changed->clear();
    *newestNs = 0;
    // Both lists are sorted by name: walk them side by side.
    size_t i = 0, j = 0;
    while (i < now.size() || j < watch->reported.size()) {
        const bool takeNew = j == watch->reported.size() ||
                             (i < now.size() && now[i].name < watch->reported[j].name);
        const bool takeOld = i == now.size() ||
                             (j < watch->reported.size() && watch->reported[j].name < now[i].name);
        if (takeNew) {
            changed->push_back(now[i].name);
            *newestNs = std::max(*newestNs, now[i].modifiedNs);
            ++i;
        } else if (takeOld) {
            changed->push_back(watch->reported[j].name);
            ++j;
        } else {
            if (!sameStamp(now[i], watch->reported[j])) {
                changed->push_back(now[i].name);
                *newestNs = std::max(*newestNs, now[i].modifiedNs);
            }
            ++i;
            ++j;
        }
    }
    // A file stamped in the future (a clock set back, a copy that kept its
    // times) would otherwise wait for that moment.
    const int64_t age = nowNs - *newestNs;
    if (changed->empty() || (age >= 0 && age < watch->settleNs)) {
        changed->clear();
        return false;
    }
    watch->reported = now;
    return true;
}

int64_t wallClockNs() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}
