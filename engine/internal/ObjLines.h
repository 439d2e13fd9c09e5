#pragma once

// Needs: nothing: pure CPU.
//
// The line reading of ObjReader: whole lines of bytes into its lists, exactly as a
// 200-character line buffer, strtok_r, atof and atoi read them (see Mesh3D.h). The
// common lines take one pass with no copy; anything unusual (a NUL, a long line,
// white space inside a number, hex) goes to a general path that reads it literally.
// It counts lines and notices the long line that ends the reading, in the reader's
// own state, so a reading may be continued in later calls.

#include "vornak/ObjReader.h"

#include <cstddef>

namespace vornak_engine {

// The reader is passed along, not kept: one indirection less on every line.
class ObjLineReader {
public:
    // Reads into `out` the lines that start before `stopAt` in [bytes, bytes + size);
    // the last, unterminated one only when atEnd. bytes[size] must be 0, with
    // kPadding more bytes readable after it. Returns the bytes used; what is left
    // starts a line and must be offered again.
    static std::size_t readLines(ObjReader& out, const char* bytes, std::size_t size, bool atEnd,
                                 std::size_t stopAt);

private:
    // The common lines; false leaves the line, untouched, to readLine.
    static bool readLineFast(ObjReader& out, const char* line, const char* end, const char*& next);
    static void readLine(ObjReader& out, const char* line, const char* end);
    static void readValues(ObjReader& out, const char* p, const char* end, int count, std::vector<float>& list);
    static void addFace(ObjReader& out, const MeshIndex& face);
    static void addFace(ObjReader& out, const MeshIndex& face, const int* more, int moreCorners);
    // The s, usemtl and mtllib lines; false for any other line.
    static bool readMark(ObjReader& out, const char* line, const char* end);
};

} // namespace vornak_engine
