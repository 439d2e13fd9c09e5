#pragma once

// Where the show reads its shaders, pictures and music: "data", relative to
// the working directory, unless the program found or was given another folder.
// Set it before the demo's init(); the scenes read their files there.

#include <string>

void setDataFolder(const std::string& folder);
const std::string& dataFolder();

// The path of one of the show's files, e.g. dataFile("toys.jpg") -> "data/toys.jpg".
std::string dataFile(const char* name);
