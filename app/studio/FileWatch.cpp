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

bool sameFiles(const std::vector<FileStamp>& a, const std::vector<FileStamp>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || !sameStamp(a[i], b[i])) return false;
    return true;
}

} // namespace

std::vector<FileStamp> scanFolder(const std::string& dir, const std::string& suffix,
                                  const std::string& only) {
    std::vector<FileStamp> stamps;
    DIR* folder = opendir(dir.c_str());
    if (!folder) return stamps;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        // Editors' hidden swap and backup files never hold the show.
        if (name[0] == '.' || (only.empty() ? !endsWith(name, suffix) : name != only)) continue;
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

FileWatch makeWatch(const std::string& dir, const std::string& suffix, const std::string& only,
                    int64_t settleNs, int64_t graceNs) {
    FileWatch watch{dir, suffix, only, settleNs, graceNs, {}, {}, 0, 0};
    watch.reported = scanFolder(dir, suffix, only);
    watch.seen = watch.reported;
    return watch;
}

WatchStep stepWatch(FileWatch* watch, const std::vector<FileStamp>& files, int64_t nowNs,
                    std::vector<std::string>* changed, int64_t* newestNs) {
    changed->clear();
    *newestNs = 0;
    if (!sameFiles(files, watch->seen)) {
        watch->seen = files;
        watch->seenSinceNs = nowNs;
    }
    // Both lists are sorted by name: walk them side by side.
    const std::vector<FileStamp>& built = watch->reported;
    size_t i = 0, j = 0;
    while (i < files.size() || j < built.size()) {
        const bool added = j == built.size() || (i < files.size() && files[i].name < built[j].name);
        const bool removed =
            i == files.size() || (j < built.size() && built[j].name < files[i].name);
        if (added) {
            changed->push_back(files[i].name);
            *newestNs = std::max(*newestNs, files[i].modifiedNs);
            ++i;
        } else if (removed) {
            changed->push_back(built[j].name);
            *newestNs = std::max(*newestNs, watch->seenSinceNs);
            ++j;
        } else {
            if (!sameStamp(files[i], built[j])) {
                changed->push_back(files[i].name);
                *newestNs = std::max(*newestNs, files[i].modifiedNs);
            }
            ++i;
            ++j;
        }
    }
    if (changed->empty()) {
        if (watch->recheckNs == 0 || nowNs < watch->recheckNs) return WATCH_QUIET;
        watch->recheckNs = 0;
        return WATCH_CONFIRM;
    }
    // A file stamped in the future (a clock set back, a copy that kept its
    // times) would otherwise wait for that moment.
    const int64_t age = nowNs - *newestNs;
    if (age >= 0 && age < watch->settleNs) {
        changed->clear();
        *newestNs = 0;
        return WATCH_QUIET;
    }
    watch->reported = files;
    watch->recheckNs = 0;
    return WATCH_BUILD;
}

bool settleBuild(FileWatch* watch, WatchStep step, bool built, int64_t nowNs) {
    watch->recheckNs = 0;
    if (built) return false;
    if (step == WATCH_CONFIRM) return true;
    watch->recheckNs = nowNs + watch->graceNs;
    return false;
}

WatchStep pollWatch(FileWatch* watch, int64_t nowNs, std::vector<std::string>* changed,
                    int64_t* newestNs) {
    return stepWatch(watch, scanFolder(watch->dir, watch->suffix, watch->only), nowNs, changed,
                     newestNs);
}

int64_t wallClockNs() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}
