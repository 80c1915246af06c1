// FileWatch: notices saved files in one folder by polling their stamps, and
// decides when a save has settled enough to be built and when a failed
// build's error is real.
//
// A poll lists the folder's files whose names end in the suffix (or the one
// file named `only`) and compares each one's inode, size and modification
// time with the stamps the last build read; an editor that saves by writing a
// new file and renaming it over the old one changes the inode, one that
// writes in place the time. New and removed files count as changes too. A
// poll costs one directory listing and one stat per file (microseconds for
// the show's few files), so it runs many times a second without inotify.
//
// Writers do not save in one step: `cat > file` truncates and then writes,
// vim moves the old file away and writes a new one, some write in chunks. So
// a change is built only once nothing has changed for `settleNs`: the newest
// write that long ago by the file's own time, a removal that long since a
// poll first saw it. A build that fails then does not report yet: its error
// stands only if the files stay exactly as they were for `graceNs` more and
// fail again, so a writer that paused longer than the settling shows its
// whole file, never a false error. A good build is never held back. Times
// are CLOCK_REALTIME nanoseconds, the clock of the modification times.
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
    std::string dir;    // with a trailing slash
    std::string suffix; // the files watched: names ending in it,
    std::string only;   // or this one name when it is not ""
    int64_t settleNs;
    int64_t graceNs;
    std::vector<FileStamp> reported; // as the last build read them; sorted by name
    std::vector<FileStamp> seen;     // as the last poll saw them
    int64_t seenSinceNs;             // the first poll that saw them so
    int64_t recheckNs;               // when a failed build is built again; 0: none
};

enum WatchStep {
    WATCH_QUIET,   // nothing to build
    WATCH_BUILD,   // the files changed and settled: build them
    WATCH_CONFIRM, // a failed build's files held still: build again; a failure now stands
};

// The folder's watched files, sorted by name; empty when the folder cannot be
// read.
std::vector<FileStamp> scanFolder(const std::string& dir, const std::string& suffix,
                                  const std::string& only = "");

// A watch of dir's files, taking them as they are now (as built).
FileWatch makeWatch(const std::string& dir, const std::string& suffix, const std::string& only,
                    int64_t settleNs, int64_t graceNs);

// One poll of the files as scanned at nowNs. On WATCH_BUILD, *changed holds
// the names added, altered or removed, and *newestNs the time of the change
// (the newest write, or when a removal was first seen); the files are then
// taken as built. The caller builds and reports with settleBuild.
WatchStep stepWatch(FileWatch* watch, const std::vector<FileStamp>& files, int64_t nowNs,
                    std::vector<std::string>* changed, int64_t* newestNs);

// How the build that step asked for went; true when its error now stands and
// is to be shown.
bool settleBuild(FileWatch* watch, WatchStep step, bool built, int64_t nowNs);

// scanFolder and stepWatch.
WatchStep pollWatch(FileWatch* watch, int64_t nowNs, std::vector<std::string>* changed,
                    int64_t* newestNs);

// CLOCK_REALTIME in nanoseconds.
int64_t wallClockNs();
