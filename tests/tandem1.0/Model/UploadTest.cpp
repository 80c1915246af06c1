// Mesh buffers in a real context: a GLUT window in a virtual X server on
// Mesa's software renderer. Reads every buffer back.
#include "ModelTestSupport.h"

#include "tandem1.0/GL.h"

#include <GL/freeglut.h>

#include <vector>

namespace {

template <typename T> std::vector<T> readBuffer(GLenum target, GLuint buffer, size_t count) {
    std::vector<T> out(count);
    glBindBufferARB(target, buffer);
    GLint size = 0;
    glGetBufferParameterivARB(target, GL_BUFFER_SIZE_ARB, &size);
    EXPECT_EQ(size_t(size), count * sizeof(T));
    glGetBufferSubDataARB(target, 0, GLsizeiptrARB(count * sizeof(T)), out.data());
    return out;
}

TEST(MeshUpload, BuffersHoldTheMeshAndOnlyTheIndexBufferStaysBound) {
    TandemSpace::Model* model = keep(new TandemSpace::Model{});
    writeDataFile("upload.obj", "g first\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nvt 1 1\n"
                                "f 1/1 2/1 3/1\nf 2/2 4/2 3/2\n"
                                "g next\nv 5 5 5\nv 6 5 5\nv 5 6 5\nf 5 6 7\n");
    model->loadModel("upload.obj");
    ASSERT_EQ(model->groups.size(), 2u);
    const Mesh* seam = model->groups[0];
    ASSERT_EQ(seam->vertexCount, 6); // two split copies
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
    EXPECT_EQ(bound, 0);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING_ARB, &bound);
    EXPECT_EQ(GLuint(bound), model->groups[1]->indexBuffer);

    EXPECT_EQ(readBuffer<float>(GL_ARRAY_BUFFER_ARB, seam->positionBuffer, 18),
              std::vector<float>(seam->positions, seam->positions + 18));
    EXPECT_EQ(readBuffer<float>(GL_ARRAY_BUFFER_ARB, seam->normalBuffer, 18),
              std::vector<float>(seam->normals, seam->normals + 18));
    EXPECT_EQ(readBuffer<float>(GL_ARRAY_BUFFER_ARB, seam->texcoordBuffer, 12),
              std::vector<float>(seam->texcoords, seam->texcoords + 12));
    EXPECT_EQ(readBuffer<int32_t>(GL_ELEMENT_ARRAY_BUFFER_ARB, seam->indexBuffer, 6),
              (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));

    const Mesh* plain = model->groups[1];
    EXPECT_EQ(plain->texcoordBuffer, 0u);
    EXPECT_NE(plain->positionBuffer, 0u);
    EXPECT_EQ(readBuffer<int32_t>(GL_ELEMENT_ARRAY_BUFFER_ARB, plain->indexBuffer, 3),
              (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow("model upload test");
    glutHideWindow();
    return RUN_ALL_TESTS();
}
