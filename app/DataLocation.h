#pragma once

// Finds the folder that holds the show's files. The working directory's
// data/ comes first and is used whenever it exists, as it always was; then
// data/ beside the executable and in each of its parent folders, and the
// installed share/vornak/data. Those, and a folder named with --data, count
// only when they hold the shader every scene needs ("sprite.vs").

#include <string>
#include <vector>

struct DataSearch {
    std::string folder;               // "" when no candidate holds the show's files
    std::vector<std::string> looked;  // every candidate, in the order tried
};

// explicitFolder: the --data argument, the only candidate when given.
// executable: the program's own path ("" when unknown).
DataSearch findDataFolder(const std::string& explicitFolder, const std::string& executable);

// The running program's path, from /proc; "" when it cannot be read.
std::string executablePath();

// One line for standard error when the search failed: where it looked and how to point it.
std::string describeFailedSearch(const DataSearch& search, bool explicitFolder);
