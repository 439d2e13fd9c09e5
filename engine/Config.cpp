#include "vornak/Config.h"
#include "vornak/Log.h"

#include "vornak/FileData.h"
#include "vornak/Texture.h"

#include "vornak/GL.h"
#include <unistd.h>

#include <cstdio>
#include <sstream>

namespace vornak_engine {

namespace {

std::vector<std::string> fieldsOf(const char* line)
{
    std::vector<std::string> fields;
    const char* p = line;
    while (*p) {
        while (*p == ' ' || *p == '\t' || *p == '\r')
            ++p;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t' && *p != '\r')
            ++p;
        if (p != start)
            fields.emplace_back(start, p);
    }
    return fields;
}

// A regular file that opens; anything else gives the reason, "PATH: what it is".
bool readable(const std::string& path, std::string& error)
{
    std::size_t size = 0;
    const int fd = openRegularFile(path.c_str(), size, error);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

void report(const std::string& where, const std::string& reason)
{
    logFormat(LogLevel::Error, "%s: %s", where.c_str(), reason.c_str());
}

bool kindOf(const std::string& word, ImgType& kind)
{
    if (word == "jpeg" || word == "jpg" || word == "0")
        kind = IMG_JPEG;
    else if (word == "png" || word == "1")
        kind = IMG_PNG;
    else if (word == "tga" || word == "2")
        kind = IMG_TGA;
    else
        return false;
    return true;
}

} // namespace

Config::Config(char* path) : Config(static_cast<const char*>(path)) {}

Config::Config(const char* path)
{
    if (!path)
        return;
    // A file that cannot be read (missing, a directory, a FIFO) is the empty
    // registry, as before, and never a wait.
    std::vector<unsigned char> bytes;
    std::string error;
    if (!readFileData(path, bytes, error))
        return;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    char buffer[200];
    int line = 0;
    while (in.good()) {
        in.getline(buffer, sizeof buffer);
        ++line;
        const std::string where = std::string(path) + ":" + std::to_string(line);
        if (in.fail() && !in.eof()) {
            // A full buffer on a line that goes on may hold a cut path.
            report(where, "line longer than 199 characters; reading stops");
            break;
        }
        const std::vector<std::string> fields = fieldsOf(buffer);
        if (!fields.empty() && fields[0][0] != '#')
            readEntry(fields, where);
    }
}

void Config::readEntry(const std::vector<std::string>& fields, const std::string& where)
{
    const std::string& kind = fields[0];
    if (kind == "shader") {
        if (fields.size() != 4)
            return report(where, "expected: shader NAME VERTEX_PATH FRAGMENT_PATH");
        if (shaders.count(fields[1]))
            return report(where, "shader '" + fields[1] + "' given twice; the first is kept");
        std::string error;
        for (int i = 2; i < 4; ++i) {
            if (!readable(fields[i], error))
                return report(where, error);
        }
        ShaderProgram program;
        program.addShader(fields[2].c_str(), GL_VERTEX_SHADER);
        program.addShader(fields[3].c_str(), GL_FRAGMENT_SHADER);
        program.compile();
        shaders.emplace(fields[1], program);
    } else if (kind == "texture") {
        ImgType type = IMG_JPEG;
        if (fields.size() != 4)
            return report(where, "expected: texture NAME PATH KIND");
        if (!kindOf(fields[3], type))
            return report(where, "unknown texture kind '" + fields[3] + "' (jpeg, png, tga or 0, 1, 2)");
        if (textures.count(fields[1]))
            return report(where, "texture '" + fields[1] + "' given twice; the first is kept");
        std::string error;
        if (!readable(fields[2], error))
            return report(where, error);
        Texture texture(fields[2].c_str(), type);
        textures.emplace(fields[1], texture.getTexID());
    } else if (kind == "music") {
        if (fields.size() != 2)
            return report(where, "expected: music PATH");
        if (!music.empty())
            return report(where, "music given twice; the first is kept");
        music = fields[1];
    } else {
        report(where, "unknown entry '" + kind + "'");
    }
}

std::string Config::getMusic()
{
    return music;
}

ShaderProgram Config::getShader(std::string name)
{
    return shaders.at(name);
}

unsigned Config::getTexture(std::string name)
{
    return textures.at(name);
}

} // namespace vornak_engine
