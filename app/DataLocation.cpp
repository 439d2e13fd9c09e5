#include "app/DataLocation.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool holdsTheShow(const fs::path& folder)
{
    std::error_code ec;
    return fs::is_regular_file(folder / "sprite.vs", ec);
}

} // namespace

DataSearch findDataFolder(const std::string& explicitFolder, const std::string& executable)
{
    DataSearch search;
    const auto tryFolder = [&](const fs::path& folder) {
        search.looked.push_back(folder.string());
        if (holdsTheShow(folder))
            search.folder = folder.string();
        return !search.folder.empty();
    };

    if (!explicitFolder.empty()) {
        tryFolder(explicitFolder);
        return search;
    }
    // The working directory's data/ is taken as it is, damaged or not, as it
    // always was; relative, so every file name the show prints stays "data/...".
    search.looked.push_back("data");
    std::error_code ec;
    if (fs::is_directory("data", ec)) {
        search.folder = "data";
        return search;
    }
    if (executable.empty())
        return search;

    const fs::path exeDir = fs::path(executable).parent_path();
    if (tryFolder(exeDir / "data") || tryFolder((exeDir.parent_path() / "share/vornak/data").lexically_normal()))
        return search;
    for (fs::path dir = exeDir; dir.has_relative_path(); ) {
        dir = dir.parent_path();
        if (tryFolder(dir / "data"))
            return search;
    }
    return search;
}

std::string executablePath()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

std::string describeFailedSearch(const DataSearch& search, bool explicitFolder)
{
    if (explicitFolder)
        return "vornak: " + search.looked.front() +
               ": not the show's data folder (no sprite.vs there); --data names the folder that holds it";
    std::string line = "vornak: cannot find the show's data folder; looked in";
    for (std::size_t i = 0; i < search.looked.size(); ++i)
        line += (i == 0 ? " " : ", ") + search.looked[i];
    return line + "; run from the folder above data/ or name it with --data DIR";
}
