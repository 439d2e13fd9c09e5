#include "demo/ShowFile.h"

#include "demo/DataFolder.h"

#include "vornak/FileData.h"

#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct Kind {
    const char* name;
    SceneKind kind;
    std::vector<const char*> pictures; // keys, in the kind's order
    bool complete;
};

const Kind kKinds[] = {
    {"title", SceneKind::Title, {"picture", "overlay"}, false},
    {"wipe", SceneKind::Wipe, {"from", "to"}, true},
    {"still", SceneKind::Still, {"picture"}, false},
    {"zoom", SceneKind::Zoom, {"picture"}, false},
    {"reveal", SceneKind::Reveal, {"picture"}, false},
    {"overlay", SceneKind::Overlay, {"picture"}, false},
};

const char* const kSceneKeys[] = {"kind", "start", "end", "name", "shader", "fit",
                                  "text", "font", "size", "colour", "position"};
const char* const kWordKeys[] = {"font", "size", "colour", "position"};
const char* const kTopKeys[] = {"music", "fit", "scene"};

// Edits (insert, delete, change, swap two neighbours) from a to b.
std::size_t distance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

std::string suggestion(const std::string& word, const std::vector<std::string>& known)
{
    std::string best;
    std::size_t bestDistance = 3;
    for (const std::string& candidate : known) {
        const std::size_t d = distance(word, candidate);
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    return best.empty() ? "" : " (did you mean \"" + best + "\"?)";
}

std::string list(const std::vector<std::string>& words)
{
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + ("\"" + words[i] + "\"");
    return text;
}

const char* typeName(const toml::node& node)
{
    switch (node.type()) {
    case toml::node_type::string:
        return "a string";
    case toml::node_type::integer:
    case toml::node_type::floating_point:
        return "a number";
    case toml::node_type::boolean:
        return "true or false";
    case toml::node_type::table:
        return "a table";
    case toml::node_type::array:
        return "an array";
    default:
        return "a date or time";
    }
}

// toml++ 3.3 classifies every non-ASCII character it meets, in strings too,
// with a table that runs into undefined behaviour for many of them (U+00A1 to
// U+0499 among them: every accented letter). So it is given none: each
// character outside ASCII is swapped for one of the supplementary private
// use area (one code point each, so columns stay right), which the table
// handles, and swapped back in every string read and every message.
class Unicode {
public:
    std::string protect(const std::string& text)
    {
        std::string out;
        out.reserve(text.size() + text.size() / 2);
        std::size_t i = 0;
        while (i < text.size()) {
            char32_t c = 0;
            const std::size_t n = decode(text, i, c);
            if (n == 0) {
                out += text[i++]; // ASCII, or bytes that are not UTF-8: toml++ refuses those itself
                continue;
            }
            auto found = toPlaceholder_.find(c);
            if (found == toPlaceholder_.end()) {
                if (fromPlaceholder_.size() >= kPlaceholders)
                    tooMany_ = true;
                const char32_t placeholder = kFirst + static_cast<char32_t>(fromPlaceholder_.size() % kPlaceholders);
                found = toPlaceholder_.emplace(c, placeholder).first;
                fromPlaceholder_.emplace(placeholder, c);
            }
            encode(found->second, out);
            i += n;
        }
        return out;
    }

    std::string restore(const std::string& text) const
    {
        std::string out;
        std::size_t i = 0;
        while (i < text.size()) {
            char32_t c = 0;
            const std::size_t n = decode(text, i, c);
            const auto found = n ? fromPlaceholder_.find(c) : fromPlaceholder_.end();
            if (found == fromPlaceholder_.end()) {
                out.append(text, i, n ? n : 1);
                i += n ? n : 1;
                continue;
            }
            encode(found->second, out);
            i += n;
        }
        return out;
    }

    bool tooMany() const { return tooMany_; }

private:
    static constexpr char32_t kFirst = 0xF0000;
    static constexpr std::size_t kPlaceholders = 0xFFFE;

    // The length of a well-formed multi-byte UTF-8 sequence at i, or 0.
    static std::size_t decode(const std::string& s, std::size_t i, char32_t& c)
    {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
        const unsigned char b = byte(i);
        std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 0;
        if (b >= 0xF5 || n == 0 || i + n > s.size())
            return 0;
        c = b & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                return 0;
            c = (c << 6) | (byte(i + k) & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return 0;
        return n;
    }

    static void encode(char32_t c, std::string& out)
    {
        if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (c & 0x3F));
    }

    std::map<char32_t, char32_t> toPlaceholder_, fromPlaceholder_;
    bool tooMany_ = false;
};

// A message stays one line whatever the file holds: control characters are written as escapes.
std::string oneLine(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else
            out += c;
    }
    return out;
}

