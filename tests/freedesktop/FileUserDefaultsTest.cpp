#include "ferrywise/freedesktop/FileUserDefaults.hpp"

#include <algorithm>
#include <csignal>
#include <iterator>
#include <limits>
#include <thread>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/system/InMemoryUserDefaults.hpp"

#include "support/CapturedLog.hpp"
#include "support/ReadOnlyFolder.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Strings = std::vector<std::string>;
const std::string own = "app.example.Router";
constexpr double inf = std::numeric_limits<double>::infinity();

class FileUserDefaultsTest : public ::testing::Test {
  protected:
    [[nodiscard]] freedesktop::FileUserDefaults store() const { return {folder.path(), own}; }
    [[nodiscard]] json onDisk() const { return JsonFile::read(file).value; }
    [[nodiscard]] Strings settingsLog() const { return sink->messages("settings"); }
    // The texts of the damaged files kept aside, sorted.
    [[nodiscard]] Strings keptAside() const {
        Strings texts;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            if (entry.path().filename().string().starts_with(own + ".json.corrupt-")) {
                texts.push_back(JsonFile::readData(entry.path()).value_or(""));
            }
        }
        std::ranges::sort(texts);
        return texts;
    }

    testing::CapturedLog sink;
    testing::TemporaryFolder folder;
    fs::path file = folder.path() / (own + ".json");
};

// The behaviour both stores share; open() gives a store of the own domain, for the file-backed kind a new
// one that reads what the others wrote.
template <typename Store>
class UserDefaultsContract : public ::testing::Test {
  protected:
    std::shared_ptr<UserDefaults> open() {
        if constexpr (std::is_same_v<Store, InMemoryUserDefaults>) {
            return memory;
        } else {
            return std::make_shared<Store>(folder.path(), own);
        }
    }

    testing::TemporaryFolder folder;
    std::shared_ptr<UserDefaults> memory = std::make_shared<InMemoryUserDefaults>(own);
};
using Stores = ::testing::Types<InMemoryUserDefaults, freedesktop::FileUserDefaults>;
TYPED_TEST_SUITE(UserDefaultsContract, Stores);

// Several values at once are stored in order, or none when one of them cannot be.
TYPED_TEST(UserDefaultsContract, StoresEveryKindOfValueANullRemovesAndSeveralChangesAreAllOrNothing) {
    auto defaults = this->open();
    const json values = {{"switch", true}, {"count", -42},     {"ratio", 0.25},
                         {"name", "Zoë"},  {"list", {"a", 1}}, {"table", {{"nested", {{"deep", false}}}}}};
    defaults->setPersistentDomain(values, own);
    EXPECT_EQ(this->open()->persistentDomain(own), values);  // read back from its file
    defaults->set("name", nullptr);
    defaults->remove("list");
    defaults->setValues({{"day", "2026-12-6"}, {"count", 1}, {"ratio", nullptr}, {"count", 2}});
    EXPECT_THROW(defaults->setValues({{"day", "2026-12-7"}, {"count", std::nan("")}}), std::invalid_argument);
    EXPECT_EQ(defaults->persistentDomain(own),
              json({{"switch", true}, {"count", 2}, {"table", values["table"]}, {"day", "2026-12-6"}}));
}

// Values that are not numbers, text that is not UTF-8 (also as a key), binary data, domain names that are
// no file name; an empty domain exists.
TYPED_TEST(UserDefaultsContract, RefusesWhatADomainCannotHoldAndStaysUnchanged) {
    auto defaults = this->open();
    defaults->set("kept", 1);
    const std::string notUtf8 = "caf\xE9";
    for (const json& value : {json(std::nan("")), json(notUtf8), json({{"nested", {1, -inf}}}),
                              json({{notUtf8, 1}}), json::binary({1, 2})}) {
        EXPECT_THROW(defaults->set("kept", value), std::invalid_argument) << value.type_name();
    }
    EXPECT_THROW(defaults->set(notUtf8, 1), std::invalid_argument);
    using namespace std::string_view_literals;
    for (auto name : {""sv, ".hidden"sv, "a/b"sv, "a\0b"sv}) {
        EXPECT_THROW(defaults->setPersistentDomain(json::object(), name), std::invalid_argument) << name;
        EXPECT_THROW(defaults->removePersistentDomain(name), std::invalid_argument) << name;
        EXPECT_EQ(defaults->persistentDomain(name), std::nullopt);
    }
    // As deep as a stored file may nest (its dictionary one level), and not one level more.
    const auto deep = json::parse(std::string(99, '[') + std::string(99, ']'));
    defaults->set("deep", deep);
    EXPECT_EQ(this->open()->object("deep"), deep);  // read back from its file
    EXPECT_THROW(defaults->set("deep", json::array({deep})), std::invalid_argument);
    defaults->remove("deep");
    EXPECT_EQ(defaults->persistentDomain(own), json({{"kept", 1}}));
    defaults->setPersistentDomain(json::object(), "org.example.Empty");
    EXPECT_EQ(defaults->persistentDomain("org.example.Empty"), json::object());
}

