#pragma once

// Needs: no GL context: pure CPU; threads only when asked for.
//
// The reading step of Mesh3D: OBJ text to flat lists, exactly as a 200-character
// line buffer, strtok_r, atof and atoi read it (see Mesh3D.h), only faster. Bytes
// are read a chunk at a time; with more than one thread the chunks are read in
// parallel and appended in file order, so the lists come out the same either way.
// It checks no index against any list: that is the assembly's work.
// With Options::polygons it also keeps what Model needs and Mesh3D ignores: corners
// past the third, smoothing groups and material lines; the other lists are the same.

#include "vornak/MeshIndex.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vornak_engine {

class ObjReader {
public:
    struct Options {
        // More than 1: chunks are read on that many threads (the calling one included).
        unsigned threads = 1;
        // Bytes read at a time, and the share of the file one thread takes at a time.
        std::size_t chunkBytes = std::size_t(1) << 18;
        // Also fill extraCorners, polygons, marks and names (see below).
        bool polygons = false;
    };

    // How often one kind of fault happened and its first 1-based line.
    struct Tally {
        long long count = 0;
        int firstLine = 0;
        void add(int line)
        {
            if (count++ == 0)
                firstLine = line;
        }
        void add(const Tally& later, int lineOffset);
    };

    // How many entries each list held when a face with a relative index was read.
    struct ListCounts {
        std::size_t face;
        long long positions, texts, normals;
    };

    // The corners past the third of one face: `count` corners from extraCorners[3 * first].
    struct Polygon {
        std::size_t face;
        std::size_t first;
        int count;
    };

    // A line that changes what the faces after it get: the face count when it was read.
    enum MarkKind : int { SMOOTHING = 0, USE_MATERIAL = 1, MATERIAL_LIBRARY = 2 };
    struct Mark {
        std::size_t face;
        MarkKind kind;
        int value; // the group for SMOOTHING (0 for off), else an index into names
    };

    // Reads a whole file. False when it cannot be opened or is not a regular file,
    // with error set to one line naming the path ("PATH: is a directory").
    bool readFile(const char* path, const Options& options, std::string& error);
    // Reads bytes in memory as the file's lines would be read.
    void readBytes(const char* bytes, std::size_t size, const Options& options);

    std::vector<float> vertices;   // x, y, z per position
    std::vector<float> textCoords; // u, v per texture coordinate
    std::vector<float> normals;    // x, y, z per normal
    std::vector<MeshIndex> faces;  // as written
    std::vector<int> faceLines;    // the 1-based line of each face
    std::vector<ListCounts> relativeFaces; // in face order
    bool hasNormals = false;
    bool hasText = false;
    Tally paddedLines; // value lines short of values, padded with 0
    Tally shortFaces;  // face lines with fewer than 3 corners, skipped

    // Only with Options::polygons:
    std::vector<int> extraCorners;  // position, texture, normal index per corner, as written
    std::vector<Polygon> polygons;  // in face order, for faces of more than 3 corners
    std::vector<Mark> marks;        // in file order
    std::vector<std::string> names; // usemtl and mtllib arguments, blanks trimmed

private:
    // The line reading and the chunks it comes in, units of their own (engine/internal/).
    friend class ObjLineReader;
    friend class ObjChunks;

    int lines = 0;      // lines read so far
    bool ended = false; // a line of 200 characters or more ended the reading
    bool keepPolygons = false;
};

} // namespace vornak_engine
