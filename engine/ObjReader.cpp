#include "vornak/ObjReader.h"

#include "vornak/FileData.h"
#include "vornak/internal/ObjChunks.h"

#include <unistd.h>

namespace vornak_engine {

void ObjReader::Tally::add(const Tally& later, int lineOffset)
{
    if (later.count == 0)
        return;
    if (count == 0)
        firstLine = later.firstLine + lineOffset;
    count += later.count;
}

bool ObjReader::readFile(const char* path, const Options& options, std::string& error)
{
    ObjChunks::Source source;
    source.fd = openRegularFile(path, source.size, error);
    if (source.fd < 0)
        return false;
    try {
        ObjChunks::read(source, options, *this);
    } catch (...) {
        ::close(source.fd);
        throw;
    }
    ::close(source.fd);
    return true;
}

void ObjReader::readBytes(const char* bytes, std::size_t size, const Options& options)
{
    ObjChunks::Source source;
    source.memory = bytes;
    source.size = size;
    ObjChunks::read(source, options, *this);
}

} // namespace vornak_engine
