#pragma once

// Needs: no GL context: pure CPU.
//
// One face line of an OBJ file: for three corners, the position, texture-coordinate
// and normal indices exactly as written (1-based; negatives kept as read; 0 = none).
// It checks nothing against any list: Mesh3D resolves and bounds-checks on assembly.

namespace vornak_engine {

class MeshIndex {
public:
    // Every index 0, which the assembly reads as "none".
    MeshIndex();
    // Reads a face line, keyword included, tokenising `line` in place. Corners the
    // line lacks stay 0; tokens after the third corner are ignored.
    explicit MeshIndex(char* line);
    ~MeshIndex() = default;

    // Stored index minus 1 (wrapping, never overflowing); the corner is not checked.
    int getVertex(int corner) const;
    int getText(int corner) const;
    int getNormal(int corner) const;

    // Cuts *cursor at its first delimiter, as BSD strsep: returns the piece and moves
    // the cursor past the cut, or to null when no delimiter is left.
    char* strsep(char** cursor, char* delimiters);

    // The same reading as the constructor on [line, end) without writing to it;
    // returns how many corners (0 to 3) the line gave.
    static int readFace(const char* line, const char* end, MeshIndex& out);

    // atoi on [begin, end): white space, sign, digits. Out-of-range values clamp to
    // INT_MIN/INT_MAX the way strtol clamps, where atoi itself is undefined.
    static int toIndex(const char* begin, const char* end);

    int vertex[3];
    int text[3];
    int normal[3];
};

} // namespace vornak_engine
