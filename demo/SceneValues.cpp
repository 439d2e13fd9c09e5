#include "demo/SceneValues.h"

#include "demo/DataFolder.h"

SceneValues builtInValues(double start, double end, std::vector<const char*> pictures, const char* name)
{
    SceneValues values;
    values.start = start;
    values.end = end;
    for (const char* picture : pictures)
        values.pictures.push_back(dataFile(picture));
    values.name = name;
    values.byContent = false;
    return values;
}

vornak_engine::ImgType pictureType(const SceneValues& values, std::size_t i)
{
    return values.byContent ? vornak_engine::IMG_AUTO : vornak_engine::imageTypeOf(values.pictures.at(i));
}

vornak_engine::ImgType pictureType(const std::string& path, bool byContent)
{
    return byContent ? vornak_engine::IMG_AUTO : vornak_engine::imageTypeOf(path);
}
