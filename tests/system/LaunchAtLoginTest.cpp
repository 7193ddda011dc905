#include "ferrywise/system/LaunchAtLogin.hpp"

#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/freedesktop/AppServiceLaunchAtLoginBackend.hpp"
#include "ferrywise/system/AccessibilityPermission.hpp"
#include "ferrywise/system/CodeIdentity.hpp"

#include "support/CapturedLog.hpp"
#include "support/FakeWorkspace.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;
using Status = LaunchAtLoginStatus;
const std::string host = "app.example.Router";

// Reports the status it was given; a change moves it, or throws `error` when one is set.
struct ScriptedBackend final : LaunchAtLoginBackend {
    ScriptedBackend(Status status, std::optional<std::string> error) : now(status), error(std::move(error)) {}
    Status status() const override { return now; }
    void registerLoginItem() override { now = error ? throw std::runtime_error(*error) : Status::enabled; }
    void unregisterLoginItem() override { now = error ? throw std::runtime_error(*error) : Status::disabled; }
    Status now;
    std::optional<std::string> error;
};

// A temporary config folder for the host's autostart entry, and a fake workspace to install the host in.
class LaunchAtLoginTest : public ::testing::Test {
  protected:
    void writeEntry(const std::string& text) const { folder.write(entry, text); }
    [[nodiscard]] Strings lines() const {
        std::istringstream text(JsonFile::readData(folder.path() / entry).value_or(""));
        Strings found;
        for (std::string line; std::getline(text, line);) {
            found.push_back(line);
        }
        return found;
    }
    // Turns the login item on or off and expects it to read so, its entry holding `expected` lines.
    void expectToggled(bool on, const Strings& expected) const {
        on ? backend->registerLoginItem() : backend->unregisterLoginItem();
        EXPECT_EQ(backend->status(), on ? Status::enabled : Status::disabled);
        EXPECT_THAT(lines(), IsSupersetOf(expected));
    }

    testing::CapturedLog sink;
    testing::TemporaryFolder folder;
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    std::shared_ptr<LaunchAtLoginBackend> backend =
        freedesktop::makeAppServiceLaunchAtLoginBackend(workspace, host, folder.path() / "config/autostart");
    const std::string entry = "config/autostart/" + host + ".desktop";
};

TEST_F(LaunchAtLoginTest, ServiceReturnsTheStatusReadAfterTheChangeAndOnlyLogsARefusal) {
    const std::tuple<bool, Status, std::optional<std::string>, Status> cases[] = {
        {true, Status::disabled, std::nullopt, Status::enabled},
        {true, Status::disabled, "denied", Status::disabled},
        {false, Status::enabled, "locked", Status::enabled},
        {false, Status::enabled, std::nullopt, Status::disabled},
        {true, Status::requiresApproval, "held", Status::requiresApproval},
        {false, Status::unavailable, "gone", Status::unavailable}};
    for (const auto& [enable, before, refusal, after] : cases) {
        const std::string operation = enable ? "register" : "unregister";
        SCOPED_TRACE(std::string(before.name()) + " " + operation);
        sink->clear();
        LaunchAtLoginService service(std::make_shared<ScriptedBackend>(before, refusal));
        EXPECT_EQ(service.status(), before);
        EXPECT_EQ(service.setEnabled(enable), after);
        EXPECT_EQ(sink->messages("settings"),
                  refusal ? Strings{"Login item " + operation + " reported: " + *refusal} : Strings{});
        EXPECT_TRUE(std::ranges::all_of(sink->records(), [](auto& r) { return r.level == LogLevel::error; }));
    }
}

