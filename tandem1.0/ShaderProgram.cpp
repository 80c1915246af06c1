#include "ShaderProgram.h"

#include "App.h"
#include "GL.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

const char* const kFragmentShaderMarker = "//____FRAGMENT_SHADER____";

namespace {

std::string sourceUpToNul(const unsigned char* begin, const unsigned char* end) {
    const unsigned char* nul =
        static_cast<const unsigned char*>(memchr(begin, 0, size_t(end - begin)));
    return std::string(reinterpret_cast<const char*>(begin), size_t((nul ? nul : end) - begin));
}

std::string formatReport(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string formatReport(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(size_t(length > 0 ? length : 0), '\0');
    va_start(args, format);
    vsnprintf(&text[0], text.size() + 1, format, args);
    va_end(args);
    return text;
}

bool compile(GLhandleARB shader, const char* kind, const std::string& path,
             const std::string& source, std::string* report) {
    const GLcharARB* text = source.c_str();
    glShaderSourceARB(shader, 1, &text, nullptr);
    glCompileShaderARB(shader);
    GLint status = 0, logLength = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_COMPILE_STATUS_ARB, &status);
    glGetObjectParameterivARB(shader, GL_OBJECT_INFO_LOG_LENGTH_ARB, &logLength);
    if (status) return true;
    std::vector<char> log(size_t(logLength > 0 ? logLength : 1), '\0');
    if (logLength > 0) glGetInfoLogARB(shader, logLength, nullptr, log.data());
    log.back() = '\0';
    *report = formatReport("\n\tError compiling shader %s [%s]: (%i)\n%s", path.c_str(), kind,
                           logLength, log.data());
    return false;
}

bool link(GLhandleARB program, const std::string& path, std::string* report) {
    glLinkProgramARB(program);
    GLint linked = 0;
    glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (linked) return true;
    static const GLsizei kLinkLogCapacity = 1024;
    static char log[kLinkLogCapacity];
    log[0] = '\0';
    glGetInfoLogARB(program, kLinkLogCapacity, nullptr, log);
    *report = formatReport("\tError linking shader %s\n%s", path.c_str(), log);
    return false;
}

void deleteObjects(const ShaderObjects& objects) {
    glDeleteObjectARB(objects.program);
    glDeleteObjectARB(objects.vertexShader);
    glDeleteObjectARB(objects.fragmentShader);
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

bool buildShaderObjects(const unsigned char* bytes, int32_t size, const std::string& path,
                        ShaderObjects* out, std::string* report) {
    ShaderObjects objects;
    objects.vertexShader = glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
    objects.fragmentShader = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
    objects.program = glCreateProgramObjectARB();

    // Without the marker the split would hand the compiler a garbled pair of
    // sources; name the file instead.
    ShaderSources sources;
    bool built = splitShaderSource(bytes, size, &sources);
    if (!built)
        *report =
            formatReport("\tShader %s has no line %s between its vertex and fragment shader\n",
                         path.c_str(), kFragmentShaderMarker);
    built = built && compile(objects.vertexShader, "VS", path, sources.vertex, report) &&
            compile(objects.fragmentShader, "FS", path, sources.fragment, report);
    if (built) {
        glAttachObjectARB(objects.program, objects.vertexShader);
        glAttachObjectARB(objects.program, objects.fragmentShader);
        built = link(objects.program, path, report);
    }
    if (!built) {
        deleteObjects(objects);
        return false;
    }
    *out = objects;
    return true;
}

ShaderProgram::ShaderProgram(const char* fileName)
    : file(new DataFile(fileName)), program(0), vertexShader(0), fragmentShader(0),
      maxTextureUnit(0) {
    ShaderObjects objects;
    std::string report;
    if (!buildShaderObjects(file->data, file->size, file->path, &objects, &report))
        App::fail("%s", report.c_str());
    program = objects.program;
    vertexShader = objects.vertexShader;
    fragmentShader = objects.fragmentShader;
}

void ShaderProgram::replaceObjects(const ShaderObjects& objects) {
    deleteObjects(ShaderObjects{program, vertexShader, fragmentShader});
    program = objects.program;
    vertexShader = objects.vertexShader;
    fragmentShader = objects.fragmentShader;
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
