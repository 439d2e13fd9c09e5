#include "demo/DataFolder.h"

namespace {

std::string& folder()
{
    static std::string value = "data";
    return value;
}

} // namespace

void setDataFolder(const std::string& value)
{
    folder() = value;
}

const std::string& dataFolder()
{
    return folder();
}

std::string dataFile(const char* name)
{
    return folder() + "/" + name;
}