TEST_F(LaunchAtLoginTest, AutostartEntryIsMadeFromTheHostAndTogglesKeepingTheUsersVersion) {
    EXPECT_EQ(backend->status(), Status::unavailable);
    EXPECT_THAT([&] { backend->registerLoginItem(); },
                ThrowsMessage<std::runtime_error>(HasSubstr(host + ".desktop")));

    // Field codes go; quoting and a literal "%" (written "%%") stay.
    auto hostEntry =
        folder.write("applications/" + host + ".desktop",
                     "[Desktop Entry]\nType=Application\nName=Router\nName[de]=Weiche\nIcon=router\n"
                     "Exec=\"/opt/my router/router\" --open %U --class=router %i %c 100%%\n"
                     "MimeType=x-scheme-handler/https;\n");
    workspace->install(host, "Router", {"https"}, Url::fromFilePath(hostEntry));
    const std::string command = "Exec=\"/opt/my router/router\" --open --class=router 100%%";
    EXPECT_EQ(backend->status(), Status::disabled);
    backend->unregisterLoginItem();
    EXPECT_FALSE(fs::exists(folder.path() / entry));

    expectToggled(true, {"[Desktop Entry]", "Type=Application", "Name=Router", "Name[de]=Weiche",
                         "Icon=router", command, "X-GNOME-Autostart-enabled=true"});
    EXPECT_THAT(lines(), Not(Contains(StartsWith("MimeType"))));

    // The user's own version: their comment, key and name survive turning it off and on again.
    writeEntry(
        "# started by me\n[Desktop Entry]\nType=Application\nName=My Router\nExec=router -q\nX-Mine=1\n");
    const Strings theirs = {"# started by me", "Name=My Router", "Exec=router -q", "X-Mine=1"};
    expectToggled(false, theirs);
    EXPECT_THAT(lines(), IsSupersetOf({"Hidden=true", "X-GNOME-Autostart-enabled=false"}));
    expectToggled(true, theirs);

    // Entries the session would not start read as disabled; registering makes each startable.
    const std::pair<std::string, Strings> cases[] = {
        {"[Desktop Entry]\nExec=router\nX-GNOME-Autostart-enabled=false\n",
         {"Exec=router", "X-GNOME-Autostart-enabled=true"}},
        {"[Desktop Entry]\nExec=router\nHidden=true\n", {"Exec=router"}},
        {"[Desktop Entry]\nName=Mine\n", {"Name=Mine", "Type=Application", command}},
        {"<html>not an entry</html>\n", {"Name=Router", "Icon=router"}},
    };
    for (const auto& [text, registered] : cases) {
        SCOPED_TRACE(text);
        writeEntry(text);
        EXPECT_EQ(backend->status(), Status::disabled);
        expectToggled(true, registered);
    }
    EXPECT_EQ(JsonFile::readData(folder.path() / (entry + ".unreadable")), "<html>not an entry</html>\n");
    EXPECT_THAT(sink->messages("settings"),
                Contains("Kept the unreadable login item aside as " + host + ".desktop.unreadable"));
}

TEST(AccessibilityPermission, BlamesAnotherBuildOnlyForDifferingIdentitiesAndIsNeededOnlyForKeystrokes) {
    using Permission = AccessibilityPermission::Status;
    const std::optional<std::string> none, a = "aa01", b = "bb02";
    const std::tuple<bool, std::optional<std::string>, std::optional<std::string>, Permission> cases[] = {
        {true, a, b, Permission::granted},
        {true, none, none, Permission::granted},
        {false, a, b, Permission::grantedToAnotherBuild},
        {false, a, a, Permission::notGranted},
        {false, a, none, Permission::notGranted},
        {false, none, b, Permission::notGranted}};
    for (const auto& [granted, current, whenGranted, expected] : cases) {
        EXPECT_EQ(AccessibilityPermission::status(granted, current, whenGranted), expected)
            << granted << " " << current.value_or("-") << " " << whenGranted.value_or("-");
    }

    // Only a private window that is opened by keystrokes (the safari strategy) needs the permission.
    const auto inPrivate = ApplicationVariant::private_();
    const std::tuple<std::string, ApplicationVariant, bool> targets[] = {
        {"com.apple.Safari", inPrivate, true},
        {"com.apple.Safari", ApplicationVariant::normal(), false},
        {"com.apple.Safari", ApplicationVariant::profile("Default"), false},
        {"com.google.Chrome", inPrivate, false},
        {"org.mozilla.firefox", inPrivate, false},
        {"org.example.Unknown", inPrivate, false}};
    for (const auto& [bundleIdentifier, variant, needed] : targets) {
        ApplicationTargetIdentifier target(bundleIdentifier, variant);
        EXPECT_EQ(AccessibilityPermission::isNeeded(target), needed) << target.stored();
    }
}

TEST(CodeIdentity, IsTheSha256OfTheWholeExecutableAndNoneWhenUnreadable) {
    testing::TemporaryFolder folder;
    const std::pair<std::string, std::string> cases[] = {
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // Far more than one read: a digest of only the first piece would differ.
        {std::string(1'000'000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [bytes, digest] : cases) {
        EXPECT_EQ(CodeIdentity::of(folder.write("program", bytes)), digest);
    }
    EXPECT_EQ(CodeIdentity::of(folder.path() / "missing"), std::nullopt);
    EXPECT_EQ(CodeIdentity::of(folder.path()), std::nullopt);

    auto current = CodeIdentity::current();
    ASSERT_TRUE(current);
    EXPECT_THAT(*current, ::testing::MatchesRegex("[0-9a-f]{64}"));
    EXPECT_EQ(current, CodeIdentity::of(fs::read_symlink("/proc/self/exe")));
}

}  // namespace
}  // namespace ferrywise