bool regularFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

class Reader {
public:
    Reader(const std::string& name, ShowPlan& plan, bool requireFiles, const Unicode& unicode)
        : name_(name), plan_(plan), requireFiles_(requireFiles), unicode_(unicode)
    {
        folder_ = fs::path(name).parent_path().string();
    }

    // The first problem, as its one line.
    std::string error;

    bool read(const toml::table& top)
    {
        std::vector<std::string> topKeys(std::begin(kTopKeys), std::end(kTopKeys));
        for (auto&& [key, value] : top) {
            const std::string k = unicode_.restore(std::string(key.str()));
            if (std::find(topKeys.begin(), topKeys.end(), k) == topKeys.end())
                return fail(key.source(), "unknown key \"" + k + "\" at the top of the show" + suggestion(k, topKeys) +
                                              "; the top takes " + list(topKeys));
        }
        if (const toml::node* music = top.get("music")) {
            if (!file(*music, "\"music\"", plan_.music))
                return false;
        }
        Fit fit = Fit::Cover;
        if (const toml::node* node = top.get("fit")) {
            if (!readFit(*node, "\"fit\"", fit))
                return false;
        }
        const toml::node* scenes = top.get("scene");
        if (!scenes)
            return fail(top.source(), "the show has no scenes; add a [[scene]] table for each");
        const toml::array* array = scenes->as_array();
        if (!array || !array->is_array_of_tables())
            return fail(scenes->source(), "\"scene\" must be [[scene]] tables, one for each scene");
        int index = 0;
        for (const toml::node& node : *array) {
            ++index;
            if (!scene(*node.as_table(), index, fit))
                return false;
        }
        return true;
    }

private:
    bool fail(const toml::source_region& where, const std::string& what)
    {
        error = name_ + ":" + std::to_string(where.begin.line) + ":" + std::to_string(where.begin.column) + ": " +
                oneLine(unicode_.restore(what));
        return false;
    }

    // A string value as the file has it.
    std::optional<std::string> text(const toml::node& node) const
    {
        auto value = node.value<std::string>();
        if (value)
            value = unicode_.restore(*value);
        return value;
    }

