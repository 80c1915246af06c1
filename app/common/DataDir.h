// The data directory of a relocatable build (HALCYON_RELOCATABLE): a folder
// named relative to the folder of the running executable, which is found
// through /proc/self/exe with its symbolic links resolved. An unpacked archive
// therefore runs from wherever it lies, also read-only. Builds with a fixed data
// directory never call this. Nothing here is checked for existence: a missing
// file is reported by its loader with the full path, as in every build.
#pragma once

#include <string>

// The folder of `exePath` (up to and including its last slash) followed by
// `relative`; `relative` alone when the path has no slash.
std::string dataDirBeside(const std::string& exePath, const char* relative);

// `relative` resolved against the running executable's folder. The string is
// static and lives as long as the process. Ends the process through App::fail
// when the executable's own path cannot be read.
const char* dataDirBesideExecutable(const char* relative);
