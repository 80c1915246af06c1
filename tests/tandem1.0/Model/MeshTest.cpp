#include "ModelTestSupport.h"

#include <cmath>

namespace {

glm::vec3 normalAt(const Mesh& mesh, int vertex) {
    return glm::vec3(mesh.normals[vertex * 3], mesh.normals[vertex * 3 + 1],
                     mesh.normals[vertex * 3 + 2]);
}

void expectNear(glm::vec3 actual, glm::vec3 expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-6f);
    EXPECT_NEAR(actual.y, expected.y, 1e-6f);
    EXPECT_NEAR(actual.z, expected.z, 1e-6f);
}

TEST(MeshNormals, EveryTriangleCountsAsAUnitNormalWhateverItsArea) {
    // A large triangle in the xy plane and a small one in the xz plane share
    // vertices 0 and 1; the corner order gives +z and -y.
    const glm::vec3 positions[] = {{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 0.1f}};
    const int32_t faces[] = {0, 1, 2, 0, 1, 3};
    Mesh& mesh = *keep(new Mesh());
    Mesh::fill(&mesh, positions, nullptr, nullptr, faces, 4, 2, nullptr, nullptr, 0, 0);
    const float half = std::sqrt(0.5f);
    expectNear(normalAt(mesh, 0), glm::vec3(0, -half, half));
    expectNear(normalAt(mesh, 1), glm::vec3(0, -half, half));
    expectNear(normalAt(mesh, 2), glm::vec3(0, 0, 1));
    expectNear(normalAt(mesh, 3), glm::vec3(0, -1, 0));
    EXPECT_EQ(mesh.texcoords, nullptr);
    EXPECT_EQ(mesh.positionIndices, nullptr);
    EXPECT_EQ(mesh.splits, nullptr);
}

TEST(MeshNormals, DegenerateTrianglesAddNothingAndLeaveNoNaN) {
    // Triangle 1 repeats a vertex, triangle 2 has collinear corners; only
    // triangle 0 has a direction.
    const glm::vec3 positions[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0},
                                   {5, 5, 5}, {1, 1, 1}, {2, 2, 2}};
    const int32_t faces[] = {0, 1, 2, 0, 3, 3, 3, 4, 5};
    Mesh& mesh = *keep(new Mesh());
    Mesh::fill(&mesh, positions, nullptr, nullptr, faces, 6, 3, nullptr, nullptr, 0, 0);
    expectNear(normalAt(mesh, 0), glm::vec3(0, 0, 1));
    for (int v = 3; v < 6; v++)
        EXPECT_EQ(normalAt(mesh, v), glm::vec3(0)) << "vertex " << v;
}

TEST(MeshNormals, GivenNormalsAreKeptAsTheyAre) {
    const glm::vec3 positions[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const glm::vec3 normals[] = {{0, 0, 2}, {3, 0, 0}, {0, 0, 0}};
    const glm::vec2 texcoords[] = {{0.5f, 0.25f}, {1, 0}, {0, 1}};
    const int32_t faces[] = {2, 1, 0};
    const int32_t positionFaces[] = {2, 1, 0};
    const int32_t splits[] = {2, 0};
    Mesh& mesh = *keep(new Mesh());
    Mesh::fill(&mesh, positions, texcoords, normals, faces, 3, 1, positionFaces, splits, 1, 2);
    for (int v = 0; v < 3; v++)
        EXPECT_EQ(normalAt(mesh, v), normals[v]);
    ASSERT_NE(mesh.texcoords, nullptr);
    EXPECT_EQ(mesh.texcoords[0], 0.5f);
    EXPECT_EQ(mesh.texcoords[1], 0.25f);
    ASSERT_NE(mesh.splits, nullptr);
    EXPECT_EQ(mesh.splits[0], 2);
    EXPECT_EQ(mesh.positionIndices[0], 2);
    EXPECT_EQ(mesh.positionFaceCount, 1);
    EXPECT_EQ(mesh.indices[0], 2);
}

} // namespace
