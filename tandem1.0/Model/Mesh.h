// Mesh: one welded group of a model, kept in memory and in four OpenGL vertex
// buffer objects.
//
// Mesh::fill does the CPU side: exact-size copies of the group's attributes
// and triangles and, when the file gave no normals, smooth normals (each
// triangle's unit normal summed on the first copy of each corner's position,
// shared with every split copy, then normalised). Mesh::upload creates the
// buffers and needs a current GL context; Mesh::build is both. Arrays and
// buffers are never freed: meshes live until the process ends.
//
// Degenerate input gives no NaN: a triangle without a direction (zero area)
// adds nothing, and a vertex whose sum is zero keeps a zero normal.
//
// Drawing: vertex array from positionBuffer (3 floats), normal array from
// normalBuffer, texture coordinates on client unit 0 from texcoordBuffer (2
// floats) only when texcoords exist, then GL_TRIANGLES with faceCount * 3
// GL_UNSIGNED_INT indices from indexBuffer.
#pragma once

#include "tandem1.0/GL.h"

#include <glm/glm.hpp>

#include <cstdint>

struct Mesh {
    int32_t vertexCount;
    int32_t faceCount;
    float* positions;         // 3 per vertex
    float* normals;           // 3 per vertex, copied or computed
    float* texcoords;         // 2 per vertex, or null
    int32_t* indices;         // 3 per triangle, welded vertex indices
    int32_t* positionIndices; // 3 per triangle, first copies; only with split vertices
    int32_t* splits;          // pairs (new copy, first copy); only with split vertices
    int32_t splitCount;       // int32 entries in splits
    int32_t positionFaceCount;
    GLuint positionBuffer;
    GLuint normalBuffer;
    GLuint texcoordBuffer; // 0 without texcoords
    GLuint indexBuffer;

    // texcoords and normals may be null; positionFaces and splits are null
    // (and positionFaceCount 0) when the group has no split vertices.
    static void fill(Mesh* mesh, const glm::vec3* positions, const glm::vec2* texcoords,
                     const glm::vec3* normals, const int32_t* faces, int32_t vertexCount,
                     int32_t faceCount, const int32_t* positionFaces, const int32_t* splits,
                     int32_t positionFaceCount, int32_t splitCount);
    static void upload(Mesh* mesh);
    static void build(Mesh* mesh, const glm::vec3* positions, const glm::vec2* texcoords,
                      const glm::vec3* normals, const int32_t* faces, int32_t vertexCount,
                      int32_t faceCount, const int32_t* positionFaces, const int32_t* splits,
                      int32_t positionFaceCount, int32_t splitCount);
};
