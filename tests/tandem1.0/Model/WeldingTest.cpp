#include "tandem1.0/Model/Welding.h"

#include "ModelTestSupport.h"

#include <vector>

using namespace TandemSpace;

namespace {

const char* const kWeldingSource = "tandem1.0/Model/Welding.cpp";
const char* const kHashcheckText = "int hashcheck(int, int, int, int*, int*, int*)";
const char* const kNewVertexText = "int new_vertex(int, int, int, glm::vec3*, glm::vec2*, "
                                   "glm::vec3*, glm::vec3*, glm::vec2*, glm::vec3*, int*, int*, "
                                   "int*)";
constexpr int kRoom = 64;

// One group's welding state over small input arrays whose entries are all
// distinct, so every copied attribute shows where it came from.
struct Group {
    std::vector<glm::vec3> positions, weldedPositions, normals, weldedNormals;
    std::vector<glm::vec2> texcoords, weldedTexcoords;
    std::vector<int> splits = std::vector<int>(kRoom, -7);
    int vertexpos = 0, muthapos = 0;

    Group()
        : positions(kRoom), weldedPositions(kRoom), normals(kRoom), weldedNormals(kRoom),
          texcoords(kRoom), weldedTexcoords(kRoom) {
        resetWelding();
        for (int i = 0; i < kRoom; i++) {
            positions[i] = glm::vec3(i, 0, 0);
            texcoords[i] = glm::vec2(0, i);
            normals[i] = glm::vec3(0, 0, i);
        }
    }
    int weld(int vi, int ti, int ni) {
        return new_vertex(vi, ti, ni, weldedPositions.data(), weldedTexcoords.data(),
                          weldedNormals.data(), positions.data(), texcoords.data(), normals.data(),
                          &vertexpos, splits.data(), &muthapos);
    }
};

TEST(Welding, NumbersTriplesDenselyAndCopiesTheirAttributes) {
    Group g;
    EXPECT_EQ(g.weld(5, 2, 3), 0);
    EXPECT_EQ(g.weld(9, 0, 0), 1);
    EXPECT_EQ(g.weld(5, 2, 3), 0);
    EXPECT_EQ(g.weld(9, 0, 0), 1);
    EXPECT_EQ(g.vertexpos, 2);
    EXPECT_EQ(g.muthapos, 0);
    EXPECT_EQ(g.weldedPositions[0], glm::vec3(5, 0, 0));
    EXPECT_EQ(g.weldedTexcoords[0], glm::vec2(0, 2));
    EXPECT_EQ(g.weldedNormals[0], glm::vec3(0, 0, 3));
    EXPECT_EQ(g.weldedPositions[1], glm::vec3(9, 0, 0));
}

TEST(Welding, SplitCopiesArePairedWithTheirPositionsFirstCopy) {
    Group g;
    EXPECT_EQ(g.weld(5, 0, 0), 0);
    EXPECT_EQ(g.weld(3, 0, 0), 1);
    EXPECT_EQ(g.weld(3, 1, 0), 2); // texture seam
    EXPECT_EQ(g.weld(5, 0, 1), 3); // normal crease
    EXPECT_EQ(g.weld(3, 1, 0), 2); // known copy: no new pair
    EXPECT_EQ(g.muthapos, 4);
    EXPECT_EQ(std::vector<int>(g.splits.begin(), g.splits.begin() + 5),
              (std::vector<int>{2, 1, 3, 0, -7}));
    EXPECT_EQ(firstCopy(3), 1);
    EXPECT_EQ(firstCopy(5), 0);
}

TEST(Welding, ResetMakesEveryTripleNewAgain) {
    Group g;
    g.weld(7, 0, 0);
    g.weld(4, 0, 0);
    g.weld(4, 1, 0);
    resetWelding();
    g.vertexpos = g.muthapos = 0;
    EXPECT_EQ(g.weld(4, 1, 0), 0);
    EXPECT_EQ(g.weld(7, 0, 0), 1);
    EXPECT_EQ(g.muthapos, 0);
    EXPECT_EQ(firstCopy(4), 0);
}

TEST(Welding, SixteenCombinationsPerPositionFitTheSeventeenthFails) {
    Group g;
    for (int c = 0; c < kWeldSlots; c++)
        EXPECT_EQ(g.weld(2, c, 1), c);
    EXPECT_EQ(g.weld(2, 15, 1), 15);
    EXPECT_EQ(g.weld(1, 16, 1), 16); // another position still has room
    EXPECT_MODEL_CHECK(g.weld(2, 16, 1), kWeldingSource, kHashcheckText, "newind != -666");
}

// The guard holds on its own, whatever the caller passes: MAX_VERTS is the
// first index outside every array and the table.
TEST(Welding, IndicesOutsideTheArraysAreReported) {
    const char* const kNegative = "vi>=0 && ti>=0 && ni>=0";
    const char* const kTooLarge = "vi < MAX_VERTS && ti < MAX_VERTS && ni < MAX_VERTS";
    const struct {
        int vi, ti, ni;
        const char* condition;
    } cases[] = {
        {0, -1, 0, kNegative},
        {MAX_VERTS, 0, 0, kTooLarge},
        {0, MAX_VERTS, 0, kTooLarge},
        {0, 0, MAX_VERTS, kTooLarge},
    };
    for (const auto& c : cases) {
        Group g;
        EXPECT_MODEL_CHECK(g.weld(c.vi, c.ti, c.ni), kWeldingSource, kNewVertexText, c.condition)
            << c.vi << " " << c.ti << " " << c.ni;
    }
}

} // namespace
