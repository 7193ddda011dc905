#include "ferrywise/foundation/FileStamp.hpp"

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "ferrywise/foundation/JsonFile.hpp"

#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(FileStamp, IsNoneForAMissingFileAndFollowsSymbolicLinks) {
    testing::TemporaryFolder folder;
    EXPECT_EQ(FileStamp::of(folder.path() / "missing.json"), std::nullopt);

    auto file = folder.write("rules.json", "{}");
    fs::create_symlink(file, folder.path() / "link.json");
    auto stamp = FileStamp::of(file);
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->size, 2u);
    EXPECT_EQ(FileStamp::of(folder.path() / "link.json"), stamp);

    fs::remove(file);
    EXPECT_EQ(FileStamp::of(folder.path() / "link.json"), std::nullopt);
}

TEST(FileStamp, ChangesWithTheNanosecondTheSizeOrTheFileItself) {
    testing::TemporaryFolder folder;
    auto file = folder.write("rules.json", "{\"a\":1}");
    auto date = fs::file_time_type::clock::now() - 1h;
    fs::last_write_time(file, date);
    auto original = FileStamp::of(file);
    ASSERT_TRUE(original);

    fs::last_write_time(file, date + 1ns);
    auto touched = FileStamp::of(file);
    ASSERT_TRUE(touched);
    EXPECT_EQ(touched->modified - original->modified, 1ns);

    // The same date, as quick writes within one tick of the file clock get.
    folder.write("rules.json", "{\"a\":10}");
    fs::last_write_time(file, date);
    EXPECT_NE(FileStamp::of(file), original);

    JsonFile::writeData(file, "{\"b\":2}");
    fs::last_write_time(file, date);
    EXPECT_NE(FileStamp::of(file), original);
}

TEST(HeldFile, NoReplacementTakesTheHeldFilesInodeNumber) {
    testing::TemporaryFolder folder;
    EXPECT_FALSE(HeldFile::open(folder.path() / "missing.json"));
    auto file = folder.write("rules.json", "{\"a\":1}");
    auto date = fs::last_write_time(file);
    auto held = HeldFile::open(file);
    ASSERT_TRUE(held);
    auto original = FileStamp::of(file);
    EXPECT_EQ(held->stamp(), original);

    // Same size and date each time: a file system that reuses freed numbers would hand the held file's
    // number to the second replacement if nothing held it.
    for (auto data : {"{\"b\":2}", "{\"c\":3}", "{\"d\":4}"}) {
        JsonFile::writeData(file, data);
        fs::last_write_time(file, date);
        EXPECT_NE(FileStamp::of(file), original) << data;
    }
    EXPECT_EQ(held->stamp(), original);
}

}  // namespace
}  // namespace ferrywise
