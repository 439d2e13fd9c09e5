// vornak-webshow: a show laid out for the web page. The show file is read as
// `vornak --show` reads it (names found in the show's folder, else in the
// built-in data folder; a problem is one FILE:LINE:COLUMN line and status 2),
// and OUT gets what the page needs and nothing else:
//   OUT/show/show.toml   the show file, naming the files beside it
//   OUT/show/...         every file the show names, under its own name where
//                        it can be (a name outside the show's folder becomes
//                        its last part)
//   OUT/data/...         the built-in shaders its scenes read
// The page reads JPEG and PNG only, and no EXIF turn: a HEIC, a WebP or a
// turned JPEG is not copied but written on standard output as
// "IN<tab>OUT/show/NAME.jpg", for vornak-webpicture to make, and the show file
// names that JPEG. The rest of the show file stays as it was written.
//   vornak-webshow SHOW OUT [--data DIR]
#include "demo/DataFolder.h"
#include "demo/ShowFile.h"

#include <vornak/PictureDecoder.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What the page cannot read as it is: HEIC and WebP have no decoder in its
// code, and its JPEG reader keeps no EXIF turn.
bool needsConverting(const std::string& path)
{
    vornak_engine::PictureInfo info;
    if (!vornak_engine::readPictureInfo(path.c_str(), info))
        return false; // copied as it is: the page names it as the desktop does
    return info.type == vornak_engine::IMG_HEIC || info.type == vornak_engine::IMG_WEBP ||
           (info.type == vornak_engine::IMG_JPEG && info.orientation != 1);
}

// The name under show/ a given name keeps when it can: relative, inside the folder.
fs::path ownPlace(const std::string& given)
{
    const fs::path normal = fs::path(given).lexically_normal();
    if (normal.is_absolute() || normal.empty() || *normal.begin() == ".." || normal == ".")
        return normal.filename();
    return normal;
}

// name, or name-2, name-3... before its extension, whichever is free.
fs::path freePlace(const fs::path& wanted, const std::set<std::string>& taken)
{
    fs::path place = wanted;
    for (int n = 2; taken.count(place.generic_string()); ++n) {
        place = wanted;
        place.replace_filename(wanted.stem().string() + "-" + std::to_string(n) + wanted.extension().string());
    }
    return place;
}

// A TOML basic string.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The byte offset of a line and column (from 1, counted in characters, as the reader gives them).
std::size_t offsetOf(const std::string& text, int line, int column)
{
    std::size_t i = 0;
    for (int l = 1; l < line && i < text.size(); ++i) {
        if (text[i] == '\n')
            ++l;
    }
    for (int c = 1; c < column && i < text.size(); ++c) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i; // the rest of a UTF-8 character
    }
    return i;
}

bool fail(const std::string& line)
{
    std::fprintf(stderr, "%s\n", line.c_str());
    return false;
}

bool copyInto(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    if (ec || !fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec))
        return fail(to.string() + ": cannot write: " + ec.message());
    return true;
}

struct Placed {
    fs::path place;       // under show/
    bool convert = false; // made by vornak-webpicture rather than copied
};

// Lays out the show read from `file` into out; the conversions go to standard output.
bool layOut(const std::string& file, const ShowPlan& plan, const fs::path& out)
{
    std::set<std::string> pictures;
    for (const ScenePlan& scene : plan.scenes)
        pictures.insert(scene.values.pictures.begin(), scene.values.pictures.end());

    // Each file once (however many names reach it), names that can stay first,
    // so a converted picture never takes the name of one the show gives.
    std::map<std::string, Placed> placed; // by path as found
    std::set<std::string> taken = {"show.toml"};
    std::vector<std::string> renamed;
    for (const ShowPlan::FileName& name : plan.fileNames) {
        if (placed.count(name.path))
            continue;
        Placed& p = placed[name.path];
        p.place = ownPlace(name.given);
        p.convert = pictures.count(name.path) && needsConverting(name.path);
        if (p.convert && p.place.extension() != ".jpg")
            p.place.replace_extension(".jpg");
        if (p.convert || p.place != fs::path(name.given).lexically_normal() || taken.count(p.place.generic_string()))
            renamed.push_back(name.path);
        else
            taken.insert(p.place.generic_string());
    }
    for (const std::string& path : renamed) {
        Placed& p = placed[path];
        p.place = freePlace(p.place, taken);
        taken.insert(p.place.generic_string());
    }

    // The show file as written, but for the names that changed, last first so offsets hold.
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return fail(file + ": cannot read it again");
    std::vector<ShowPlan::FileName> names = plan.fileNames;
    std::sort(names.begin(), names.end(), [](const ShowPlan::FileName& a, const ShowPlan::FileName& b) {
        return std::tie(a.line, a.column) > std::tie(b.line, b.column);
    });
    for (const ShowPlan::FileName& name : names) {
        const fs::path& place = placed[name.path].place;
        if (place == fs::path(name.given).lexically_normal())
            continue;
        const std::size_t begin = offsetOf(text, name.line, name.column);
        const std::size_t end = offsetOf(text, name.endLine, name.endColumn);
        if (begin >= end || end > text.size() || (text[begin] != '"' && text[begin] != '\''))
            return fail(file + ":" + std::to_string(name.line) + ":" + std::to_string(name.column) +
                        ": cannot find the file name \"" + name.given + "\" to give the page its new name");
        text.replace(begin, end - begin, quoted(place.generic_string()));
    }

    const fs::path show = out / "show";
    std::error_code ec;
    fs::create_directories(show, ec);
    std::ofstream written(show / "show.toml", std::ios::binary);
    written << text;
    written.close();
    if (ec || !written)
        return fail((show / "show.toml").string() + ": cannot write it");

    std::ostringstream conversions;
    for (const auto& [path, p] : placed) {
        if (p.convert)
            conversions << path << '\t' << (show / p.place).string() << '\n';
        else if (!copyInto(path, show / p.place))
            return false;
    }
    std::set<std::string> builtIn;
    for (const ScenePlan& scene : plan.scenes) {
        for (const std::string& name : builtInFilesOf(scene))
            builtIn.insert(name);
    }
    for (const std::string& name : builtIn) {
        if (!copyInto(dataFile(name.c_str()), out / "data" / name))
            return false;
    }
    std::fputs(conversions.str().c_str(), stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app("Lays out a show for the web page (scripts/web --show): its show file, the files it names and the "
                 "built-in shaders it needs. Pictures the page cannot read are listed on standard output as "
                 "\"IN<tab>OUT.jpg\" for vornak-webpicture.",
                 "vornak-webshow");
    app.set_version_flag("--version", "vornak-webshow " VORNAK_VERSION);
    std::string show, out, data = "data";
    app.add_option("SHOW", show, "A show file, or a folder holding show.toml")->required();
    app.add_option("OUT", out, "An empty or new folder for the page's show/ and data/")->required();
    app.add_option("--data", data, "The built-in data folder (default: data)")->type_name("DIR");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "vornak-webshow: %s (see vornak-webshow --help)\n", e.what());
        return 2;
    }

    std::error_code ec;
    if (fs::exists(out, ec) && !fs::is_empty(out, ec)) {
        std::fprintf(stderr, "%s: not empty; the page's files go into an empty or new folder\n", out.c_str());
        return 2;
    }
    setDataFolder(data);
    const std::string file = showFileIn(show);
    ShowPlan plan;
    std::string error;
    if (!readShowFile(file, plan, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    return layOut(file, plan, out) ? 0 : 1;
}
