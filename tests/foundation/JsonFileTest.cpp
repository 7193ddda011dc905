#include "ferrywise/foundation/JsonFile.hpp"

#include <algorithm>
#include <csignal>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

fs::perms permissionsOf(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

// Lowers the largest file size the process may write, so that writing fails even for root.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST(JsonFile, SerializeIsIndentedSortedUtf8AndEndsInANewline) {
    nlohmann::json value = {{"zeta", {3, 2}}, {"alpha", {{"b", true}, {"a", nullptr}}}, {"mid", "网页"}};
    EXPECT_EQ(JsonFile::serialize(value),
              "{\n"
              "  \"alpha\": {\n"
              "    \"a\": null,\n"
              "    \"b\": true\n"
              "  },\n"
              "  \"mid\": \"网页\",\n"
              "  \"zeta\": [\n"
              "    3,\n"
              "    2\n"
              "  ]\n"
              "}\n");
    EXPECT_EQ(JsonFile::serialize(nlohmann::json::object()), "{}\n");
    EXPECT_EQ(JsonFile::serialize(nlohmann::json("a\xFFz")), "\"a\uFFFDz\"\n");
}

TEST(JsonFile, WriteCreatesMissingFoldersAndReadsBack) {
    testing::TemporaryFolder folder;
    auto path = folder.path() / "one/two/rules.json";
    nlohmann::json value = {{"rules", {{{"id", 1}, {"name", "Büro"}}}}};
    JsonFile::write(path, value);

    EXPECT_EQ(JsonFile::readData(path), JsonFile::serialize(value));
    auto read = JsonFile::read(path);
    EXPECT_EQ(read.status, JsonFile::Status::ok);
    EXPECT_EQ(read.value, value);
    EXPECT_EQ(read.problem, "");
    EXPECT_EQ(permissionsOf(path), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(JsonFile, ReplacingKeepsPermissionsAndLeavesNoTemporaryFiles) {
    testing::TemporaryFolder folder;
    auto path = folder.write("settings.json", "{\"old\": true}");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    JsonFile::write(path, {{"new", 1}});
    JsonFile::writeData(path, "raw\0bytes"s);

    EXPECT_EQ(JsonFile::readData(path), "raw\0bytes"s);
    EXPECT_EQ(permissionsOf(path), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"settings.json"});
}

TEST(JsonFile, WriteBelowARegularFileThrowsNamingThePath) {
    testing::TemporaryFolder folder;
    folder.write("blocker", "x");
    auto path = folder.path() / "blocker/sub/rules.json";
    try {
        JsonFile::write(path, {{"a", 1}});
        FAIL() << "expected a system_error";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos) << error.what();
    }
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"blocker"});
    EXPECT_EQ(JsonFile::readData(folder.path() / "blocker"), "x");
}

TEST(JsonFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporaryFiles) {
    testing::TemporaryFolder folder;
    auto path = folder.write("rules.json", "{\"old\": true}");
    {
        FileSizeLimit limit(4096);
        EXPECT_THROW(JsonFile::writeData(path, std::string(64 * 1024, 'x')), std::system_error);
    }
    EXPECT_EQ(JsonFile::readData(path), "{\"old\": true}");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"rules.json"});
}

TEST(JsonFile, ReadOfMissingFilesReportsMissing) {
    testing::TemporaryFolder folder;
    folder.write("file", "x");
    for (const auto& path : {folder.path() / "absent.json", folder.path() / "no/folder.json",
                             folder.path() / "file/below.json"}) {
        auto read = JsonFile::read(path);
        EXPECT_EQ(read.status, JsonFile::Status::missing) << path;
        EXPECT_TRUE(read.value.is_null());
        EXPECT_EQ(read.problem, "");
        EXPECT_EQ(JsonFile::readData(path), std::nullopt);
    }
}

TEST(JsonFile, ReadOfBrokenFilesReportsUnreadableWithAProblem) {
    testing::TemporaryFolder folder;
    for (const auto& content : {"{\"a\": "s, ""s, "{\"a\": \"\xFF\"}"s, "{} trailing"s, "\0"s}) {
        auto path = folder.write("broken.json", content);
        auto read = JsonFile::read(path);
        EXPECT_EQ(read.status, JsonFile::Status::unreadable) << content;
        EXPECT_TRUE(read.value.is_null()) << content;
        EXPECT_NE(read.problem, "") << content;
        EXPECT_EQ(JsonFile::readData(path), content) << "the file stays in place";
    }
    auto directory = JsonFile::read(folder.path());
    EXPECT_EQ(directory.status, JsonFile::Status::unreadable);
    EXPECT_NE(directory.problem, "");
}

}  // namespace
}  // namespace ferrywise
