#include "ferrywise/foundation/JsonFile.hpp"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <iterator>
#include <system_error>

#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "ferrywise/foundation/Coding.hpp"

#include "support/TemporaryFolder.hpp"

// The next fchmod fails, as on a file system that refuses permissions; every other call goes through.
static std::atomic<bool> failNextFchmod = false;
extern "C" int fchmod(int fd, mode_t mode) {
    if (failNextFchmod.exchange(false)) {
        errno = EPERM;
        return -1;
    }
    static auto* real = reinterpret_cast<int (*)(int, mode_t)>(dlsym(RTLD_NEXT, "fchmod"));
    return real(fd, mode);
}

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace std::string_literals;

// How many entries the folder holds: a write leaves no temporary file behind.
std::ptrdiff_t entriesIn(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

TEST(JsonFile, WritesSortedIndentedUtf8ToPrivateNewFilesKeepsPermissionsOfReplacedOnesAndNoTemporaryFiles) {
    nlohmann::json value = {{"zeta", {3, 2}}, {"alpha", {{"b", true}, {"a", nullptr}}}, {"mid", "网页"}};
    EXPECT_EQ(JsonFile::serialize(value),
              "{\n  \"alpha\": {\n    \"a\": null,\n    \"b\": true\n  },\n  \"mid\": \"网页\",\n"
              "  \"zeta\": [\n    3,\n    2\n  ]\n}\n");
    EXPECT_EQ(JsonFile::serialize(nlohmann::json("a\xFFz")), "\"a\uFFFDz\"\n");

    testing::TemporaryFolder folder;
    auto path = folder.path() / "one/two/rules.json";
    JsonFile::write(path, value);
    EXPECT_EQ(JsonFile::read(path).value, value);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    auto shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, shared);
    JsonFile::writeData(path, "raw\0bytes"s);
    EXPECT_EQ(JsonFile::readData(path), "raw\0bytes"s);
    EXPECT_EQ(fs::status(path).permissions(), shared);
    EXPECT_EQ(entriesIn(path.parent_path()), 1);
}

TEST(JsonFile, FailedWritesThrowNamingThePathAndKeepTheOldFile) {
    testing::TemporaryFolder folder;
    folder.write("blocker", "x");
    auto below = folder.path() / "blocker/sub/rules.json";
    auto writeBelow = [&] { JsonFile::write(below, {{"a", 1}}); };
    EXPECT_THAT(writeBelow,
                ::testing::ThrowsMessage<std::system_error>(::testing::HasSubstr(below.string())));
    auto path = folder.write("rules.json", "{\"old\": true}");
    // A lower limit on the file size makes writing fail, even for root.
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    rlimit lowered{4096, limit.rlim_max};
    auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &lowered);
    EXPECT_THROW(JsonFile::writeData(path, std::string(64 * 1024, 'x')), std::system_error);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
    failNextFchmod = true;  // the new file must never end up more open than the one it replaces
    EXPECT_THROW(JsonFile::writeData(path, "{}"), std::system_error);
    EXPECT_EQ(JsonFile::readData(path), "{\"old\": true}");
    EXPECT_EQ(entriesIn(folder.path()), 2);
}

TEST(JsonFile, WritesThroughASymbolicLinkAndKeepsUnreadableFilesAsideBesideTheTarget) {
    testing::TemporaryFolder folder;
    auto target = folder.write("dotfiles/settings.json", "{\"old\": true}");
    auto link = folder.path() / "config/settings.json";
    fs::create_directories(link.parent_path());
    fs::create_symlink("../dotfiles/settings.json", link);
    JsonFile::writeData(link, "{\"new\": true}");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(JsonFile::readData(target), "{\"new\": true}");
    EXPECT_EQ(entriesIn(target.parent_path()) + entriesIn(link.parent_path()), 2);

    // Kept aside under the first free name, never over an earlier copy; the link stays for the next write.
    folder.write("dotfiles/settings.json.aside", "earlier");
    EXPECT_EQ(JsonFile::keepAside(link, ".aside"), target.parent_path() / "settings.json.aside-2");
    EXPECT_EQ(JsonFile::readData(target.parent_path() / "settings.json.aside"), "earlier");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(JsonFile::keepAside(link, ".aside"), std::nullopt);  // nothing left to keep
}

