#pragma once

// Needs: no GL context: pure CPU.
//
// The one place where the engine opens files. Only regular files are read:
// a directory, FIFO, device or socket is refused at once, never waited on, and
// a file is read for exactly the size fstat gives. Errors come back as one
// line's text, "PATH: reason", for the caller to print.

#include <cstddef>
#include <string>
#include <vector>

namespace vornak_engine {

// Opens path read-only without blocking (close-on-exec) and checks that it is a
// regular file. Returns the descriptor, with size set from fstat, or -1 with
// error set ("PATH: is a directory", "PATH: cannot open: No such file or directory").
int openRegularFile(const char* path, std::size_t& size, std::string& error);

// The whole file into bytes. A file that changes size while it is read is an
// error, never a wait: fewer bytes than fstat promised end the read.
bool readFileData(const char* path, std::vector<unsigned char>& bytes, std::string& error);

// The same for at most the first maxBytes of the file; whole says whether that
// was all of it.
bool readFileStart(const char* path, std::size_t maxBytes, std::vector<unsigned char>& bytes, bool& whole,
                   std::string& error);

} // namespace vornak_engine
