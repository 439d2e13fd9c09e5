#pragma once

// Needs: nothing: pure CPU; threads only when the options ask for more than one.
//
// The reading of a whole input a chunk at a time, for ObjReader. One thread reads
// the chunks in order into the reader's lists. More threads take chunks as they come
// free, each into lists of its own, and whichever finds the next chunk in file order
// done appends it, moving its faces' lines and list counts on: the lists come out as
// one thread gives them. A long line that ends the reading ends it for every later
// chunk too.

#include "vornak/ObjReader.h"

#include <cstddef>
#include <vector>

namespace vornak_engine {

class ObjChunks {
public:
    // Where the bytes come from: a file read with pread, or memory.
    struct Source {
        int fd = -1;
        const char* memory = nullptr;
        std::size_t size = 0;

        // Up to n bytes from offset; fewer only at an error or an early end.
        std::size_t fill(std::size_t offset, char* to, std::size_t n) const;
    };

    // Reads the whole source into `out`, after what it holds.
    static void read(const Source& source, const ObjReader::Options& options, ObjReader& out);

private:
    // Reads into `out` the lines that start in [from, to): a chunk owns the lines that
    // start in it, and reads on past its end to finish the last of them.
    static void readRange(const Source& source, std::size_t from, std::size_t to, std::size_t chunk,
                          std::vector<char>& buffer, ObjReader& out, bool reserve);
    // Appends what a reading that began where `to`'s stopped gave.
    static void append(ObjReader& to, ObjReader&& later);
    // Empties a reading, keeping its lists' memory for the next chunk.
    static void clear(ObjReader& reading);
};

} // namespace vornak_engine
