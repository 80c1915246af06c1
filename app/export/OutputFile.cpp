#include "OutputFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

const mode_t kFolderMode = 0777; // less the umask, as mkdir does
const mode_t kFileMode = 0666;
// A name taken already (another run's leftover) is tried again with new random
// bits; this many collisions in a row mean something else is wrong.
const int kTemporaryTries = 64;

// The one temporary file, in fixed storage so that the signal handler can
// remove it without allocating. The name is written before the folder, which
// arms the record: the handler, in whichever thread it runs, reads the folder
// first and touches nothing while it is -1.
struct Pending {
    std::atomic<int> folder{-1};
    char name[256] = {};
    std::atomic<pid_t> writer{0};
};
Pending pending;

// Scratch files, in fixed storage for the same reason; `count` arms each name.
const int kMaxScratch = 8;
const size_t kScratchName = 200;
struct Scratch {
    std::atomic<int> folder{-1};
    char names[kMaxScratch][kScratchName] = {};
    std::atomic<int> count{0};
};
Scratch scratch;

void removeScratch() {
    const int folder = scratch.folder.load(std::memory_order_acquire);
    const int count = scratch.count.exchange(0);
    for (int i = 0; folder >= 0 && i < count; ++i)
        unlinkat(folder, scratch.names[i], 0);
}

void removePending() {
    const int folder = pending.folder.load(std::memory_order_acquire);
    if (folder < 0) return;
    const pid_t writer = pending.writer.exchange(0);
    if (writer > 0) {
        // The encoder still holds the file open and would rewrite it. It is never reaped before
        // its number is cleared, so the number is still its own.
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
    }
    unlinkat(folder, pending.name, 0);
    pending.folder.store(-1, std::memory_order_release);
}

void removeAll() {
    removePending();
    removeScratch();
}

void onSignal(int signal) {
    removeAll();
    ::signal(signal, SIG_DFL);
    raise(signal);
}

void registerCleanUp() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    atexit(removeAll);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGABRT})
        ::signal(signal, onSignal);
}

// Random bits for a name; the clock where the kernel has none to give.
uint32_t randomBits() {
    uint32_t bits = 0;
    if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) == sizeof bits) return bits;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    static uint32_t calls = 0;
    return uint32_t(now.tv_nsec) ^ uint32_t(now.tv_sec) * 2654435761u ^ ++calls;
}

std::string failure(const char* tool, const char* what, const std::string& path, int error) {
    return std::string(tool) + ": " + what + " " + path + ": " + strerror(error) + "\n";
}

} // namespace

bool openOutputFolder(const char* tool, const std::string& path, bool create, OutputFolder* folder,
                      std::string* error) {
    const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    int fd = open(path.empty() || path[0] != '/' ? "." : "/", flags);
    size_t start = 0;
    while (fd >= 0 && start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        int next = openat(fd, part.c_str(), flags);
        if (next < 0 && errno == ENOENT && create) {
            if (mkdirat(fd, part.c_str(), kFolderMode) != 0 && errno != EEXIST) {
                const int code = errno;
                close(fd);
                *error = failure(tool, "cannot create folder", path, code);
                return false;
            }
            next = openat(fd, part.c_str(), flags);
        }
        const int code = errno;
        close(fd);
        fd = next;
        errno = code;
    }
    if (fd < 0) {
        *error = failure(tool, create ? "cannot create folder" : "cannot open folder", path, errno);
        return false;
    }
    folder->fd = fd;
    folder->path = path;
    return true;
}

bool openOutputParent(const char* tool, const std::string& path, OutputFolder* folder,
                      std::string* name, std::string* error) {
    const size_t slash = path.rfind('/');
    *name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name->empty() || *name == "." || *name == "..") {
        *error = failure(tool, "cannot write", path, EISDIR);
        return false;
    }
    const std::string parent = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (!openOutputFolder(tool, parent, true, folder, error)) return false;
    struct stat existing;
    if (fstatat(folder->fd, name->c_str(), &existing, 0) == 0 && S_ISDIR(existing.st_mode)) {
        *error = failure(tool, "cannot write", path, EISDIR);
        return false;
    }
    return true;
}

std::string temporaryName(const char* tool, const std::string& suffix) {
    char bits[9];
    snprintf(bits, sizeof bits, "%08x", randomBits());
    return "." + std::string(tool) + "-" + std::to_string(getpid()) + "-" + bits + suffix;
}

int createTemporary(const char* tool, const OutputFolder& folder, const std::string& suffix,
                    std::string* temporary, std::string* error) {
    registerCleanUp();
    for (int attempt = 0; attempt < kTemporaryTries; ++attempt) {
        *temporary = temporaryName(tool, suffix);
        if (temporary->size() >= sizeof pending.name) {
            *error = failure(tool, "cannot write in", folder.path, ENAMETOOLONG);
            return -1;
        }
        // Recorded before the file is made, so that no signal (in any thread) can come between
        // the two and leave a file the handler does not know of; until then the handler removes
        // a name that is not there, or a dead run's leftover of the same name.
        snprintf(pending.name, sizeof pending.name, "%s", temporary->c_str());
        pending.folder.store(folder.fd, std::memory_order_release);
        const int fd = openat(folder.fd, temporary->c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
        if (fd >= 0) return fd;
        const int code = errno;
        pending.folder.store(-1, std::memory_order_release);
        if (code != EEXIST) {
            *error = failure(tool, "cannot write in", folder.path, code);
            return -1;
        }
    }
    *error = failure(tool, "cannot write in", folder.path, EEXIST);
    return -1;
}

void setTemporaryWriter(pid_t pid) {
    pending.writer.store(pid);
}

bool commitTemporary(const char* tool, const OutputFolder& folder, const std::string& name,
                     const std::string& path, std::string* error) {
    pending.writer.store(0);
    const int fd = openat(folder.fd, pending.name, O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    const int syncError = errno;
    if (fd >= 0) close(fd);
    if (!synced) {
        *error = failure(tool, "cannot write", path, syncError);
        discardTemporary();
        return false;
    }
    if (renameat(folder.fd, pending.name, folder.fd, name.c_str()) != 0) {
        *error = failure(tool, "cannot write", path, errno);
        discardTemporary();
        return false;
    }
    pending.folder.store(-1, std::memory_order_release);
    return true;
}

void discardTemporary() {
    removePending();
}

bool addScratchFile(const OutputFolder& folder, const std::string& name) {
    registerCleanUp();
    const int count = scratch.count.load();
    if (count == kMaxScratch || name.size() >= kScratchName) return false;
    snprintf(scratch.names[count], kScratchName, "%s", name.c_str());
    scratch.folder.store(folder.fd, std::memory_order_release);
    scratch.count.store(count + 1);
    return true;
}

void removeScratchFiles() {
    removeScratch();
}
