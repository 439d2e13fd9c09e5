#include "vornak/Matrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using vornak_engine::Matrix;

Matrix fromArray(const float (&e)[16])
{
    Matrix m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = e[i];
    return m;
}

void expectElements(Matrix& m, const float (&expected)[16], float tolerance = 0.0f)
{
    const float* e = m.matrix();
    for (int i = 0; i < 16; ++i) {
        if (tolerance == 0.0f)
            EXPECT_EQ(e[i], expected[i]) << "element " << i;
        else
            EXPECT_NEAR(e[i], expected[i], tolerance) << "element " << i;
    }
}

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST(Matrix, FreshMatrixIsZeroAndBuildersOverwrite)
{
    Matrix m;
    const float zero[16] = {};
    expectElements(m, zero);

    m.translate(0, 0, 0);
    expectElements(m, kIdentity);

    // A builder replaces whatever the matrix held, it never composes.
    m.translate(3, 4, 5);
    m.scale(1, 1, 1);
    expectElements(m, kIdentity);

    m.scale(2, 3, 4);
    m.translate(0, 0, 0);
    expectElements(m, kIdentity);

    m.translate(1.5, -2, 0.25);
    const float moved[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1.5f, -2, 0.25f, 1};
    expectElements(m, moved);
}

TEST(Matrix, OverlayProductScalesThenMoves)
{
    Matrix s;
    s.scale(0.125, 0.09, 0.125);
    Matrix t;
    t.translate(0.89, -0.8, 0);
    Matrix st = s * t;
    const float expected[16] = {0.125f, 0, 0, 0, 0, 0.09f, 0, 0, 0, 0, 0.125f, 0, 0.89f, -0.8f, 0, 1};
    expectElements(st, expected);

    // The other order moves first and then scales the move as well.
    Matrix ts = t * s;
    EXPECT_FLOAT_EQ(ts.m[12], 0.89f * 0.125f);
    EXPECT_FLOAT_EQ(ts.m[13], -0.8f * 0.09f);
}

TEST(Matrix, ProductOrderOnANonCommutativePair)
{
    const float a[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const float b[16] = {2, 0, 1, 0, 0, 1, 0, 3, 1, 0, 0, 1, 4, 2, 0, 1};
    Matrix A = fromArray(a);
    Matrix B = fromArray(b);
    Matrix ab = A * B;
    // r[4a + b] = sum_k A[4a + k] * B[b + 4k]: in column-vector terms B . A.
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += b[4 * k + row] * a[4 * col + k];
            EXPECT_EQ(ab.m[4 * col + row], sum) << "element " << 4 * col + row;
        }
    }
    Matrix ba = B * A;
    bool differs = false;
    for (int i = 0; i < 16; ++i)
        differs = differs || ab.m[i] != ba.m[i];
    EXPECT_TRUE(differs);
    // Operands are left as they were.
    expectElements(A, a);
    expectElements(B, b);
}

TEST(Matrix, RepeatedScalingMultipliesOnlyTheScaledDiagonal)
{
    Matrix m;
    m.translate(0, 0, 0);
    m.m[10] = 0.5f;
    float expected0 = 1.0f;
    for (int frame = 0; frame < 100; ++frame) {
        const double s = 1.0 + frame / 3000.0;
        Matrix step;
        step.scale(s, s, 1);
        m = m * step;
        expected0 *= static_cast<float>(s);
    }
    EXPECT_EQ(m.m[0], expected0);
    EXPECT_EQ(m.m[5], expected0);
    const float rest[] = {m.m[10], m.m[15]};
    EXPECT_EQ(rest[0], 0.5f);
    EXPECT_EQ(rest[1], 1.0f);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 11, 12, 13, 14})
        EXPECT_EQ(m.m[i], 0.0f) << "element " << i;
}

