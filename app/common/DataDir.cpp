#include "DataDir.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <unistd.h>

#include "tandem1.0/App.h"

std::string dataDirBeside(const std::string& exePath, const char* relative) {
    const size_t slash = exePath.rfind('/');
    if (slash == std::string::npos) return relative;
    return exePath.substr(0, slash + 1) + relative;
}

const char* dataDirBesideExecutable(const char* relative) {
    static const char kSelf[] = "/proc/self/exe";
    // Room for the folder name the build gives, such as "data/".
    static const size_t kRelativeCapacity = 256;
    char exe[PATH_MAX];
    // readlink does not terminate; a result that fills the buffer may be cut.
    const ssize_t length = readlink(kSelf, exe, sizeof exe);
    if (length < 0 || size_t(length) >= sizeof exe)
        App::fail("Cannot find the program's folder: %s: %s\n", kSelf,
                  length < 0 ? strerror(errno) : "path too long");
    // Static storage without a destructor: the loaders may still name the
    // directory in a message while the process exits.
    static char dir[PATH_MAX + kRelativeCapacity];
    const std::string resolved = dataDirBeside(std::string(exe, size_t(length)), relative);
    if (resolved.size() >= sizeof dir)
        App::fail("Cannot find the program's folder: %s: path too long\n", kSelf);
    memcpy(dir, resolved.c_str(), resolved.size() + 1);
    return dir;
}
