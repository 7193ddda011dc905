#include "ferrywise/freedesktop/FileUserDefaults.hpp"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <limits>
#include <memory>
#include <thread>

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/system/InMemoryUserDefaults.hpp"

#include "support/ReadOnlyFolder.hpp"
#include "support/TemporaryFolder.hpp"

extern char** environ;

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The behaviour every store shares, run on the in-memory store and on the file-backed one.
template <typename Store>
class UserDefaultsContract : public ::testing::Test {
  protected:
    std::unique_ptr<UserDefaults> make(const std::string& domain = "app.example.Router") {
        if constexpr (std::is_same_v<Store, InMemoryUserDefaults>) {
            return std::make_unique<InMemoryUserDefaults>(domain);
        } else {
            return std::make_unique<freedesktop::FileUserDefaults>(folder.path() / "defaults", domain);
        }
    }

    testing::TemporaryFolder folder;
};

using Stores = ::testing::Types<InMemoryUserDefaults, freedesktop::FileUserDefaults>;
TYPED_TEST_SUITE(UserDefaultsContract, Stores);

TYPED_TEST(UserDefaultsContract, StoresEveryKindOfValueAndANullRemoves) {
    auto defaults = this->make();
    json values = {{"switch", true}, {"count", -42},     {"ratio", 0.25},
                   {"name", "Zoë"},  {"list", {"a", 1}}, {"table", {{"nested", {{"deep", false}}}}}};
    for (const auto& [key, value] : values.items()) {
        defaults->set(key, value);
    }
    for (const auto& [key, value] : values.items()) {
        EXPECT_EQ(defaults->object(key), value) << key;
    }
    defaults->set("name", nullptr);
    defaults->remove("count");
    defaults->remove("never stored");
    EXPECT_EQ(defaults->object("name"), std::nullopt);
    EXPECT_EQ(defaults->object("count"), std::nullopt);
    EXPECT_EQ(defaults->persistentDomain("app.example.Router")->size(), 4U);
}

TYPED_TEST(UserDefaultsContract, SeveralValuesAreStoredInOrderOrNotAtAll) {
    auto defaults = this->make();
    defaults->set("old", 1);
    defaults->setValues({{"day", "2026-12-6"}, {"count", 1}, {"old", nullptr}, {"count", 2}});
    EXPECT_EQ(defaults->persistentDomain("app.example.Router"), json({{"day", "2026-12-6"}, {"count", 2}}));

    EXPECT_THROW(defaults->setValues({{"day", "2026-12-7"}, {"count", std::nan("")}}), std::invalid_argument);
    EXPECT_EQ(defaults->string("day"), "2026-12-6");
    EXPECT_EQ(defaults->integer("count"), 2);
}

TYPED_TEST(UserDefaultsContract, LookupsFallBackOnTheGlobalDomainButPersistentDomainsDoNot) {
    auto defaults = this->make();
    defaults->setPersistentDomain({{"AppleLanguages", {"de"}}, {"shared", 1}}, UserDefaults::globalDomain);
    EXPECT_EQ(defaults->stringArray("AppleLanguages"), std::vector<std::string>{"de"});
    EXPECT_EQ(defaults->persistentDomain("app.example.Router"), std::nullopt);

    defaults->set("shared", 2);  // the own domain hides the global value...
    EXPECT_EQ(defaults->integer("shared"), 2);
    EXPECT_EQ(defaults->persistentDomain("app.example.Router"), json({{"shared", 2}}));
    defaults->remove("shared");  // ...until it is removed again
    EXPECT_EQ(defaults->integer("shared"), 1);

    defaults->removePersistentDomain(UserDefaults::globalDomain);
    EXPECT_EQ(defaults->object("AppleLanguages"), std::nullopt);
    EXPECT_EQ(defaults->persistentDomain(UserDefaults::globalDomain), std::nullopt);
    defaults->setPersistentDomain(json::object(), "org.example.Empty");  // an empty domain exists
    EXPECT_EQ(defaults->persistentDomain("org.example.Empty"), json::object());
}

