#include "Encoder.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

bool startEncoder(const std::vector<std::string>& argv, int folder, Encoder* encoder) {
    signal(SIGPIPE, SIG_IGN);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
    posix_spawn_file_actions_addfchdir_np(&actions, folder);
    // The encoder gets SIGPIPE back as it would from a shell.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int status = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipeFds[0]);
    if (status != 0) {
        close(pipeFds[1]);
        errno = status;
        return false;
    }
    encoder->input = pipeFds[1];
    encoder->pid = pid;
    return true;
}

bool writeToEncoder(const Encoder& encoder, const void* bytes, size_t size) {
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t written = write(encoder.input, next, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        next += written;
        size -= size_t(written);
    }
    return true;
}

bool finishEncoder(Encoder* encoder) {
    if (encoder->input >= 0) close(encoder->input);
    encoder->input = -1;
    siginfo_t exited = {};
    int waited;
    do {
        waited = waitid(P_PID, id_t(encoder->pid), &exited, WEXITED | WNOWAIT);
    } while (waited < 0 && errno == EINTR);
    return waited == 0 && exited.si_code == CLD_EXITED && exited.si_status == 0;
}

void reapEncoder(Encoder* encoder) {
    if (encoder->pid <= 0) return;
    while (waitpid(encoder->pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    encoder->pid = -1;
}

void killEncoder(const Encoder& encoder) {
    if (encoder.pid > 0) kill(encoder.pid, SIGKILL);
}
