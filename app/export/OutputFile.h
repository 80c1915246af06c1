// Output files of the tools that never show a partial result: a file is
// written under a temporary name in its own folder and renamed to its final
// name only when complete, so the final name holds either the old file (or
// nothing) or the whole new one.
//
// Folders are opened one name at a time from an open folder, which also
// creates missing ones (like mkdir -p) and makes paths longer than the
// kernel's 4096-byte limit work. One temporary file exists at a time per
// process; it is removed when the process exits before committing it, and on
// SIGINT, SIGTERM, SIGHUP and SIGABRT. Errors come back as a one-line message
// (tool name, path, reason) for App::fail; nothing here exits.
#pragma once

#include <string>
#include <sys/types.h>

struct OutputFolder {
    int fd = -1;      // O_PATH descriptor of the folder, kept open
    std::string path; // as given, for messages
};

// Opens (with create, also makes) the folder; false and a message on failure.
bool openOutputFolder(const char* tool, const std::string& path, bool create, OutputFolder* folder,
                      std::string* error);

// Splits a file path into its folder (created when missing) and its name, and
// refuses a name that is a folder. The name is relative to folder->fd.
bool openOutputParent(const char* tool, const std::string& path, OutputFolder* folder,
                      std::string* name, std::string* error);

// A temporary name for this process in a folder: ".<tool>-<pid>-<8 random hex
// digits>" plus the suffix, new at every call, so that no leftover of an
// earlier run with the same process number (one killed outright, or every
// run in a container where the tool is process 1) stands in the way.
std::string temporaryName(const char* tool, const std::string& suffix);

// Creates a temporary file under a new temporary name with this suffix (empty,
// replacing none; a name taken already is tried again with another), records
// it for removal and sets `temporary` to its name; returns its descriptor, or
// -1 and a message.
int createTemporary(const char* tool, const OutputFolder& folder, const std::string& suffix,
                    std::string* temporary, std::string* error);

// The process to end before the temporary file is removed at exit (the encoder
// that writes it), or 0 for none. Clear it before reaping the process: a
// reaped process's number may belong to another process (see finishEncoder).
void setTemporaryWriter(pid_t pid);

// Flushes the temporary file to disk, renames it to `name` and forgets it;
// `shown` is the final path as the user wrote it, for the message.
bool commitTemporary(const char* tool, const OutputFolder& folder, const std::string& name,
                     const std::string& shown, std::string* error);

// Removes the temporary file now, if there is one.
void discardTemporary();

// Files a step of the export writes beside the temporary one (a two-pass
// export's lossless intermediate, its encoder's pass logs): removed at exit
// and on the same signals, or by removeScratchFiles, whichever comes first.
// At most a few names, each shorter than 200 bytes; false when they do not fit.
bool addScratchFile(const OutputFolder& folder, const std::string& name);
void removeScratchFiles();