TYPED_TEST(UserDefaultsContract, TypedReadsConvertAsASettingsStoreDoes) {
    auto defaults = this->make();
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    struct Case {
        json stored;
        std::optional<bool> boolean;
        std::int64_t integer;
        double floatingPoint;
    };
    const Case cases[] = {
        {true, true, 1, 1},
        {0, false, 0, 0},
        {1.0, true, 1, 1},
        {2, std::nullopt, 2, 2},
        {7.9, std::nullopt, 7, 7.9},
        {-7.9, std::nullopt, -7, -7.9},
        {1e300, std::nullopt, max, 1e300},
        {-1e300, std::nullopt, min, -1e300},
        {18446744073709551615ULL, std::nullopt, max, 18446744073709551615.0},
        {" 12abc", std::nullopt, 12, 12},
        {"-5", std::nullopt, -5, -5},
        {"+2.5", std::nullopt, 2, 2.5},
        {"99999999999999999999", std::nullopt, max, 1e20},
        {"-99999999999999999999", std::nullopt, min, -1e20},
        {"true", std::nullopt, 0, 0},
        {"nan", std::nullopt, 0, 0},
        {"", std::nullopt, 0, 0},
        {json::array({1}), std::nullopt, 0, 0},
        {json::object(), std::nullopt, 0, 0},
    };
    for (const auto& c : cases) {
        defaults->set("value", c.stored);
        EXPECT_EQ(defaults->boolean("value"), c.boolean) << c.stored;
        EXPECT_EQ(defaults->integer("value"), c.integer) << c.stored;
        EXPECT_DOUBLE_EQ(defaults->floatingPoint("value"), c.floatingPoint) << c.stored;
    }
    EXPECT_EQ(defaults->integer("absent"), 0);
    EXPECT_EQ(defaults->boolean("absent"), std::nullopt);

    defaults->set("value", {"a", "b"});
    EXPECT_EQ(defaults->stringArray("value"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(defaults->string("value"), std::nullopt);
    EXPECT_EQ(defaults->dictionary("value"), std::nullopt);
    defaults->set("value", {"a", 2});
    EXPECT_EQ(defaults->stringArray("value"), std::nullopt);
    EXPECT_EQ(defaults->array("value"), json({"a", 2}));
    defaults->set("value", "text");
    EXPECT_EQ(defaults->string("value"), "text");
    EXPECT_EQ(defaults->stringArray("value"), std::nullopt);
}

TYPED_TEST(UserDefaultsContract, RefusesWhatADomainCannotHoldAndStaysUnchanged) {
    auto defaults = this->make();
    defaults->set("kept", 1);
    const std::string notUtf8 = "caf\xE9";
    const json refused[] = {
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        notUtf8,
        {{"nested", {1, -std::numeric_limits<double>::infinity()}}},
        {{notUtf8, 1}},
        json::binary({1, 2}),
    };
    for (const auto& value : refused) {
        EXPECT_THROW(defaults->set("kept", value), std::invalid_argument);
    }
    EXPECT_THROW(defaults->set(notUtf8, 1), std::invalid_argument);
    EXPECT_THROW(defaults->setPersistentDomain(json::array(), "org.example.Other"), std::invalid_argument);
    using namespace std::string_view_literals;
    for (auto name : {""sv, ".hidden"sv, "a/b"sv, ".."sv, "a\0b"sv}) {
        EXPECT_THROW(defaults->setPersistentDomain(json::object(), name), std::invalid_argument) << name;
        EXPECT_EQ(defaults->persistentDomain(name), std::nullopt);
    }
    EXPECT_THROW(this->make("../escape"), std::invalid_argument);
    EXPECT_EQ(defaults->persistentDomain("app.example.Router"), json({{"kept", 1}}));
}

class FileUserDefaultsTest : public ::testing::Test {
  protected:
    FileUserDefaultsTest() { previousSink_ = Log::setSink(sink); }
    ~FileUserDefaultsTest() override { Log::setSink(previousSink_); }

    [[nodiscard]] freedesktop::FileUserDefaults store() const {
        return {folder.path(), "app.example.Router"};
    }

    [[nodiscard]] std::vector<fs::path> keptAside() const {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            if (entry.path().filename().string().find(".corrupt-") != std::string::npos) {
                files.push_back(entry.path());
            }
        }
        return files;
    }

    std::shared_ptr<RecordingLogSink> sink = std::make_shared<RecordingLogSink>();
    testing::TemporaryFolder folder;
    fs::path file = folder.path() / "app.example.Router.json";

  private:
    std::shared_ptr<LogSink> previousSink_;
};

TEST_F(FileUserDefaultsTest, KeepsOneSortedJsonFilePerDomainUnderTheConfigFolder) {
    auto paths = Paths::underRoot(folder.path(), "org.example.Host");
    auto defaults = freedesktop::FileUserDefaults::standard(paths);
    EXPECT_EQ(defaults->domain(), "org.example.Host");
    defaults->set("zeta", 1);
    defaults->set("alpha", {"x"});
    auto expected = folder.path() / "config" / "org.example.Host" / "defaults" / "org.example.Host.json";
    EXPECT_EQ(JsonFile::readData(expected), "{\n  \"alpha\": [\n    \"x\"\n  ],\n  \"zeta\": 1\n}\n");

    freedesktop::FileUserDefaults reopened(expected.parent_path(), "org.example.Host");
    EXPECT_EQ(reopened.integer("zeta"), 1);
}

TEST_F(FileUserDefaultsTest, ChangesWrittenThroughAnotherStoreAreSeenAndNotUndone) {
    auto first = store();
    auto second = store();  // as another process would
    first.set("a", 1);
    EXPECT_EQ(second.integer("a"), 1);
    second.set("b", 2);  // starts from the file as it is now, so "a" stays
    first.set("c", 3);
    EXPECT_EQ(JsonFile::read(file).value, json({{"a", 1}, {"b", 2}, {"c", 3}}));
    second.removePersistentDomain("app.example.Router");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(first.object("a"), std::nullopt);
}

TEST_F(FileUserDefaultsTest, RemovingFromADomainWithoutAFileWritesNothing) {
    auto defaults = store();
    defaults.remove("absent");
    defaults.removePersistentDomain("org.example.Other");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(folder.path() / "org.example.Other.json"));
}

