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
    return values;
}

vornak_engine::ImgType pictureType(const std::string& path)
{
    return vornak_engine::imageTypeOf(path);
}
