// Shared helpers of the model tests: OBJ files in the test's data directory,
// CPU-only loads, and the exact check report as a death-test pattern.
#pragma once

#include "tandem1.0/Model/Model.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

inline void writeDataFile(const std::string& name, const std::string& bytes) {
    FILE* file = fopen((std::string(kDataDir) + name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

// Models and meshes are never freed; keeping them reachable tells the leak
// checker so.
template <typename T> T* keep(T* object) {
    static std::vector<T*>* kept = new std::vector<T*>(); // outlives the exit-time check
    kept->push_back(object);
    return object;
}

inline TandemSpace::Model* loadText(const std::string& name, const std::string& text) {
    writeDataFile(name, text);
    TandemSpace::Model* model = keep(new TandemSpace::Model{});
    model->loadModel(name, TandemSpace::MeshUpload::None);
    return model;
}

inline std::string escapeRegex(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
        out += c;
    }
    return out;
}

// The whole of standard error: program, source, any line, function, condition.
inline std::string checkReport(const char* source, const char* function, const char* condition) {
    return "^" + escapeRegex(program_invocation_name) + ": " + escapeRegex(source) +
           ":[0-9]+: " + escapeRegex(function) + ": Assertion `" + escapeRegex(condition) +
           "' failed\\.\n$";
}

#define EXPECT_MODEL_CHECK(statement, source, function, condition)                                 \
    EXPECT_EXIT(statement, ::testing::KilledBySignal(SIGABRT),                                     \
                checkReport(source, function, condition))

constexpr const char* kModelSource = "tandem1.0/Model/Model.cpp";
constexpr const char* kLoadModelText = "void TandemSpace::Model::loadModel(std::string)";
