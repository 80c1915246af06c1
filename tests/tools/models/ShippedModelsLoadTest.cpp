// Every shipped symbol model loads through the program's loader without a
// failed check, within the triangle budget, closed and facing outward, with
// finite unit normals.
#include "tandem1.0/AssetTable.h"
#include "tandem1.0/Model/Model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using TandemSpace::Model;

namespace {

const int32_t kMinTriangles = 500;
const int32_t kMaxTriangles = 60000;

// Six times the enclosed volume: positive when the faces wind counter-clockwise
// seen from outside.
double signedVolume6(const Mesh& m) {
    double sum = 0.0;
    for (int32_t f = 0; f < m.faceCount; ++f) {
        const float* a = &m.positions[3 * m.indices[3 * f]];
        const float* b = &m.positions[3 * m.indices[3 * f + 1]];
        const float* c = &m.positions[3 * m.indices[3 * f + 2]];
        sum += a[0] * (double(b[1]) * c[2] - double(b[2]) * c[1]) -
               a[1] * (double(b[0]) * c[2] - double(b[2]) * c[0]) +
               a[2] * (double(b[0]) * c[1] - double(b[1]) * c[0]);
    }
    return sum;
}

} // namespace

TEST(ShippedModels, LoadThroughTheProgramsLoader) {
    for (int n = 1; n <= kModelCount; ++n) {
        const std::string name = "symbol" + std::to_string(n) + ".obj";
        SCOPED_TRACE(name);
        Model model{};
        model.loadModel(name, TandemSpace::MeshUpload::None);
        ASSERT_FALSE(model.groups.empty());
        EXPECT_LE(int32_t(model.groups.size()), model.numgroups);

        int32_t triangles = 0;
        double volume6 = 0.0;
        for (const Mesh* mesh : model.groups) {
            triangles += mesh->faceCount;
            volume6 += signedVolume6(*mesh);
            for (int32_t v = 0; v < mesh->vertexCount; ++v) {
                const float* nrm = &mesh->normals[3 * v];
                const float length = std::sqrt(nrm[0] * nrm[0] + nrm[1] * nrm[1] + nrm[2] * nrm[2]);
                ASSERT_NEAR(length, 1.0f, 1e-3f) << "vertex " << v;
            }
        }
        EXPECT_GE(triangles, kMinTriangles);
        EXPECT_LE(triangles, kMaxTriangles);
        EXPECT_GT(volume6, 0.0) << "faces wind inward";
    }
}
