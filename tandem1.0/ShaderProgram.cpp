#include "ShaderProgram.h"

#include "App.h"
#include "GL.h"

#include <cstring>
#include <vector>

const char* const kFragmentShaderMarker = "//____FRAGMENT_SHADER____";

namespace {

std::string sourceUpToNul(const unsigned char* begin, const unsigned char* end) {
    const unsigned char* nul =
        static_cast<const unsigned char*>(memchr(begin, 0, size_t(end - begin)));
    return std::string(reinterpret_cast<const char*>(begin), size_t((nul ? nul : end) - begin));
}

void compile(GLhandleARB shader, const char* kind, const std::string& path,
             const std::string& source) {
    const GLcharARB* text = source.c_str();
    glShaderSourceARB(shader, 1, &text, nullptr);
    glCompileShaderARB(shader);
    GLint status = 0, logLength = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &status);
    glGetObjectParameterivARB(shader, GL_OBJECT_INFO_LOG_LENGTH_ARB, &logLength);
    if (status) return;
    std::vector<char> log(size_t(logLength > 0 ? logLength : 1), '\0');
    if (logLength > 0) glGetInfoLogARB(shader, logLength, nullptr, log.data());
    log.back() = '\0';
    App::fail("\n\tError compiling shader %s [%s]: (%i)\n%s", path.c_str(), kind, logLength,
              log.data());
}

} // namespace

bool splitShaderSource(const unsigned char* bytes, int32_t size, ShaderSources* out) {
    const size_t markerLength = strlen(kFragmentShaderMarker);
    const unsigned char* end = bytes + (size > 0 ? size : 0);
    const unsigned char* marker = nullptr;
    for (const unsigned char* p = bytes; size_t(end - p) >= markerLength; ++p) {
        if (memcmp(p, kFragmentShaderMarker, markerLength) == 0) {
            marker = p;
            break;
        }
    }
    if (!marker) return false;
    out->vertex = sourceUpToNul(bytes, marker);
    out->fragment = sourceUpToNul(marker + markerLength, end);
    return true;
}

ShaderProgram::ShaderProgram(const char* fileName)
    : file(new DataFile(fileName)), program(0), vertexShader(0), fragmentShader(0),
      maxTextureUnit(0) {
    vertexShader = glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    fragmentShader = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
    program = glCreateProgramObjectARB();

    // Without the marker the split would hand the compiler a garbled pair of
    // sources; name the file instead.
    ShaderSources sources;
    if (!splitShaderSource(file->data, file->size, &sources))
        App::fail("\tShader %s has no line %s between its vertex and fragment shader\n",
                  file->path.c_str(), kFragmentShaderMarker);

    compile(vertexShader, "VS", file->path, sources.vertex);
    compile(fragmentShader, "FS", file->path, sources.fragment);

    glAttachObjectARB(program, vertexShader);
    glAttachObjectARB(program, fragmentShader);
    glLinkProgramARB(program);
    GLint linked = 0;
    glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (!linked) {
        static const GLsizei kLinkLogCapacity = 1024;
        static char log[kLinkLogCapacity];
        log[0] = '\0';
        glGetInfoLogARB(program, kLinkLogCapacity, nullptr, log);
        App::fail("\tError linking shader %s\n%s", file->path.c_str(), log);
    }
}

void ShaderProgram::bind() const {
    glUseProgramObjectARB(program);
}

void ShaderProgram::bindTexture(const char* uniform, uint32_t texture, uint32_t unit) {
    if (unit > maxTextureUnit) maxTextureUnit = unit;
    glActiveTexture(GL_TEXTURE0 + unit);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1iARB(glGetUniformLocationARB(program, uniform), GLint(unit));
}

void ShaderProgram::unbind() const {
    glUseProgramObjectARB(0);
    for (uint32_t unit = 0; unit <= maxTextureUnit; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glDisable(GL_TEXTURE_2D);
    }
}

void ShaderProgram::setInt(const char* uniform, int value) const {
    glUniform1iARB(glGetUniformLocationARB(program, uniform), value);
}

void ShaderProgram::setFloat(const char* uniform, float value) const {
    glUniform1fARB(glGetUniformLocationARB(program, uniform), value);
}

void ShaderProgram::setVec2(const char* uniform, float x, float y) const {
    glUniform2fARB(glGetUniformLocationARB(program, uniform), x, y);
}

void ShaderProgram::setVec3(const char* uniform, float x, float y, float z) const {
    glUniform3fARB(glGetUniformLocationARB(program, uniform), x, y, z);
}
