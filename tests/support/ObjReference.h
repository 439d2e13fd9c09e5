#pragma once

// The OBJ reading done the slow, literal way (getline into 200 characters, strtok_r, atof, the MeshIndex
// line constructor): tests and fuzz targets hold Mesh3D's fast reader to exactly this.

#include "vornak/Mesh3D.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string.h>
#include <vector>

struct ObjReference {
    std::vector<float> vertices, textCoords, normals;
    // absoluteFaces: each face with its relative indices counted back from the entries read so far.
    std::vector<vornak_engine::MeshIndex> faces, absoluteFaces;
    std::vector<int> faceLines;
    bool hasNormals = false, hasText = false;

    explicit ObjReference(const std::string& bytes)
    {
        std::istringstream in(bytes);
        char buffer[200];
        for (int line = 1; in.good(); ++line) {
            in.getline(buffer, sizeof buffer);
            if (buffer[0] == 'v' && buffer[1] == ' ')
                values(buffer, 3, vertices);
            else if (buffer[0] == 'v' && buffer[1] == 't')
                hasText = values(buffer, 2, textCoords);
            else if (buffer[0] == 'v' && buffer[1] == 'n')
                hasNormals = values(buffer, 3, normals);
            else if (buffer[0] == 'f' && buffer[1] == ' ' && corners(buffer) == 3)
                addFace(buffer, line);
        }
    }

    void addFace(char* buffer, int line)
    {
        faces.emplace_back(buffer);
        faceLines.push_back(line);
        vornak_engine::MeshIndex face = faces.back();
        auto fromEnd = [](int& index, std::size_t entries) {
            if (const long long n = static_cast<long long>(entries); index < 0)
                index = n + index >= 0 ? static_cast<int>(n + index + 1) : 0;
        };
        for (int c = 0; c < 3; ++c) {
            fromEnd(face.vertex[c], vertices.size() / 3);
            fromEnd(face.text[c], textCoords.size() / 2);
            fromEnd(face.normal[c], normals.size() / 3);
        }
        absoluteFaces.push_back(face);
    }

    static bool values(char* buffer, int count, std::vector<float>& list)
    {
        char* state = nullptr;
        strtok_r(buffer, " \n", &state);
        while (count-- > 0) {
            const char* token = strtok_r(nullptr, " \n", &state);
            list.push_back(token ? static_cast<float>(std::atof(token)) : 0.0f);
        }
        return true;
    }

    // Tokens after the keyword, up to 3, counted on a copy: the constructor needs the line whole.
    static int corners(const char* buffer)
    {
        char copy[200], *state = nullptr;
        std::strcpy(copy, buffer);
        int n = -1;
        for (char* token = strtok_r(copy, " \n", &state); token && n < 3; token = strtok_r(nullptr, " \n", &state))
            ++n;
        return n;
    }

    // Same bytes: floats to the bit, NaNs and the sign of zero included.
    template <typename T>
    static bool same(const std::vector<T>& a, const std::vector<T>& b)
    {
        return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
    }

    bool matches(const vornak_engine::Mesh3D& mesh) const
    {
        for (std::size_t k = 0; k < absoluteFaces.size() && k < mesh.faces.size(); ++k) {
            const vornak_engine::MeshIndex face = mesh.absoluteFace(k);
            if (std::memcmp(&face, &absoluteFaces[k], sizeof face) != 0)
                return false;
        }
        return same(mesh.vertices, vertices) && same(mesh.textCoords, textCoords) && same(mesh.normals, normals) &&
               same(mesh.faces, faces) && mesh.faceLines == faceLines && mesh.hasNormals == hasNormals &&
               mesh.hasText == hasText;
    }
};
