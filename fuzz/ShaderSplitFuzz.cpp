// Shader files: any bytes split at the marker into the two sources the
// compiler gets. Besides memory safety, the split must hand out exactly the
// bytes around the first marker, each cut at its first NUL.
#include "fuzz/FuzzSupport.h"
#include "tandem1.0/ShaderProgram.h"

#include <climits>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > INT32_MAX) return 0;
    ShaderSources sources;
    if (!splitShaderSource(data, int32_t(size), &sources)) {
        if (memmem(data, size, kFragmentShaderMarker, strlen(kFragmentShaderMarker)))
            __builtin_trap(); // a marker was there
        return 0;
    }
    const uint8_t* marker = static_cast<const uint8_t*>(
        memmem(data, size, kFragmentShaderMarker, strlen(kFragmentShaderMarker)));
    if (!marker) __builtin_trap();
    const size_t before = size_t(marker - data);
    const size_t after = size - before - strlen(kFragmentShaderMarker);
    if (sources.vertex.size() > before || sources.fragment.size() > after) __builtin_trap();
    if (memcmp(sources.vertex.data(), data, sources.vertex.size()) != 0) __builtin_trap();
    if (memchr(sources.vertex.data(), 0, sources.vertex.size()) ||
        memchr(sources.fragment.data(), 0, sources.fragment.size()))
        __builtin_trap();
    return 0;
}
