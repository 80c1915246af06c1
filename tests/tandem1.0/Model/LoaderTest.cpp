#include "ModelTestSupport.h"

#include "tandem1.0/Model/Welding.h"

#include <cmath>
#include <vector>

using namespace TandemSpace;

namespace {

const char* const kGetlineText = "int getline(unsigned char*, char*, int*, int)";
const char* const kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

std::vector<float> floats(const float* data, int count) {
    return std::vector<float>(data, data + count);
}
std::vector<int32_t> ints(const int32_t* data, int count) {
    return std::vector<int32_t>(data, data + count);
}

TEST(ModelLoader, GroupStatementsOnlyBoundTheGroupCount) {
    Model* oOnly = loadText("o-only.obj", "o thing\n" + std::string(kTriangle) + "f 1 2 3\n");
    EXPECT_EQ(oOnly->numgroups, 1);
    ASSERT_EQ(oOnly->groups.size(), 1u);
    EXPECT_EQ(oOnly->groups[0]->faceCount, 1);

    Model* none = loadText("no-statements.obj", std::string(kTriangle) + "f 1 2 3\n");
    EXPECT_EQ(none->numgroups, 1);
    EXPECT_EQ(none->groups.size(), 1u);

    // "o" and "g" per object: three statements, two groups.
    Model* both = loadText("o-and-g.obj", "o a\ng a\n" + std::string(kTriangle) + "f 1 2 3\no b\n" +
                                              kTriangle + "f 4 5 6\n");
    EXPECT_EQ(both->numgroups, 3);
    EXPECT_EQ(both->groups.size(), 2u);
}

TEST(ModelLoader, SecondGroupIndicesAreWholeFileAndBecomeGroupRelative) {
    Model* model = loadText("two-groups.obj",
                            "g first\n" + std::string(kTriangle) +
                                "vt 0 0\nvt 1 0\nvt 0 1\nf 1/1 2/2 3/3\n"
                                "# comment\ns 1\nusemtl m\n" // change nothing
                                "g second\nv 10 0 0\nv 11 0 0\nv 10 1 0\nv 11 1 0\n"
                                "vt 0.5 0.5\nvt 0.25 0.75\nf 4/5 5/4 6/5\nf 5/4 7/4 6/5\n");
    ASSERT_EQ(model->groups.size(), 2u);
    const Mesh* second = model->groups[1];
    EXPECT_EQ(second->faceCount, 2);
    EXPECT_EQ(ints(second->indices, 6), (std::vector<int32_t>{0, 1, 2, 1, 3, 2}));
    EXPECT_EQ(floats(second->positions, 12),
              (std::vector<float>{10, 0, 0, 11, 0, 0, 10, 1, 0, 11, 1, 0}));
    EXPECT_EQ(floats(second->texcoords, 8),
              (std::vector<float>{0.25f, 0.75f, 0.5f, 0.5f, 0.25f, 0.75f, 0.5f, 0.5f}));
}

TEST(ModelLoader, PositionsAfterFacesNeedAGroupStatementEach) {
    const std::string twoBlocks = std::string(kTriangle) + "f 1 2 3\n" + kTriangle + "f 4 5 6\n";
    EXPECT_MODEL_CHECK(loadText("one-statement.obj", "g a\n" + twoBlocks), kModelSource,
                       kLoadModelText, "current_group < numgroups");
    EXPECT_MODEL_CHECK(loadText("no-statement.obj", twoBlocks), kModelSource, kLoadModelText,
                       "current_group < numgroups");
    // A texture coordinate between the blocks merges them into one group.
    Model* merged = loadText("merged.obj", std::string(kTriangle) + "f 1 2 3\nvt 0 0\n" +
                                               kTriangle + "f 4/1 5/1 6/1\n");
    ASSERT_EQ(merged->groups.size(), 1u);
    EXPECT_EQ(merged->groups[0]->vertexCount, 6);
}

TEST(ModelLoader, FacePatternFollowsTheGroupsAttributeKinds) {
    const Mesh* positionsOnly =
        loadText("quad.obj", std::string(kTriangle) + "v 1 1 0\nf 4 1 2 3\n")->groups[0];
    EXPECT_EQ(positionsOnly->faceCount, 1);
    EXPECT_EQ(ints(positionsOnly->indices, 3), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(floats(positionsOnly->positions, 3), (std::vector<float>{1, 1, 0}));

    const Mesh* withNormals =
        loadText("normals.obj", std::string(kTriangle) + "vn 0 0 2\nvn 0 3 0\nf 3//2 2//1 1//1\n")
            ->groups[0];
    EXPECT_EQ(withNormals->texcoords, nullptr);
    EXPECT_EQ(floats(withNormals->normals, 9), (std::vector<float>{0, 3, 0, 0, 0, 2, 0, 0, 2}));

    const Mesh* full =
        loadText("full.obj",
                 std::string(kTriangle) + "vt 0.5 0.25\nvn 1 0 0\nvn 0 1 0\nf 1/1/2 2/1/1 3/1/2\n")
            ->groups[0];
    EXPECT_EQ(floats(full->texcoords, 6),
              (std::vector<float>{0.5f, 0.25f, 0.5f, 0.25f, 0.5f, 0.25f}));
    EXPECT_EQ(floats(full->normals, 9), (std::vector<float>{0, 1, 0, 1, 0, 0, 0, 1, 0}));
}

TEST(ModelLoader, SeamCopiesShareTheSmoothNormal) {
    // Two triangles meet at a right angle along the edge of positions 1 and
    // 2, which they reach through different texture coordinates.
    const Mesh* mesh = loadText("seam.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 1 0 -1\n"
                                            "vt 0 0\nvt 1 0\nf 1/1 2/1 3/1\nf 2/2 4/2 3/2\n")
                           ->groups[0];
    ASSERT_EQ(mesh->vertexCount, 6);
    ASSERT_EQ(mesh->splitCount, 4);
    EXPECT_EQ(ints(mesh->splits, 4), (std::vector<int32_t>{3, 1, 5, 2}));
    const float h = std::sqrt(0.5f);
    const std::vector<float> expected = {0, 0, 1, h, 0, h, h, 0, h, h, 0, h, 1, 0, 0, h, 0, h};
    for (int i = 0; i < 18; i++)
        EXPECT_NEAR(mesh->normals[i], expected[i], 1e-6f) << i;
}

TEST(ModelLoader, LineLengthLimitAndTheLastLineFeed) {
    // 998 bytes fit; the comment line's length must not disturb what follows.
    const std::string longest = "#" + std::string(997, 'x') + "\n";
    Model* model = loadText("long.obj", std::string(kTriangle) + longest + "f 1 2 3\nf 3 2 1");
    EXPECT_EQ(model->groups[0]->faceCount, 1); // the last face has no line feed
    EXPECT_MODEL_CHECK(loadText("too-long.obj", "#" + std::string(998, 'x') + "\n"), kModelSource,
                       kGetlineText, "(*datapos)-x < 999");

    char line[kLineCapacity];
    unsigned char data[] = {'a', '\r', '\n', 'b'};
    int datapos = 0;
    EXPECT_EQ(getline(data, line, &datapos, 4), 1);
    EXPECT_STREQ(line, "a\r");
    EXPECT_EQ(datapos, 3);
    EXPECT_EQ(getline(data, line, &datapos, 4), 0);
    EXPECT_EQ(datapos, 4);
}

TEST(ModelLoader, BadIndicesAreReportedInOrder) {
    const std::string base = std::string(kTriangle) + "vt 0 0\nvn 0 0 1\n";
    const struct {
        const char* faces;
        const char* condition;
    } cases[] = {
        {"f 0/1/1 1/1/1 2/1/1\n", "v1 >= 0 && v2 >= 0 && v3 >= 0"},
        {"f 1/1/1 2/1/1 4/1/1\n", "v1 < vertexpos_x && v2 < vertexpos_x && v3 < vertexpos_x"},
        {"f 1/1/1 2/2/1 3/1/1\n", "t1 < texturepos_x && t2 < texturepos_x && t3 < texturepos_x"},
        {"f 1/1/0 2/1/1 3/1/1\n", "n1 >= 0 && n2 >= 0 && n3 >= 0"},
        {"f 1/1/1 2/1/1 3/1/9\n", "n1 < normalpos_x && n2 < normalpos_x && n3 < normalpos_x"},
        // Lines that do not match the pattern never reuse the previous
        // line's indices, which would be valid here.
        {"f 1/1/1 2/1/1 3/1/1\nf 1 2 3\n", "v1 >= 0 && v2 >= 0 && v3 >= 0"},
        {"f 1/1/1 2/1/1 3/1/1\nf 1/1/1 2/1/1 3/1\n", "n1 >= 0 && n2 >= 0 && n3 >= 0"},
        {"f 1/1/1 2/1/1 3/1/1\nf 1/1/1 2/1/1 3/\n", "t1 >= 0 && t2 >= 0 && t3 >= 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faces);
        EXPECT_MODEL_CHECK(loadText("bad-index.obj", base + c.faces), kModelSource, kLoadModelText,
                           c.condition);
    }
}

TEST(ModelLoader, AGroupHoldsAtMost999999Positions) {
    std::string positions;
    for (int i = 0; i < MAX_VERTS - 1; i++)
        positions += "v \n";
    EXPECT_EQ(loadText("most.obj", positions)->groups[0]->vertexCount, 0);
    EXPECT_MODEL_CHECK(loadText("too-many.obj", positions + "v \n"), kModelSource, kLoadModelText,
                       "vertexpos_x < MAX_VERTS");
}

} // namespace
