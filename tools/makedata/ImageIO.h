// Writing the generator's pictures: JPEG through TurboJPEG, RGBA PNG through libpng.
// Both print one line naming the file and the reason on failure and return false.
#pragma once

#include <string>
#include <vector>

bool writeJpeg(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb,
               int quality);
bool writePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgba);
