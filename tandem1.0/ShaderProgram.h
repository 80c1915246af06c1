// ShaderProgram: one linked GLSL program from one file of the data directory.
//
// The file holds the vertex shader, the marker line below, then the fragment
// shader; both read the fixed-function inputs (no generic attributes). Passes
// use bind, bindTexture per sampler (units counted up from 0), uniforms by
// name looked up at each use, then unbind, which also switches 2D texturing
// off on every unit the program has ever used. Programs live until exit; any
// read, compile or link error at load ends the process through App::fail.
#pragma once

#include "DataFile.h"

#include <cstdint>
#include <string>

// Splits a shader file; written on a line of its own it also reads as a GLSL
// comment.
extern const char* const kFragmentShaderMarker;

struct ShaderSources {
    std::string vertex;
    std::string fragment;
};

// Splits at the first marker: the vertex source is every byte before it, the
// fragment source every byte after it. Each source ends at its first NUL, as
// the compiler would read it. Returns false when the text has no marker.
bool splitShaderSource(const unsigned char* bytes, int32_t size, ShaderSources* out);

// The GL objects of one linked program.
struct ShaderObjects {
    uint32_t program;
    uint32_t vertexShader;
    uint32_t fragmentShader;
};

// Compiles and links a shader file's bytes without ending the process, for
// the loader and for tools that rebuild shaders while the show runs. On
// failure *report holds the message the loader prints (the driver's log,
// naming `path`) and no object is left behind.
bool buildShaderObjects(const unsigned char* bytes, int32_t size, const std::string& path,
                        ShaderObjects* out, std::string* report);

struct ShaderProgram {
    DataFile* file;
    uint32_t program;
    uint32_t vertexShader;
    uint32_t fragmentShader;
    uint32_t maxTextureUnit;

    explicit ShaderProgram(const char* fileName);

    // Takes over freshly built objects and deletes the ones in use; uniforms
    // are looked up at each use, so the passes need no other change.
    void replaceObjects(const ShaderObjects& objects);

    void bind() const;
    void bindTexture(const char* uniform, uint32_t texture, uint32_t unit);
    void unbind() const;

    void setInt(const char* uniform, int value) const;
    void setFloat(const char* uniform, float value) const;
    void setVec2(const char* uniform, float x, float y) const;
    void setVec3(const char* uniform, float x, float y, float z) const;
};