TEST(JsonFile, ReadTellsMissingFromUnreadableFilesAndLeavesThemInPlace) {
    testing::TemporaryFolder folder;
    folder.write("file", "x");
    for (const auto& path : {folder.path() / "absent.json", folder.path() / "file/below.json"}) {
        auto read = JsonFile::read(path);
        EXPECT_EQ(read.status, JsonFile::Status::missing) << path;
        EXPECT_TRUE(read.value.is_null() && read.problem.empty()) << path;
    }
    // Too deep for the code that copies, compares and writes values; the text itself is never quoted.
    auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    for (const auto& content :
         {""s, "{\"secret\": tru"s, nested(101), "{\"k\": \"[\"," + nested(100'000) + "}"}) {
        auto path = folder.write("broken.json", content);
        auto read = JsonFile::read(path);
        EXPECT_EQ(read.status, JsonFile::Status::unreadable) << content.substr(0, 20);
        EXPECT_TRUE(read.value.is_null() && read.problem.find("at byte") != std::string::npos)
            << read.problem;
        EXPECT_EQ(read.problem.find("secret"), std::string::npos) << read.problem;
        EXPECT_EQ(JsonFile::readData(path), content);
    }
    EXPECT_EQ(JsonFile::parse("[\"[[[\", " + nested(99) + "]").status, JsonFile::Status::ok);
    EXPECT_EQ(JsonFile::read(folder.path()).status, JsonFile::Status::unreadable);
}

TEST(Coding, NullCountsAsAbsentAndIntegersMustBeWholeAndInRange) {
    auto object = nlohmann::json::parse(R"({"a": null, "b": 0})");
    EXPECT_EQ(coding::optional(object, "a"), nullptr);
    EXPECT_EQ(coding::optional(object, "c"), nullptr);
    EXPECT_EQ(coding::optional(object, "b"), &object["b"]);
    EXPECT_THROW((void)coding::required(object, "a"), DecodingError);

    EXPECT_EQ(coding::integer(nlohmann::json::parse("-7"), "k"), -7);
    EXPECT_EQ(coding::integer(nlohmann::json::parse("2.0"), "k"), 2);
    EXPECT_EQ(coding::integer(nlohmann::json::parse("9223372036854775807"), "k"), INT64_MAX);
    for (const char* text : {"2.5", "9223372036854775808", "1e19", "\"2\""}) {
        EXPECT_THROW((void)coding::integer(nlohmann::json::parse(text), "k"), DecodingError) << text;
    }
}

TEST(FileStamp, FollowsLinksChangesWithTheNanosecondOrTheSizeAndNoReplacementTakesAHeldFilesNumber) {
    testing::TemporaryFolder folder;
    EXPECT_EQ(FileStamp::of(folder.path() / "missing.json"), std::nullopt);
    auto file = folder.write("rules.json", "{\"a\":1}");
    fs::create_symlink(file, folder.path() / "link.json");
    auto date = fs::file_time_type::clock::now() - 1h;
    fs::last_write_time(file, date);
    auto original = FileStamp::of(file);
    ASSERT_TRUE(original);
    EXPECT_EQ(FileStamp::of(folder.path() / "link.json"), original);
    fs::last_write_time(file, date + 1ns);
    EXPECT_EQ(FileStamp::of(file)->modified - original->modified, 1ns);
    // The same date, as quick writes within one tick of the file clock get.
    folder.write("rules.json", "{\"a\":10}");
    fs::last_write_time(file, date);
    EXPECT_NE(FileStamp::of(file), original);

    auto held = HeldFile::open(file);
    ASSERT_TRUE(held);
    auto heldStamp = held->stamp();
    EXPECT_EQ(heldStamp, FileStamp::of(file));
    // Same size and date each time: a file system that reuses freed numbers would hand the held file's
    // number to the second replacement if nothing held it.
    for (auto data : {"{\"b\":20}", "{\"c\":30}", "{\"d\":40}"}) {
        JsonFile::writeData(file, data);
        fs::last_write_time(file, date);
        EXPECT_NE(FileStamp::of(file), heldStamp) << data;
    }
    EXPECT_EQ(held->stamp(), heldStamp);
}

}  // namespace
}  // namespace ferrywise
