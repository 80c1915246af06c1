#include "tracks/EditHistory.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trackc {

namespace {

using Entry = std::vector<FileChange>;

std::vector<std::string> filesOf(const std::vector<Entry>& side) {
    std::vector<std::string> files;
    if (side.empty()) return files;
    for (const FileChange& change : side.back())
        files.push_back(change.file);
    return files;
}

// Moves the last entry of `from` to `to` when every file holds what `from`
// left in it (after bytes for an undo, before bytes for a redo).
bool step(std::vector<Entry>* from, std::vector<Entry>* to, bool undoing,
          const std::vector<FileBytes>& current, std::vector<FileBytes>* writes, Error* error) {
    error->file.clear();
    error->line = 0;
    if (from->empty()) {
        error->message = undoing ? "nothing to undo" : "nothing to redo";
        return false;
    }
    const Entry& entry = from->back();
    for (const FileChange& change : entry) {
        const std::string& expected = undoing ? change.after : change.before;
        const FileBytes* now = nullptr;
        for (const FileBytes& candidate : current)
            if (candidate.file == change.file) now = &candidate;
        if (now == nullptr || now->bytes != expected) {
            error->file = change.file;
            error->message = std::string("changed since the studio wrote it; not ") +
                             (undoing ? "undone" : "redone");
            return false;
        }
    }
    writes->clear();
    for (const FileChange& change : entry)
        writes->push_back(FileBytes{change.file, undoing ? change.before : change.after});
    to->push_back(entry);
    from->pop_back();
    return true;
}

bool failWrite(Error* error, const std::string& path, const char* what) {
    error->file = path;
    error->line = 0;
    error->message = std::string(what) + ": " + std::strerror(errno);
    return false;
}

} // namespace

void recordEdit(EditHistory* history, const std::vector<FileChange>& changes) {
    Entry entry;
    for (const FileChange& change : changes)
        if (change.before != change.after) entry.push_back(change);
    if (entry.empty()) return;
    history->undo.push_back(entry);
    if (history->undo.size() > kMaxEditHistory) history->undo.erase(history->undo.begin());
    history->redo.clear();
}

std::vector<std::string> undoFiles(const EditHistory& history) {
    return filesOf(history.undo);
}

std::vector<std::string> redoFiles(const EditHistory& history) {
    return filesOf(history.redo);
}

bool undoEdit(EditHistory* history, const std::vector<FileBytes>& current,
              std::vector<FileBytes>* writes, Error* error) {
    return step(&history->undo, &history->redo, true, current, writes, error);
}

bool redoEdit(EditHistory* history, const std::vector<FileBytes>& current,
              std::vector<FileBytes>* writes, Error* error) {
    return step(&history->redo, &history->undo, false, current, writes, error);
}

bool writeFileAtomically(const std::string& path, const std::string& bytes, Error* error) {
    // Through a symbolic link: the file it names is replaced, the link stays.
    std::string target = path;
    char resolved[PATH_MAX];
    struct stat linkInfo;
    if (lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        if (realpath(path.c_str(), resolved) == nullptr)
            return failWrite(error, path, "cannot follow the link");
        target = resolved;
    }
    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    int fd = mkstemp(&temporary[0]);
    if (fd < 0) return failWrite(error, path, "cannot create a file beside it");
    struct stat info;
    bool ok = true;
    const char* what = "";
    if (stat(target.c_str(), &info) == 0 && fchmod(fd, info.st_mode & 07777) != 0) {
        ok = false;
        what = "cannot keep its permissions";
    }
    size_t written = 0;
    while (ok && written < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            what = "cannot write";
        } else {
            written += size_t(n);
        }
    }
    if (ok && fsync(fd) != 0) {
        ok = false;
        what = "cannot flush";
    }
    int savedErrno = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        what = "cannot write";
        savedErrno = errno;
    }
    if (ok && rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        what = "cannot replace";
        savedErrno = errno;
    }
    if (ok) return true;
    unlink(temporary.c_str());
    errno = savedErrno;
    return failWrite(error, path, what);
}

} // namespace trackc
