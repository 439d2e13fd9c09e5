#pragma once

// One hidden 640x360 window with a real GL 4.1 core context, made once per process.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

using Rgba = std::array<int, 4>;

class GLTest : public ::testing::Test {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 360;

    // The back buffer's pixel at (x, y) from the bottom-left, or at fractions of the width and height.
    static Rgba pixel(int x, int y);
    static Rgba pixelAt(double fx, double fy);
    // The whole back buffer as RGBA bytes, rows bottom-up: for comparing frames exactly.
    static std::vector<std::uint8_t> frame();
    // Level 0 of a 2D texture as RGBA bytes, rows bottom-up as GL stores them.
    static std::vector<std::uint8_t> textureImage(GLuint tex, int* width = nullptr, int* height = nullptr);

protected:
    static void SetUpTestSuite();
    // Resets the state tests commonly change and clears the frame and GL errors.
    void SetUp() override;
};

// True when every channel lies within tolerance of the expectation.
::testing::AssertionResult near(const Rgba& actual, const Rgba& expected, int tolerance);
