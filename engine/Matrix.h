#pragma once

// Needs: no GL context: pure CPU.
//
// A 4x4 single-precision matrix laid out as glUniformMatrix4fv takes it
// (transpose GL_FALSE), plus the small vector helpers of the look-at builder.
//
// Conventions:
//   - column-major: element index = column * 4 + row; translation in 12, 13, 14;
//   - a fresh Matrix is the zero matrix, not the identity;
//   - A * B applies A first, then B (the column-vector product B . A);
//   - builders overwrite the whole matrix (perspective excepted: it writes five
//     elements and expects a zero matrix); angles in radians, fovy in degrees.

namespace vornak_engine {

class Matrix {
public:
    Matrix();
    ~Matrix() = default;

    Matrix operator*(const Matrix& other) const;

    void translate(double x, double y, double z);
    void scale(double x, double y, double z);
    // Rz(z) . Ry(y) . Rx(x): rotates about X first, then Y, then Z.
    void rotate(double x, double y, double z);
    void perspective(double fovy, double aspect, double near, double far);
    void lookAt(double* eye, double* center, double* up);

    float* matrix();

    float m[16];
};

} // namespace vornak_engine

// Free vector helpers. Zero-length input divides by zero, as a caller of a
// math library expects; nothing here guards against it.
void normalize(double* v, int n);
void crossproduct3v(double* a, double* b, double* out);
float dotproduct(double* a, double* b, int n);
// Z-up to Y-up: (x, y, z) becomes (x, z, -y).
void blender2opengl(float* v);