TYPED_TEST(UserDefaultsContract, TypedReadsConvertAsASettingsStoreDoesAndFallBackOnTheGlobalDomain) {
    auto defaults = this->open();
    // The own domain hides the global value; persistent domains do not fall back.
    defaults->setPersistentDomain({{"shared", 1}}, UserDefaults::globalDomain);
    EXPECT_EQ(defaults->integer("shared"), 1);
    EXPECT_EQ(defaults->persistentDomain(own), std::nullopt);
    defaults->set("shared", 2);
    EXPECT_EQ(defaults->integer("shared"), 2);
    defaults->remove("shared");
    defaults->removePersistentDomain(UserDefaults::globalDomain);
    EXPECT_EQ(defaults->object("shared"), std::nullopt);
    EXPECT_EQ(defaults->persistentDomain(UserDefaults::globalDomain), std::nullopt);

    // Stored value; boolean (none = -1); whole number (truncated towards zero, clamped, from a leading number
    // in text); number. A list reads as texts only when it holds nothing else.
    constexpr auto max = std::numeric_limits<std::int64_t>::max(),
                   min = std::numeric_limits<std::int64_t>::min();
    const json u64max = 18446744073709551615ULL, array = json::array({1});
    const std::string tooHigh = "99999999999999999999";
    const std::tuple<json, int, std::int64_t, double> cases[] = {
        {true, 1, 1, 1},           {0, 0, 0, 0},           {2, -1, 2, 2},
        {-7.9, -1, -7, -7.9},      {1e19, -1, max, 1e19},  {-1e19, -1, min, -1e19},
        {u64max, -1, max, 0x1p64}, {" 12abc", -1, 12, 12}, {"+2.5", -1, 2, 2.5},
        {tooHigh, -1, max, 1e20},  {"nan", -1, 0, 0},      {array, -1, 0, 0},
    };
    for (const auto& [stored, boolean, integer, number] : cases) {
        defaults->set("value", stored);
        EXPECT_EQ(defaults->boolean("value"), boolean < 0 ? std::nullopt : std::optional(boolean == 1))
            << stored;
        EXPECT_EQ(defaults->integer("value"), integer) << stored;
        EXPECT_DOUBLE_EQ(defaults->floatingPoint("value"), number) << stored;
    }
    defaults->setValues({{"strings", {"a", "b"}}, {"mixed", {"a", 2}}});
    EXPECT_EQ(defaults->stringArray("strings"), (Strings{"a", "b"}));
    EXPECT_EQ(defaults->stringArray("mixed"), std::nullopt);
}

// Nothing is written until something changes. Each write starts from the file as it is then, so one
// store's change does not undo the other's.
TEST_F(FileUserDefaultsTest, ChangesWrittenThroughAnotherStoreAreSeenAndNotUndone) {
    auto first = store();
    auto second = store();  // as another process would
    EXPECT_THROW(freedesktop::FileUserDefaults(folder.path(), "../escape"), std::invalid_argument);
    first.remove("absent");
    EXPECT_FALSE(fs::exists(file));
    first.set("a", 1);
    EXPECT_EQ(second.integer("a"), 1);
    second.set("b", 2);
    first.set("c", 3);
    EXPECT_EQ(onDisk(), json({{"a", 1}, {"b", 2}, {"c", 3}}));
    second.removePersistentDomain(own);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(first.object("a"), std::nullopt);
}

