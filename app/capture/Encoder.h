// The video encoder of halcyon-capture: a child process started from an
// argument vector (no shell, so any byte of a path passes as it is), with a
// pipe to its standard input for the raw frames and its working folder set,
// so that it writes a name relative to that folder however long the folder's
// path. SIGPIPE is ignored in this process: an encoder that ends early shows
// as a failed write, never as a silent death of the capture.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

struct Encoder {
    int input = -1; // write end of the pipe to the encoder's stdin
    pid_t pid = -1;
};

// Starts argv[0], looked up in PATH, in the folder `folder` (a descriptor);
// false with errno set when it cannot be started.
bool startEncoder(const std::vector<std::string>& argv, int folder, Encoder* encoder);

// Writes all bytes; false when the encoder no longer takes them.
bool writeToEncoder(const Encoder& encoder, const void* bytes, size_t size);

// Closes the pipe and waits for the encoder to exit: true when it exited with
// status 0. The exited encoder is left unreaped (its process number stays
// its own) until reapEncoder, so that whatever recorded the number can forget
// it first.
bool finishEncoder(Encoder* encoder);
void reapEncoder(Encoder* encoder);

// Ends the encoder at once (SIGKILL), unless it was reaped already; finish and
// reap it as usual afterwards.
void killEncoder(const Encoder& encoder);