TEST_F(FileUserDefaultsTest, ADamagedFileReadsEmptyIsLoggedOnceAndKeptAsideBeforeTheNextWrite) {
    for (std::string damaged :
         {std::string("{\"alwaysAsks\": fal"), std::string("[1, 2]"), std::string("{\"n\": 1e999}")}) {
        SCOPED_TRACE(damaged);
        sink->clear();
        for (const auto& aside : keptAside()) {
            fs::remove(aside);
        }
        folder.write(file.filename(), damaged);
        auto defaults = store();
        EXPECT_EQ(defaults.object("alwaysAsks"), std::nullopt);
        EXPECT_EQ(defaults.persistentDomain("app.example.Router"), json::object());
        defaults.remove("alwaysAsks");  // changes nothing, so the file stays as it is
        EXPECT_EQ(defaults.boolean("alwaysAsks"), std::nullopt);
        ASSERT_EQ(sink->messages("settings").size(), 1U);
        EXPECT_EQ(sink->messages("settings")[0].rfind(
                      "Could not read the settings file app.example.Router.json: ", 0),
                  0U);
        EXPECT_EQ(JsonFile::readData(file), damaged);

        defaults.set("alwaysAsks", false);
        auto aside = keptAside();
        ASSERT_EQ(aside.size(), 1U);
        EXPECT_EQ(JsonFile::readData(aside[0]), damaged);
        EXPECT_EQ(JsonFile::read(file).value, json({{"alwaysAsks", false}}));
        EXPECT_EQ(sink->messages("settings").size(), 2U);  // the read once, the keeping aside once
    }
}

TEST_F(FileUserDefaultsTest, ASecondDamagedFileIsKeptAsideBesideTheFirst) {
    auto defaults = store();
    for (int round = 0; round < 2; ++round) {
        folder.write(file.filename(), "not json " + std::to_string(round));
        defaults.set("round", round);
    }
    EXPECT_EQ(keptAside().size(), 2U);
    EXPECT_EQ(defaults.integer("round"), 1);
}

TEST_F(FileUserDefaultsTest, AFailedWriteIsLoggedAndTheValueStaysInEffect) {
    auto defaults = store();
    defaults.set("first", 1);
    {
        testing::ReadOnlyFolder readOnly(folder.path());
        if (!readOnly.active()) {
            GTEST_SKIP() << readOnly.problem();
        }
        EXPECT_NO_THROW(defaults.set("second", 2));
        EXPECT_EQ(defaults.integer("second"), 2);
        EXPECT_EQ(sink->messages("settings").size(), 1U);
    }
    defaults.set("third", 3);  // written together with the value that could not be
    EXPECT_EQ(JsonFile::read(file).value, json({{"first", 1}, {"second", 2}, {"third", 3}}));
}

// Kills a process that writes the domain in a loop at many different moments; every time, the file holds
// a whole record: the last one reported written, or the one after it.
TEST_F(FileUserDefaultsTest, SurvivesAWriterKilledInTheMiddleOfWriting) {
    for (int round = 0; round < 16; ++round) {
        int output[2];
        ASSERT_EQ(::pipe(output), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        std::string program = FERRYWISE_DEFAULTS_WRITER;
        std::string folderArgument = folder.path().string();
        std::string domain = "app.example.Router";
        char* arguments[] = {program.data(), folderArgument.data(), domain.data(), nullptr};
        pid_t child = 0;
        ASSERT_EQ(posix_spawn(&child, program.c_str(), &actions, nullptr, arguments, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(output[1]);

        // Let it complete a few writes, then kill it without warning a little later each round, so that
        // the kill lands at different points of a write (one takes a few milliseconds).
        const long acknowledged = 1 + round % 4;
        long written = 0;
        char byte = 0;
        while (written < acknowledged && ::read(output[0], &byte, 1) == 1) {
            ++written;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(1500 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(output[0]);
        ASSERT_TRUE(WIFSIGNALED(status));
        ASSERT_EQ(written, acknowledged) << "the writer stopped by itself";

        auto read = JsonFile::read(file);
        ASSERT_EQ(read.status, JsonFile::Status::ok) << read.problem;
        auto counter = read.value["record"]["counter"].get<long>();
        EXPECT_GE(counter, written);  // the kill may come after further writes
        EXPECT_EQ(read.value["record"]["payload"],
                  std::string(200'000, static_cast<char>('a' + counter % 26)));
        EXPECT_EQ(store().persistentDomain("app.example.Router"), read.value);
    }
    // The temporary files of the killed writes go with the next write.
    store().set("after", true);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".app.example.Router.lock", "app.example.Router.json"}));
}

}  // namespace
}  // namespace ferrywise
