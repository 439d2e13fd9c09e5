#include "vornak/Matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

using vornak_engine::Matrix;

Matrix fromArray(const float (&e)[16])
{
    Matrix m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = e[i];
    return m;
}

// Exact unless a tolerance is given.
void expectElements(Matrix& m, const float (&expected)[16], float tolerance = 0.0f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m.matrix()[i], expected[i], tolerance) << "element " << i;
}

TEST(Matrix, FreshMatrixIsZeroAndBuildersOverwrite)
{
    Matrix m;
    const float zero[16] = {};
    expectElements(m, zero);
    // A builder replaces whatever the matrix held, it never composes.
    m.translate(3, 4, 5);
    m.scale(0.125, 0.09, 0.125);
    const float scaled[16] = {0.125f, 0, 0, 0, 0, 0.09f, 0, 0, 0, 0, 0.125f, 0, 0, 0, 0, 1};
    expectElements(m, scaled);
    m.translate(1.5, -2, 0.25);
    const float moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1.5f, -2, 0.25f, 1};
    expectElements(m, moved);
}

TEST(Matrix, ProductOrderOnANonCommutativePair)
{
    const float a[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const float b[16] = {2, 0, 1, 0, 0, 1, 0, 3, 1, 0, 0, 1, 4, 2, 0, 1};
    const Matrix ab = fromArray(a) * fromArray(b);
    // r[4a + b] = sum_k A[4a + k] * B[b + 4k]: in column-vector terms B . A.
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += b[4 * k + row] * a[4 * col + k];
            EXPECT_EQ(ab.m[4 * col + row], sum) << "element " << 4 * col + row;
        }
    }
}

TEST(Matrix, Rotation)
{
    Matrix m;
    m.rotate(0, 0, M_PI / 2);
    const float quarterZ[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectElements(m, quarterZ, 1e-6f);
    // X is applied first, then Y, then Z: compare with the composed single turns.
    Matrix rx, ry, rz, xyz;
    rx.rotate(0.3, 0, 0);
    ry.rotate(0, -0.7, 0);
    rz.rotate(0, 0, 1.1);
    xyz.rotate(0.3, -0.7, 1.1);
    expectElements(xyz, (rx * ry * rz).m, 1e-6f);
}

TEST(Matrix, PerspectiveWritesFiveElementsOnly)
{
    Matrix m;
    m.perspective(90, 1, 1, 3);
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0};
    expectElements(m, expected, 1e-6f);
    Matrix filled = fromArray({7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7});
    filled.perspective(60, 16.0 / 9.0, 0.1, 100);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15})
        EXPECT_EQ(filled.m[i], 7.0f) << "element " << i << " must keep its value";
    EXPECT_FLOAT_EQ(filled.m[5], static_cast<float>(1.0 / std::tan(M_PI / 6)));
    EXPECT_FLOAT_EQ(filled.m[0], static_cast<float>(1.0 / std::tan(M_PI / 6) / (16.0 / 9.0)));
}

TEST(Matrix, LookAt)
{
    // From the side, where a transpose shows: the camera's right is -z and its backward axis +x, stored as rows.
    // Neither the distance to the centre nor "up" is of length 1.
    double eye[3] = {3, 0, 0}, center[3] = {0, 0, 0}, up[3] = {0, 2, 0};
    Matrix m;
    m.lookAt(eye, center, up);
    const float side[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, -3, 1};
    expectElements(m, side, 1e-6f);
    EXPECT_EQ(std::vector<double>(eye, eye + 3), (std::vector<double>{3, 0, 0})) << "inputs are not changed";
}

TEST(VectorFunctions, NormalizeDotCrossAndAxisSwap)
{
    double v[3] = {3, 0, 4};
    normalize(v, 3);
    EXPECT_DOUBLE_EQ(v[0], 0.6);
    EXPECT_DOUBLE_EQ(v[2], 0.8);
    double a[3] = {1, 0, 0}, b[3] = {0, 1, 0}, c[3];
    crossproduct3v(a, b, c);
    EXPECT_EQ(std::vector<double>(c, c + 3), (std::vector<double>{0, 0, 1}));
    double p[4] = {1, 2, 3, 4}, q[4] = {5, 6, 7, 8};
    EXPECT_EQ(dotproduct(p, q, 4), 70.0f);
    EXPECT_EQ(dotproduct(p, q, 2), 17.0f);
    float vertex[3] = {1, 2, 3};
    blender2opengl(vertex);
    EXPECT_EQ(std::vector<float>(vertex, vertex + 3), (std::vector<float>{1, 3, -2}));
}

// Sines, cosines and sums of squares are in float, as promised; these inputs differ in double.
TEST(Matrix, SinglePrecisionAsPromised)
{
    Matrix m;
    m.rotate(0.3, -0.7, 1.1);
    // In double, rounded at the end: 0.346929461, 0.681632996, 0.263669461, -0.0157935284.
    const std::pair<int, float> elements[] = {
        {0, 0.346929431f}, {1, 0.681633055f}, {5, 0.263669431f}, {8, -0.0157934725f}};
    for (const auto& [index, single] : elements)
        EXPECT_EQ(m.m[index], single) << "element " << index;
    // 1 + 1e-8 is 1 in float, so the length is exactly 1 and nothing moves;
    // in double the first component would become 0.999999995.
    double v[3] = {1, 1e-4, 0};
    normalize(v, 3);
    EXPECT_EQ(std::vector<double>(v, v + 3), (std::vector<double>{1, 1e-4, 0}));
}

} // namespace