// Before the next write each damaged file is kept aside, beside those before it under a name of its own;
// a change that changes nothing leaves it where it is. Not a dictionary, a number out of range, a text
// that must not reach the log, and nesting deep enough to be refused before anything recurses through it.
TEST_F(FileUserDefaultsTest, ADamagedFileReadsEmptyIsLoggedOnceAndKeptAsideBeforeTheNextWrite) {
    const auto nested = "{\"k\": " + std::string(100'000, '[') + std::string(100'000, ']') + "}";
    Strings damaged{"[1, 2]", "{\"n\": 1e999}", "{\"token\": \"secret\" x", nested};
    for (const auto& text : damaged) {
        SCOPED_TRACE(text.substr(0, 30));
        sink->clear();
        folder.write(file.filename(), text);
        auto defaults = store();
        EXPECT_EQ(defaults.persistentDomain(own), json::object());
        defaults.remove("alwaysAsks");
        ASSERT_EQ(settingsLog().size(), 1U);
        EXPECT_TRUE(
            settingsLog()[0].starts_with("Could not read the settings file app.example.Router.json: "));
        EXPECT_EQ(settingsLog()[0].find("secret"), std::string::npos) << settingsLog()[0];
        EXPECT_EQ(JsonFile::readData(file), text);
        defaults.set("alwaysAsks", false);
        EXPECT_EQ(onDisk(), json({{"alwaysAsks", false}}));
        EXPECT_EQ(settingsLog().size(), 2U);  // the read once, the keeping aside once
    }
    std::ranges::sort(damaged);
    EXPECT_EQ(keptAside(), damaged);
}

// The value that could not be written is written with the next change that can.
TEST_F(FileUserDefaultsTest, AFailedWriteInAReadOnlyFolderIsLoggedAndTheValueStaysInEffect) {
    auto defaults = store();
    defaults.set("first", 1);
    {
        testing::ReadOnlyFolder readOnly(folder.path());
        if (!readOnly.active()) {
            GTEST_SKIP() << readOnly.problem();
        }
        EXPECT_NO_THROW(defaults.set("second", 2));
        EXPECT_EQ(defaults.integer("second"), 2);
        EXPECT_EQ(settingsLog().size(), 1U);
    }
    defaults.set("third", 3);
    EXPECT_EQ(onDisk(), json({{"first", 1}, {"second", 2}, {"third", 3}}));
}

// A child process writes one record in a loop and reports each completed write on a pipe; it is killed
// without warning after a few writes and a little later each round, so that the kill lands at different
// points of a write. Every time the file holds a whole record: the last one reported, or a later one. The
// temporary files of the killed writes go with the next write.
TEST_F(FileUserDefaultsTest, SurvivesAWriterKilledInTheMiddleOfWriting) {
    auto payload = [](long counter) { return std::string(200'000, static_cast<char>('a' + counter % 26)); };
    for (int round = 0; round < 16; ++round) {
        int channel[2];
        ASSERT_EQ(::pipe(channel), 0);
        pid_t child = ::fork();
        if (child == 0) {  // the writer, which must never return into the test
            try {
                auto writer = store();
                for (long counter = 1; true; ++counter) {
                    writer.set("record", {{"counter", counter}, {"payload", payload(counter)}});
                    if (::write(channel[1], "+", 1) != 1) {
                        break;
                    }
                }
            } catch (...) {
            }
            ::_exit(1);
        }
        ASSERT_GT(child, 0) << "could not start the writer";
        ::close(channel[1]);
        long written = 0;
        for (char byte = 0; written < 1 + round % 4 && ::read(channel[0], &byte, 1) == 1;) {
            ++written;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(1500 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(channel[0]);
        ASSERT_TRUE(WIFSIGNALED(status));
        ASSERT_EQ(written, 1 + round % 4) << "the writer stopped by itself";
        auto read = JsonFile::read(file);
        ASSERT_EQ(read.status, JsonFile::Status::ok) << read.problem;
        auto counter = read.value["record"]["counter"].get<long>();
        EXPECT_GE(counter, written);
        EXPECT_EQ(read.value["record"]["payload"], payload(counter));
    }
    store().set("after", true);
    EXPECT_TRUE(fs::exists(folder.path() / ".app.example.Router.lock"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 2);  // and the settings file
}

}  // namespace
}  // namespace ferrywise
