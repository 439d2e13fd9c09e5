#include "vornak/GlslEs.h"

#include "vornak/GL.h"

#include <cctype>
#include <cstddef>
#include <vector>

namespace vornak_engine {

namespace {

struct Token {
    std::string text;
    int line = 1;
};

// Words and single punctuation marks of the text with comments removed; the
// preprocessor's "#" lines come as one token each.
std::vector<Token> tokens(const std::string& s)
{
    std::vector<Token> out;
    int line = 1;
    bool lineStart = true;
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '\n') {
            ++line;
            lineStart = true;
            ++i;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
            while (i < s.size() && s[i] != '\n')
                ++i;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            i += 2;
            while (i + 1 < s.size() && !(s[i] == '*' && s[i + 1] == '/')) {
                if (s[i] == '\n')
                    ++line;
                ++i;
            }
            i += 2;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '#' && lineStart) {
            const std::size_t from = i;
            while (i < s.size() && s[i] != '\n')
                ++i;
            out.push_back({s.substr(from, i - from), line});
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            const std::size_t from = i;
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
                ++i;
            out.push_back({s.substr(from, i - from), line});
            lineStart = false;
        } else {
            out.push_back({std::string(1, c), line});
            lineStart = false;
            ++i;
        }
    }
    return out;
}

bool startsWith(const std::string& s, const char* prefix)
{
    return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Every sampler type GLSL ES 3.00 has. Only sampler2D and samplerCube come with a
// default precision, and only lowp: each gets highp in the ES text.
const char* const kEsSamplers[] = {
    "sampler2D",      "sampler3D",       "samplerCube",   "sampler2DShadow", "samplerCubeShadow",
    "sampler2DArray", "sampler2DArrayShadow", "isampler2D", "isampler3D",   "isamplerCube",
    "isampler2DArray", "usampler2D",     "usampler3D",    "usamplerCube",  "usampler2DArray",
};

// The desktop sampler types ES lacks, by what follows "sampler" (after an "i" or
// "u" too, but for the shadow forms), and how to name them.
const char* desktopSampler(const std::string& w)
{
    static const char* const kKinds[][2] = {
        {"1D", "1D samplers"},           {"1DArray", "1D samplers"},
        {"1DShadow", "1D samplers"},     {"1DArrayShadow", "1D samplers"},
        {"2DRect", "rectangle samplers"}, {"2DRectShadow", "rectangle samplers"},
        {"Buffer", "buffer samplers"},   {"2DMS", "multisample samplers"},
        {"2DMSArray", "multisample samplers"}, {"CubeArray", "cube-array samplers"},
        {"CubeArrayShadow", "cube-array samplers"},
    };
    const std::size_t at = w.find("sampler");
    if (at > 1 || (at == 1 && w[0] != 'i' && w[0] != 'u'))
        return nullptr;
    const std::string kind = w.substr(at + 7);
    for (const auto& entry : kKinds) {
        if (kind == entry[0] && (at == 0 || kind.find("Shadow") == std::string::npos))
            return entry[1];
    }
    return nullptr;
}

// Why ES 3.00 cannot take this word, or null.
const char* refusedWord(const std::string& w)
{
    static const char* const kWords[][2] = {
        {"double", "doubles"},          {"noperspective", "\"noperspective\""},
        {"subroutine", "subroutines"},  {"gl_ClipDistance", "clip distances"},
        {"patch", "tessellation"},
    };
    for (const auto& entry : kWords) {
        if (w == entry[0])
            return entry[1];
    }
    if ((startsWith(w, "dvec") || startsWith(w, "dmat")) && w.size() <= 7)
        return "doubles";
    return desktopSampler(w);
}

} // namespace

bool toGlslEs(const char* path, const std::string& source, unsigned int stage, std::string& out,
              std::string& error)
{
    const std::vector<Token> list = tokens(source);
    // The version must be the very first line, as desktop GL wants it too.
    const std::size_t end = source.find('\n');
    std::string first = source.substr(0, end);
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    const std::vector<Token> version = tokens(first.size() > 1 ? first.substr(1) : std::string());
    const bool desktopCore = first.size() > 1 && first[0] == '#' && version.size() == 3 &&
                             version[0].text == "version" && version[2].text == "core" &&
                             (version[1].text == "330" || version[1].text == "400" || version[1].text == "410");
    if (!desktopCore) {
        error = std::string(path) + ":1: the first line must be \"#version 410 core\" to have an OpenGL ES form";
        return false;
    }

    for (std::size_t i = 0; i < list.size(); ++i) {
        const Token& t = list[i];
        const std::string where = std::string(path) + ":" + std::to_string(t.line) + ": ";
        if (startsWith(t.text, "#extension")) {
            error = where + "\"#extension\" has no OpenGL ES 3.0 form";
            return false;
        }
        if (const char* what = refusedWord(t.text)) {
            error = where + what + " have no OpenGL ES 3.0 form (\"" + t.text + "\")";
            return false;
        }
        if (t.text == "uniform") {
            // An initialiser before the declaration's end.
            for (std::size_t j = i + 1; j < list.size() && list[j].text != ";"; ++j) {
                if (list[j].text == "=") {
                    error = where + "uniforms with initial values have no OpenGL ES 3.0 form";
                    return false;
                }
            }
        }
        if (t.text == "layout") {
            // ES places only vertex inputs and fragment outputs.
            std::size_t j = i + 1;
            while (j < list.size() && list[j].text != ")")
                ++j;
            const std::string next = j + 1 < list.size() ? list[j + 1].text : "";
            const bool varying = (stage == GL_VERTEX_SHADER && next == "out") ||
                                 (stage == GL_FRAGMENT_SHADER && next == "in");
            if (varying) {
                error = where + "a layout location on a vertex output or fragment input has no OpenGL ES 3.0 form";
                return false;
            }
        }
    }

    out = "#version 300 es\nprecision highp float;\nprecision highp int;\n";
    for (const char* sampler : kEsSamplers)
        out += std::string("precision highp ") + sampler + ";\n";
    out += "#line 2\n";
    if (end != std::string::npos)
        out.append(source, end + 1, std::string::npos);
    return true;
}

} // namespace vornak_engine
