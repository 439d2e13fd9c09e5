#include "vornak/Matrix.h"

#include <cmath>

namespace vornak_engine {

Matrix::Matrix()
{
    for (float& e : m)
        e = 0.0f;
}

Matrix Matrix::operator*(const Matrix& other) const
{
    Matrix r;
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            // Summed left to right in float: results are fixed to the bit.
            float sum = m[4 * a + 0] * other.m[b + 0];
            sum += m[4 * a + 1] * other.m[b + 4];
            sum += m[4 * a + 2] * other.m[b + 8];
            sum += m[4 * a + 3] * other.m[b + 12];
            r.m[4 * a + b] = sum;
        }
    }
    return r;
}

void Matrix::translate(double x, double y, double z)
{
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    m[12] = static_cast<float>(x);
    m[13] = static_cast<float>(y);
    m[14] = static_cast<float>(z);
}

void Matrix::scale(double x, double y, double z)
{
    for (float& e : m)
        e = 0.0f;
    m[0] = static_cast<float>(x);
    m[5] = static_cast<float>(y);
    m[10] = static_cast<float>(z);
    m[15] = 1.0f;
}

void Matrix::rotate(double x, double y, double z)
{
    const float cx = std::cos(static_cast<float>(x)), sx = std::sin(static_cast<float>(x));
    const float cy = std::cos(static_cast<float>(y)), sy = std::sin(static_cast<float>(y));
    const float cz = std::cos(static_cast<float>(z)), sz = std::sin(static_cast<float>(z));

    m[0] = cz * cy;
    m[4] = cz * sy * sx - sz * cx;
    m[8] = cz * sy * cx + sz * sx;
    m[12] = 0.0f;
    m[1] = sz * cy;
    m[5] = sz * sy * sx + cz * cx;
    m[9] = sz * sy * cx - cz * sx;
    m[13] = 0.0f;
    m[2] = -sy;
    m[6] = cy * sx;
    m[10] = cy * cx;
    m[14] = 0.0f;
    m[3] = m[7] = m[11] = 0.0f;
    m[15] = 1.0f;
}

void Matrix::perspective(double fovy, double aspect, double near, double far)
{
    const double h = std::tan(3.141592653589793 * fovy / 360.0) * near;
    m[0] = static_cast<float>(2.0 * near / (2.0 * h * aspect));
    m[5] = static_cast<float>(2.0 * near / (2.0 * h));
    m[10] = static_cast<float>(-(far + near) / (far - near));
    m[11] = -1.0f;
    m[14] = static_cast<float>(-(2.0 * far * near) / (far - near));
}

void Matrix::lookAt(double* eye, double* center, double* up)
{
    double f[3] = {eye[0] - center[0], eye[1] - center[1], eye[2] - center[2]};
    double s[3];
    double u[3];
    crossproduct3v(up, f, s);
    crossproduct3v(f, s, u); // from the not yet normalised f and s
    normalize(s, 3);
    const float ts = -dotproduct(eye, s, 3);
    normalize(u, 3);
    const float tu = -dotproduct(eye, u, 3);
    normalize(f, 3);
    const float tf = -dotproduct(eye, f, 3);

    m[0] = static_cast<float>(s[0]);
    m[4] = static_cast<float>(s[1]);
    m[8] = static_cast<float>(s[2]);
    m[12] = ts;
    m[1] = static_cast<float>(u[0]);
    m[5] = static_cast<float>(u[1]);
    m[9] = static_cast<float>(u[2]);
    m[13] = tu;
    m[2] = static_cast<float>(f[0]);
    m[6] = static_cast<float>(f[1]);
    m[10] = static_cast<float>(f[2]);
    m[14] = tf;
    m[3] = m[7] = m[11] = 0.0f;
    m[15] = 1.0f;
}

float* Matrix::matrix()
{
    return m;
}

} // namespace vornak_engine

void normalize(double* v, int n)
{
    // Each square is formed in double and the running sum rounded to float.
    float sum = 0.0f;
    for (int i = 0; i < n; ++i)
        sum += v[i] * v[i];
    const float length = std::sqrt(sum);
    for (int i = 0; i < n; ++i)
        v[i] = v[i] / length;
}

void crossproduct3v(double* a, double* b, double* out)
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float dotproduct(double* a, double* b, int n)
{
    float sum = 0.0f;
    for (int i = 0; i < n; ++i)
        sum += a[i] * b[i];
    return sum;
}

void blender2opengl(float* v)
{
    const float y = v[1];
    v[1] = v[2];
    v[2] = -y;
}
