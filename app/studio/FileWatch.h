// FileWatch: notices saved files in one folder by polling their stamps.
//
// A poll lists the folder's files whose names end in the suffix and compares
// each one's inode, size and modification time with the stamps of the last
// change it reported; an editor that saves by writing a new file and renaming
// it over the old one changes the inode, one that writes in place the time.
// New and removed files count as changes too. A poll costs one directory
// listing and one stat per file (microseconds for the show's few files), so
// it runs many times a second without inotify.
//
// A change is reported only once the newest file in it is `settleNs` old (or
// stamped in the future), so a poll that falls between an editor's truncate
// and its write does not read half a file. Times are CLOCK_REALTIME nanoseconds, the clock of the
// modification times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FileStamp {
    std::string name; // within the folder
    uint64_t inode;
    int64_t size;
    int64_t modifiedNs;
};

struct FileWatch {
    std::string dir; // with a trailing slash
    std::string suffix;
    int64_t settleNs;
    std::vector<FileStamp> reported; // sorted by name
};

// The folder's files with the suffix, sorted by name; empty when the folder
// cannot be read.
std::vector<FileStamp> scanFolder(const std::string& dir, const std::string& suffix);

// Records the folder as it is now, without reporting it.
void resetWatch(FileWatch* watch);

// True when the folder changed since the last report and the change has
// settled; then *changed holds the names that were added, altered or
// removed, *newestNs the newest modification time among them (the save that
// completed the change; 0 when files were only removed), and the stamps are
// taken as reported.
bool pollWatch(FileWatch* watch, int64_t nowNs, std::vector<std::string>* changed,
               int64_t* newestNs);

// CLOCK_REALTIME in nanoseconds.
int64_t wallClockNs();
