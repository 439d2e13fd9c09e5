#include "vornak/FileData.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using vornak_engine::openRegularFile;
using vornak_engine::readFileData;

TEST(FileData, RegularFilesReadWhole)
{
    TempDir dir;
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    for (const std::string& content : {std::string(), std::string("x\0y\n", 4), big}) {
        SCOPED_TRACE(content.size());
        const std::string path = dir.write("f", content);
        std::vector<unsigned char> bytes(3, 'z');
        std::string error;
        ASSERT_TRUE(readFileData(path.c_str(), bytes, error)) << error;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
        std::size_t size = 1;
        const int fd = openRegularFile(path.c_str(), size, error);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(size, content.size());
        EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "not handed to child processes";
        close(fd);
    }
}

// Anything but a regular file is refused at once with what it is; a FIFO
// without a writer and an endless device are never waited on or read.
TEST(FileData, OtherKindsAreRefusedByName)
{
    TempDir dir;
    const std::string fifo = dir.path() + "/fifo", locked = dir.write("locked", "secret");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    std::vector<std::pair<std::string, std::string>> cases = {
        {dir.path() + "/missing", "cannot open: No such file or directory"},
        {dir.path(), "is a directory"},
        {fifo, "is a FIFO"},
        {"/dev/zero", "is a device"},
    };
    if (geteuid() != 0) // root reads it anyway
        cases.push_back({locked, "cannot open: Permission denied"});
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        std::vector<unsigned char> bytes(3, 'z');
        std::string error;
        EXPECT_FALSE(readFileData(path.c_str(), bytes, error));
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(error, path + ": " + reason);
        std::size_t size = 1;
        error.clear();
        EXPECT_EQ(openRegularFile(path.c_str(), size, error), -1);
        EXPECT_EQ(error, path + ": " + reason);
        EXPECT_EQ(size, 0u);
    }
}

} // namespace
