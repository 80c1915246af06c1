// The show's shaders against the GLSL reference compiler (glslangValidator),
// not only the driver that draws them here: every stage as the program splits
// its file, compiled for the version it declares, and each file's two stages
// linked together, so that what one vendor's compiler lets pass and another's
// refuses is found before a party's machine finds it.
#include "tandem1.0/ShaderProgram.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Validation {
    int status;
    std::string output;
};

// The validator's status and everything it printed.
Validation validate(const std::string& arguments) {
    const std::string command = std::string(HALCYON_GLSLANG) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    Validation run{-1, ""};
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string scratchFolder() {
    char dir[] = "/tmp/halcyon-shaders-XXXXXX";
    return mkdtemp(dir) ? dir : "";
}

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A stage without #version is read as 1.10 by desktop drivers and as ES 1.00
// by the reference compiler: every stage names its own.
std::string declaredVersion(const std::string& source) {
    std::smatch found;
    static const std::regex version("(^|\n)[ \t]*#[ \t]*version[ \t]+([0-9]+)");
    return std::regex_search(source, found, version) ? found[2].str() : "";
}

TEST(Shaders, EveryStageCompilesAndLinksWithTheReferenceCompiler) {
    const std::string dir = scratchFolder();
    ASSERT_FALSE(dir.empty());
    std::istringstream names(HALCYON_SHADER_FILES);
    std::string name;
    int files = 0;
    while (std::getline(names, name, ',')) {
        std::ifstream in(std::string(HALCYON_SHADER_DIR) + "/" + name + ".glsl", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << name;
        ShaderSources sources;
        ASSERT_TRUE(splitShaderSource(reinterpret_cast<const unsigned char*>(bytes.data()),
                                      int32_t(bytes.size()), &sources))
            << name;
        const std::string vertex = dir + "/" + name + ".vert";
        const std::string fragment = dir + "/" + name + ".frag";
        write(vertex, sources.vertex);
        write(fragment, sources.fragment);
        for (const std::string& stage : {vertex, fragment}) {
            EXPECT_NE(declaredVersion(stage == vertex ? sources.vertex : sources.fragment), "")
                << stage << " declares no #version";
            const Validation run = validate(stage);
            EXPECT_EQ(run.status, 0) << run.output;
            EXPECT_EQ(run.output.find("WARNING"), std::string::npos) << run.output;
        }
        const Validation linked = validate("-l " + vertex + " " + fragment);
        EXPECT_EQ(linked.status, 0) << name << ": " << linked.output;
        unlink(vertex.c_str());
        unlink(fragment.c_str());
        ++files;
    }
    EXPECT_EQ(files, 8);
    rmdir(dir.c_str());
}

// The check above passes only because the shaders are sound: the validator
// fails stages and pairs that are not.
TEST(Shaders, ReferenceCompilerRefusesWhatIsWrong) {
    const std::string dir = scratchFolder();
    ASSERT_FALSE(dir.empty());
    const struct {
        const char* what;
        const char* vertex;
        const char* fragment;
    } cases[] = {
        // GLSL 1.20 has no texture() (1.30 on): drivers with a newer default accept it.
        {"newer built-in", "#version 120\nvoid main() { gl_Position = ftransform(); }\n",
         "#version 120\nuniform sampler2D s;\n"
         "void main() { gl_FragColor = texture(s, vec2(0.0)); }\n"},
        // 1.10 converts no int to float (1.20 does).
        {"implicit conversion", "#version 110\nvoid main() { gl_Position = ftransform(); }\n",
         "#version 110\nvoid main() { float x = 1; gl_FragColor = vec4(x); }\n"},
    };
    for (const auto& c : cases) {
        const std::string vertex = dir + "/case.vert", fragment = dir + "/case.frag";
        write(vertex, c.vertex);
        write(fragment, c.fragment);
        const Validation alone = validate(fragment),
                         linked = validate("-l " + vertex + " " + fragment);
        EXPECT_TRUE(alone.status != 0 || linked.status != 0) << c.what;
        unlink(vertex.c_str());
        unlink(fragment.c_str());
    }
    rmdir(dir.c_str());
}

} // namespace