TEST(Matrix, Rotation)
{
    Matrix m;
    m.rotate(0, 0, 0);
    expectElements(m, kIdentity);

    m.rotate(0, 0, M_PI / 2);
    const float quarterZ[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectElements(m, quarterZ, 1e-6f);

    // X is applied first, then Y, then Z: compare with the composed single turns.
    Matrix rx, ry, rz, xyz;
    rx.rotate(0.3, 0, 0);
    ry.rotate(0, -0.7, 0);
    rz.rotate(0, 0, 1.1);
    xyz.rotate(0.3, -0.7, 1.1);
    Matrix composed = rx * ry * rz;
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(xyz.m[i], composed.m[i], 1e-6f) << "element " << i;
}

TEST(Matrix, PerspectiveWritesFiveElementsOnly)
{
    Matrix m;
    m.perspective(90, 1, 1, 3);
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0};
    expectElements(m, expected, 1e-6f);

    Matrix filled;
    for (float& e : filled.m)
        e = 7.0f;
    filled.perspective(60, 16.0 / 9.0, 0.1, 100);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15})
        EXPECT_EQ(filled.m[i], 7.0f) << "element " << i << " must keep its value";
    EXPECT_FLOAT_EQ(filled.m[5], static_cast<float>(1.0 / std::tan(M_PI / 6)));
    EXPECT_FLOAT_EQ(filled.m[0], static_cast<float>(1.0 / std::tan(M_PI / 6) / (16.0 / 9.0)));
}

TEST(Matrix, LookAt)
{
    double eye[3] = {0, 0, 5}, center[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    Matrix m;
    m.lookAt(eye, center, up);
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1};
    expectElements(m, expected, 1e-6f);
    EXPECT_EQ(eye[2], 5.0) << "inputs are not changed";

    // From the side, which the identity case cannot tell from its transpose:
    // the camera's right is -z and its backward axis +x, stored as rows.
    double eye2[3] = {3, 0, 0}, up2[3] = {0, 2, 0};
    m.lookAt(eye2, center, up2);
    const float side[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, -3, 1};
    expectElements(m, side, 1e-6f);
}

TEST(VectorFunctions, NormalizeDotCrossAndAxisSwap)
{
    double v[3] = {3, 0, 4};
    normalize(v, 3);
    EXPECT_DOUBLE_EQ(v[0], 0.6);
    EXPECT_DOUBLE_EQ(v[2], 0.8);

    double a[3] = {1, 0, 0}, b[3] = {0, 1, 0}, c[3];
    crossproduct3v(a, b, c);
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(c[1], 0);
    EXPECT_EQ(c[2], 1);
    crossproduct3v(b, a, c);
    EXPECT_EQ(c[2], -1);

    double p[4] = {1, 2, 3, 4}, q[4] = {5, 6, 7, 8};
    EXPECT_EQ(dotproduct(p, q, 4), 70.0f);
    EXPECT_EQ(dotproduct(p, q, 2), 17.0f);

    float vertex[3] = {1, 2, 3};
    blender2opengl(vertex);
    EXPECT_EQ(vertex[0], 1);
    EXPECT_EQ(vertex[1], 3);
    EXPECT_EQ(vertex[2], -2);
}

// The functions promise single precision: sines, cosines and sums of squares
// in float. These inputs give other results when computed in double, so a
// change of precision shows here.
TEST(Matrix, SinglePrecisionAsPromised)
{
    Matrix m;
    m.rotate(0.3, -0.7, 1.1);
    struct Element {
        int index;
        float single; // as the float formulas give it
        float viaDouble; // the same formulas in double, rounded at the end
    };
    const Element elements[] = {{0, 0.346929431f, 0.346929461f},
                                {1, 0.681633055f, 0.681632996f},
                                {5, 0.263669431f, 0.263669461f},
                                {8, -0.0157934725f, -0.0157935284f}};
    for (const Element& e : elements) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(m.m[e.index], e.single);
        EXPECT_NE(e.single, e.viaDouble);
    }

    // 1 + 1e-8 is 1 in float, so the length is exactly 1 and nothing moves;
    // in double the first component would become 0.999999995.
    double v[3] = {1, 1e-4, 0};
    normalize(v, 3);
    EXPECT_EQ(v[0], 1.0);
    EXPECT_EQ(v[1], 1e-4);
    EXPECT_EQ(v[2], 0.0);
}

} // namespace
