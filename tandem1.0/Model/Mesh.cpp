#include "tandem1.0/Model/Mesh.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kCorners = 3;

// Scales v to unit length. A zero, denormal-small or overflowing length has no
// usable direction: v becomes zero instead of NaN or infinity.
glm::vec3 unitOrZero(glm::vec3 v) {
    const float length = sqrtf(v.x * v.x + v.y * v.y + v.z * v.z);
    const float inverse = 1.0f / length;
    if (!(length > 0.0f) || !std::isfinite(length) || !std::isfinite(inverse))
        return glm::vec3(0.0f);
    return v * inverse;
}

void computeNormals(Mesh* mesh) {
    glm::vec3* normals = reinterpret_cast<glm::vec3*>(mesh->normals);
    const glm::vec3* positions = reinterpret_cast<const glm::vec3*>(mesh->positions);
    memset(normals, 0, sizeof(glm::vec3) * size_t(mesh->vertexCount));

    // With split vertices the sums go to each position's first copy only, so
    // that every copy ends up with the same smooth normal.
    const int32_t* triangles = mesh->positionIndices ? mesh->positionIndices : mesh->indices;
    for (int32_t f = 0; f < mesh->faceCount; f++) {
        const int32_t u = triangles[f * kCorners];
        const int32_t v = triangles[f * kCorners + 1];
        const int32_t w = triangles[f * kCorners + 2];
        const glm::vec3 a = positions[u] - positions[w];
        const glm::vec3 b = positions[v] - positions[w];
        const glm::vec3 n(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
        const glm::vec3 unit = unitOrZero(n);
        normals[u] += unit;
        normals[v] += unit;
        normals[w] += unit;
    }
    if (mesh->positionIndices) {
        for (int32_t i = 0; i + 1 < mesh->splitCount; i += 2)
            normals[mesh->splits[i]] = normals[mesh->splits[i + 1]];
    }
    for (int32_t i = 0; i < mesh->vertexCount; i++)
        normals[i] = unitOrZero(normals[i]);
}

GLuint createBuffer(GLenum target, GLsizeiptrARB bytes, const void* data) {
    GLuint name = 0;
    glGenBuffersARB(1, &name);
    glBindBufferARB(target, name);
    glBufferDataARB(target, bytes, data, GL_STATIC_DRAW_ARB);
    return name;
}

} // namespace

void Mesh::fill(Mesh* mesh, const glm::vec3* positions, const glm::vec2* texcoords,
                const glm::vec3* normals, const int32_t* faces, int32_t vertexCount,
                int32_t faceCount, const int32_t* positionFaces, const int32_t* splits,
                int32_t positionFaceCount, int32_t splitCount) {
    const size_t vertices = size_t(vertexCount);
    const size_t corners = size_t(faceCount) * kCorners;
    mesh->vertexCount = vertexCount;
    mesh->faceCount = faceCount;
    mesh->positions = new float[vertices * 3];
    mesh->normals = new float[vertices * 3];
    mesh->texcoords = texcoords ? new float[vertices * 2] : nullptr;
    mesh->indices = new int32_t[corners];
    mesh->positionIndices = nullptr;
    mesh->splits = nullptr;
    mesh->splitCount = splitCount;
    mesh->positionFaceCount = positionFaceCount;
    mesh->positionBuffer = mesh->normalBuffer = mesh->texcoordBuffer = mesh->indexBuffer = 0;

    memcpy(mesh->positions, positions, sizeof(glm::vec3) * vertices);
    if (normals) memcpy(mesh->normals, normals, sizeof(glm::vec3) * vertices);
    if (texcoords) memcpy(mesh->texcoords, texcoords, sizeof(glm::vec2) * vertices);
    memcpy(mesh->indices, faces, sizeof(int32_t) * corners);

    if (splitCount > 0) {
        mesh->positionIndices = new int32_t[corners];
        memcpy(mesh->positionIndices, positionFaces, sizeof(int32_t) * corners);
        mesh->splits = new int32_t[size_t(splitCount)];
        memcpy(mesh->splits, splits, sizeof(int32_t) * size_t(splitCount));
    }
    if (!normals) computeNormals(mesh);
}

void Mesh::upload(Mesh* mesh) {
    const GLsizeiptrARB vertices = mesh->vertexCount;
    mesh->positionBuffer =
        createBuffer(GL_ARRAY_BUFFER_ARB, vertices * sizeof(glm::vec3), mesh->positions);
    mesh->normalBuffer =
        createBuffer(GL_ARRAY_BUFFER_ARB, vertices * sizeof(glm::vec3), mesh->normals);
    if (mesh->texcoords)
        mesh->texcoordBuffer =
            createBuffer(GL_ARRAY_BUFFER_ARB, vertices * sizeof(glm::vec2), mesh->texcoords);
    mesh->indexBuffer =
        createBuffer(GL_ELEMENT_ARRAY_BUFFER_ARB,
                     GLsizeiptrARB(mesh->faceCount) * kCorners * sizeof(int32_t), mesh->indices);
    // The index buffer stays bound to the element target on purpose.
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

void Mesh::build(Mesh* mesh, const glm::vec3* positions, const glm::vec2* texcoords,
                 const glm::vec3* normals, const int32_t* faces, int32_t vertexCount,
                 int32_t faceCount, const int32_t* positionFaces, const int32_t* splits,
                 int32_t positionFaceCount, int32_t splitCount) {
    fill(mesh, positions, texcoords, normals, faces, vertexCount, faceCount, positionFaces, splits,
         positionFaceCount, splitCount);
    upload(mesh);
}