    bool scene(const toml::table& table, int index, Fit fit)
    {
        const std::string which = "scene " + std::to_string(index);
        ScenePlan plan;
        plan.line = static_cast<int>(table.source().begin.line);
        const toml::node* kindNode = table.get("kind");
        if (!kindNode)
            return fail(table.source(), which + " has no \"kind\"; give one of " + kindList());
        const auto kindText = text(*kindNode);
        if (!kindText)
            return fail(kindNode->source(), "\"kind\" in " + which + " must be a string, not " + typeName(*kindNode));
        const Kind* kind = nullptr;
        for (const Kind& k : kKinds) {
            if (*kindText == k.name)
                kind = &k;
        }
        if (!kind) {
            std::vector<std::string> names;
            for (const Kind& k : kKinds)
                names.push_back(k.name);
            return fail(kindNode->source(), "unknown kind \"" + *kindText + "\" in " + which +
                                                suggestion(*kindText, names) + "; give one of " + kindList());
        }
        plan.kind = kind->kind;

        std::vector<std::string> keys(std::begin(kSceneKeys), std::end(kSceneKeys));
        for (const char* picture : kind->pictures)
            keys.push_back(picture);
        if (kind->complete)
            keys.push_back("complete");
        for (auto&& [key, value] : table) {
            const std::string k = unicode_.restore(std::string(key.str()));
            if (std::find(keys.begin(), keys.end(), k) == keys.end())
                return fail(key.source(), "unknown key \"" + k + "\" in " + which + " (" + kind->name + ")" +
                                              suggestion(k, keys) + "; a " + kind->name + " scene takes " +
                                              list(keys));
        }

        SceneValues& values = plan.values;
        if (!time(table, "start", which, values.start) || !time(table, "end", which, values.end))
            return false;
        if (values.start >= values.end)
            return fail(table.get("end")->source(), "\"end\" in " + which + " must be later than its \"start\" (" +
                                                        number(values.start) + " s)");
        if (kind->complete) {
            values.complete = values.end;
            if (table.get("complete")) {
                if (!time(table, "complete", which, values.complete))
                    return false;
                if (values.complete <= values.start || values.complete > values.end)
                    return fail(table.get("complete")->source(),
                                "\"complete\" in " + which + " must lie within the scene, after " +
                                    number(values.start) + " s and at most " + number(values.end) + " s");
            }
        }
        if (!words(table, which, values))
            return false;
        for (const char* key : kind->pictures) {
            const toml::node* node = table.get(key);
            // A title's words may stand in for its overlay picture.
            if (!node && plan.kind == SceneKind::Title && std::string(key) == "overlay" && !values.text.empty())
                continue;
            if (!node)
                return fail(table.source(), which + " (" + kind->name + ") has no \"" + key + "\"; give a picture file" +
                                                (plan.kind == SceneKind::Title && std::string(key) == "overlay"
                                                     ? ", or text"
                                                     : ""));
            std::string path;
            if (!file(*node, "\"" + std::string(key) + "\" in " + which, path))
                return false;
            values.pictures.push_back(path);
        }
        if (const toml::node* node = table.get("shader")) {
            if (!file(*node, "\"shader\" in " + which, values.shader))
                return false;
        }
        if (const toml::node* node = table.get("name")) {
            const auto name = text(*node);
            if (!name)
                return fail(node->source(), "\"name\" in " + which + " must be a string, not " + typeName(*node));
            values.name = *name;
        }
        // The built-in show reads its pictures, and reports on them, as it always has: by their names.
        values.byContent = requireFiles_;
        values.fit = fit;
        if (const toml::node* node = table.get("fit")) {
            if (!readFit(*node, "\"fit\" in " + which, values.fit))
                return false;
        }
        plan_.scenes.push_back(plan);
        return true;
    }

    static std::string kindList()
    {
        std::vector<std::string> names;
        for (const Kind& k : kKinds)
            names.push_back(k.name);
        return list(names);
    }

