#include "OutputFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const mode_t kFolderMode = 0777; // less the umask, as mkdir does
const mode_t kFileMode = 0666;

// The one temporary file, in fixed storage so that the signal handler can
// remove it without allocating.
struct Pending {
    int folder = -1;
    char name[256] = {};
    pid_t writer = 0;
};
Pending pending;

void removePending() {
    if (pending.folder < 0) return;
    if (pending.writer > 0) {
        // The encoder still holds the file open and would rewrite it.
        kill(pending.writer, SIGKILL);
        waitpid(pending.writer, nullptr, 0);
        pending.writer = 0;
    }
    unlinkat(pending.folder, pending.name, 0);
    pending.folder = -1;
}

void onSignal(int signal) {
    removePending();
    ::signal(signal, SIG_DFL);
    raise(signal);
}

void registerCleanUp() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    atexit(removePending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGABRT})
        ::signal(signal, onSignal);
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
    return "." + std::string(tool) + "-" + std::to_string(getpid()) + suffix;
}

int createTemporary(const char* tool, const OutputFolder& folder, const std::string& temporary,
                    std::string* error) {
    if (temporary.size() >= sizeof pending.name) {
        *error = failure(tool, "cannot write in", folder.path, ENAMETOOLONG);
        return -1;
    }
    registerCleanUp();
    const int fd =
        openat(folder.fd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
    if (fd < 0) {
        *error = failure(tool, "cannot write in", folder.path, errno);
        return -1;
    }
    snprintf(pending.name, sizeof pending.name, "%s", temporary.c_str());
    pending.folder = folder.fd;
    return fd;
}

void setTemporaryWriter(pid_t pid) {
    pending.writer = pid;
}

bool commitTemporary(const char* tool, const OutputFolder& folder, const std::string& name,
                     const std::string& path, std::string* error) {
    pending.writer = 0;
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
    pending.folder = -1;
    return true;
}

void discardTemporary() {
    removePending();
}
