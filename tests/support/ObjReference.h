#pragma once

// The OBJ reading done the slow, literal way: an input stream read line by line
// into a 200-character buffer, strtok_r for tokens, atof for values and the
// MeshIndex line constructor for faces. Tests and fuzz targets hold the fast
// reader of Mesh3D to exactly this. Header-only so the fuzz targets can use it.

#include "engine/MeshIndex.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string.h>
#include <vector>

struct ObjReference {
    std::vector<float> vertices;
    std::vector<float> textCoords;
    std::vector<float> normals;
    std::vector<vornak_engine::MeshIndex> faces;
    std::vector<int> faceLines;
    bool hasNormals = false;
    bool hasText = false;

    explicit ObjReference(const std::string& bytes)
    {
        std::istringstream in(bytes);
        char buffer[200];
        int line = 0;
        while (in.good()) {
            in.getline(buffer, sizeof buffer);
            ++line;
            if (buffer[0] == 'v' && buffer[1] == ' ') {
                values(buffer, 3, vertices);
            } else if (buffer[0] == 'v' && buffer[1] == 't') {
                hasText = true;
                values(buffer, 2, textCoords);
            } else if (buffer[0] == 'v' && buffer[1] == 'n') {
                hasNormals = true;
                values(buffer, 3, normals);
            } else if (buffer[0] == 'f' && buffer[1] == ' ') {
                if (corners(buffer) < 3)
                    continue;
                faces.emplace_back(buffer);
                faceLines.push_back(line);
            }
        }
    }

    static void values(char* buffer, int count, std::vector<float>& list)
    {
        char* state = nullptr;
        strtok_r(buffer, " \n", &state);
        for (int i = 0; i < count; ++i) {
            const char* token = strtok_r(nullptr, " \n", &state);
            list.push_back(token ? static_cast<float>(std::atof(token)) : 0.0f);
        }
    }

    static int corners(const char* buffer)
    {
        char copy[200];
        std::strcpy(copy, buffer);
        char* state = nullptr;
        if (!strtok_r(copy, " \n", &state))
            return 0;
        int n = 0;
        while (n < 3 && strtok_r(nullptr, " \n", &state))
            ++n;
        return n;
    }
};