    static std::string number(double value)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        return text;
    }

    bool time(const toml::table& table, const char* key, const std::string& which, double& out)
    {
        const toml::node* node = table.get(key);
        if (!node)
            return fail(table.source(), which + " has no \"" + key + "\"; give it in seconds");
        if (!node->is_number())
            return fail(node->source(),
                        "\"" + std::string(key) + "\" in " + which + " must be a number of seconds, not " + typeName(*node));
        out = *node->value<double>();
        if (!std::isfinite(out) || out < 0)
            return fail(node->source(), "\"" + std::string(key) + "\" in " + which +
                                            " must be a time of 0 seconds or more, not " + number(out));
        return true;
    }

    // The words over the scene and how they look.
    bool words(const toml::table& table, const std::string& which, SceneValues& values)
    {
        const toml::node* textNode = table.get("text");
        if (!textNode) {
            for (const char* key : kWordKeys) {
                if (const toml::node* node = table.get(key))
                    return fail(node->source(), "\"" + std::string(key) + "\" in " + which +
                                                    " is for words: give the scene a \"text\" too");
            }
            return true;
        }
        const auto text = this->text(*textNode);
        if (!text)
            return fail(textNode->source(), "\"text\" in " + which + " must be a string, not " + typeName(*textNode));
        if (text->find_first_not_of(" \t\r\n") == std::string::npos)
            return fail(textNode->source(), "\"text\" in " + which + " is empty; give the words, or leave it out");
        values.text = *text;
        CaptionStyle& style = values.caption;
        if (const toml::node* node = table.get("font")) {
            if (!file(*node, "\"font\" in " + which, style.font))
                return false;
        }
        if (const toml::node* node = table.get("size")) {
            const auto size = node->value<double>();
            if (!node->is_number() || !size || !(*size > 0 && *size <= 1))
                return fail(node->source(), "\"size\" in " + which +
                                                " must be the line's height as a share of the frame's, above 0 and at "
                                                "most 1 (0.1 is ten lines a frame)");
            style.size = *size;
        }
        if (const toml::node* node = table.get("colour")) {
            const auto colour = this->text(*node);
            if (!colour || !parseCaptionColour(*colour, style.colour))
                return fail(node->source(), "\"colour\" in " + which + " must be \"#rrggbb\", such as \"#ffd700\"" +
                                                (colour ? ", not \"" + *colour + "\"" : ""));
        }
        if (const toml::node* node = table.get("position")) {
            const auto position = this->text(*node);
            if (!position || !parseCaptionPosition(*position, style.position))
                return fail(node->source(), "\"position\" in " + which + " must be \"top\", \"middle\" or \"bottom\"" +
                                                (position ? ", not \"" + *position + "\"" : ""));
        }
        return true;
    }

    bool readFit(const toml::node& node, const std::string& what, Fit& fit)
    {
        const auto given = text(node);
        if (given && *given == "cover")
            fit = Fit::Cover;
        else if (given && *given == "contain")
            fit = Fit::Contain;
        else
            return fail(node.source(), what + " must be \"cover\" or \"contain\"" +
                                           (given ? ", not \"" + *given + "\"" : ", not " + std::string(typeName(node))));
        return true;
    }

    // A file name, found in the show's folder or the built-in data folder.
    bool file(const toml::node& node, const std::string& what, std::string& path)
    {
        const auto name = text(node);
        if (!name)
            return fail(node.source(), what + " must be a file name in quotes, not " + typeName(node));
        if (name->empty())
            return fail(node.source(), what + " is empty; give a file name");
        const fs::path given(*name);
        const std::string own = given.is_absolute() ? *name : (fs::path(folder_) / given).lexically_normal().string();
        const std::string builtIn = dataFile(name->c_str());
        if (regularFile(own))
            return found(node, *name, own, path);
        if (!given.is_absolute() && regularFile(builtIn))
            return found(node, *name, builtIn, path);
        if (!requireFiles_)
            return found(node, *name, own, path);
        return fail(node.source(), what + ": no file \"" + *name + "\" in " +
                                       (folder_.empty() ? std::string(".") : folder_) +
                                       (given.is_absolute() ? "" : " or in the built-in data folder"));
    }

    bool found(const toml::node& node, const std::string& given, const std::string& at, std::string& path)
    {
        const toml::source_region& where = node.source();
        plan_.fileNames.push_back({given, at, static_cast<int>(where.begin.line), static_cast<int>(where.begin.column),
                                   static_cast<int>(where.end.line), static_cast<int>(where.end.column)});
        path = at;
        return true;
    }

    std::string name_;
    std::string folder_;
    ShowPlan& plan_;
    bool requireFiles_;
    const Unicode& unicode_;
};

} // namespace

std::string showFileIn(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec) ? (fs::path(path) / "show.toml").string() : path;
}

bool readShowFile(const std::string& path, ShowPlan& plan, std::string& error, bool requireFiles)
{
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uintmax_t>(info.st_size) > kMaxShowFileBytes) {
        error = path + ": too large for a show file (" + std::to_string(info.st_size / 1000000) +
                " MB; a show file is at most 1 MB)";
        return false;
    }
    std::vector<unsigned char> bytes;
    if (!vornak_engine::readFileData(path.c_str(), bytes, error))
        return false;
    return parseShow(std::string(bytes.begin(), bytes.end()), path, plan, error, requireFiles);
}

bool parseShow(const std::string& text, const std::string& name, ShowPlan& plan, std::string& error,
               bool requireFiles)
{
    if (text.size() > kMaxShowFileBytes) {
        error = name + ": too large for a show file (a show file is at most 1 MB)";
        return false;
    }
    Unicode unicode;
    const std::string safe = unicode.protect(text);
    if (unicode.tooMany()) {
        error = name + ": more different characters than a show file may hold";
        return false;
    }
    toml::parse_result parsed = toml::parse(safe, name);
    if (!parsed) {
        const toml::parse_error& problem = parsed.error();
        error = name + ":" + std::to_string(problem.source().begin.line) + ":" +
                std::to_string(problem.source().begin.column) + ": not a TOML file: " +
                oneLine(unicode.restore(std::string(problem.description())));
        return false;
    }
    ShowPlan read;
    read.file = name;
    Reader reader(name, read, requireFiles, unicode);
    if (!reader.read(parsed.table())) {
        error = reader.error;
        return false;
    }
    plan = std::move(read);
    return true;
}
