#include <boost/asio/io_context.hpp>
#include <gtest/gtest.h>

#include "ferrywise/system/DefaultHandlerModel.hpp"
#include "ferrywise/system/RouteStatusSummary.hpp"

#include "support/CapturedLog.hpp"
#include "support/FakeWorkspace.hpp"
#include "support/ManualScheduler.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using namespace std::chrono_literals;
using Kind = LinkScheme::Kind;
using Kinds = std::set<Kind>;
using Strings = std::vector<std::string>;

TEST(AsioScheduler, RunsActionsOnTheExecutorUntilCancelled) {
    boost::asio::io_context io;
    AsioScheduler scheduler(io.get_executor());
    int once = 0, cancelled = 0, dropped = 0, ticks = 0;
    auto single = scheduler.after(0ms, [&] { ++once; });
    auto stopped = scheduler.after(0ms, [&] { ++cancelled; });
    stopped.cancel();
    (void)scheduler.after(0ms, [&] { ++dropped; });  // the handle goes at once, and the action with it
    Scheduler::Timer repeating;
    repeating = scheduler.repeating(1ms, [&] {
        if (++ticks == 3) {
            repeating.cancel();  // from within its own action
        }
    });
    io.run();
    EXPECT_EQ(std::tuple(once, cancelled, dropped, ticks), std::tuple(1, 0, 0, 3));
}

TEST(RouteStatusSummary, NothingRoutedSaysSoOtherwiseBothStatesDecide) {
    using State = HandlerRouteState;
    using Case = RouteStatusSummary::Case;
    const auto ok = State::ok(), unset = State::unset(), firefox = State::taken("Firefox"),
               mailer = State::taken("Mailer");
    const std::tuple<State, State, std::int64_t, Case, std::optional<std::string>> rows[] = {
        {unset, unset, 0, Case::noRoutes, std::nullopt},
        {ok, ok, -1, Case::noRoutes, std::nullopt},
        {ok, ok, 1, Case::allHandled, std::nullopt},
        {ok, unset, 2, Case::mailUnset, std::nullopt},
        {ok, mailer, 2, Case::mailTaken, "Mailer"},
        {unset, ok, 2, Case::webUnset, std::nullopt},
        {unset, unset, 2, Case::bothUnset, std::nullopt},
        {unset, mailer, 2, Case::webUnsetMailTaken, "Mailer"},
        {firefox, ok, 2, Case::webTaken, "Firefox"},
        {firefox, unset, 2, Case::webTakenMailUnset, "Firefox"},
        {firefox, mailer, 2, Case::bothTaken, std::nullopt},
    };
    for (const auto& [web, mail, routed, expected, name] : rows) {
        RouteStatusSummary summary(web, mail, routed);
        EXPECT_EQ(summary.which(), expected) << static_cast<int>(expected);
        EXPECT_EQ(summary.applicationName(), name) << static_cast<int>(expected);
    }
}

// A handler registry in memory that records every request and refuses the schemes it is told to.
class RecordingBackend final : public DefaultHandlerBackend {
  public:
    std::optional<Url> currentHandlerUrl(LinkScheme scheme) const override {
        auto found = handlers.find(scheme.value());
        return found == handlers.end() ? std::nullopt : std::optional(found->second);
    }
    boost::asio::awaitable<void> setDefaultApplication(Url applicationUrl, LinkScheme scheme) override {
        requested.emplace_back(scheme.rawValue());
        if (refused.contains(scheme.value())) {
            throw WorkspaceError("refused by the test");
        }
        handlers.insert_or_assign(scheme.value(), std::move(applicationUrl));
        co_return;
    }

    std::map<LinkScheme::Value, Url> handlers;
    std::set<LinkScheme::Value> refused;
    Strings requested;
};

class DefaultHandlerModelTest : public ::testing::Test {
  protected:
    // Runs what the model started until nothing is left.
    void settle() {
        io.restart();
        io.run();
    }
    [[nodiscard]] Strings logged() const { return sink->messages("onboarding"); }
    // Installs an application with an entry file of its own: the host is told apart by its file.
    Url installed(const std::string& id, const std::string& name) {
        return workspace->install(id, name, {},
                                  Url::fromFilePath(folder.write("apps/" + id + ".desktop", "")));
    }

    testing::TemporaryFolder folder;
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    Url host = installed("host", "Host"), browser = installed("browser", "Browser"),
        mailer = installed("mailer", "Mailer");
    std::shared_ptr<RecordingBackend> backend = std::make_shared<RecordingBackend>();
    std::shared_ptr<testing::ManualScheduler> scheduler = std::make_shared<testing::ManualScheduler>();
    testing::CapturedLog sink;
    boost::asio::io_context io;
    DefaultHandlerModel model{DefaultHandlerService(backend, host), workspace, scheduler, io.get_executor(),
                              Localization::english()};
};

TEST_F(DefaultHandlerModelTest, AFamilyIsHandledOnlyWithEveryOneOfItsSchemesAndLogsOnlyChanges) {
    backend->handlers = {
        {LinkScheme::http, host}, {LinkScheme::https, browser}, {LinkScheme::mailto, mailer}};
    model.refresh();
    // Only the first scheme names the taker, here the host itself.
    EXPECT_EQ(model.handledKinds().value(), Kinds{});
    EXPECT_EQ(model.takenBy().value(),
              (std::map<Kind, std::string>{{Kind::web, "Host"}, {Kind::mail, "Mailer"}}));
    backend->handlers.insert_or_assign(LinkScheme::https, host);
    backend->handlers.erase(LinkScheme::mailto);
    model.refresh();
    model.refresh();
    EXPECT_EQ(model.handledKinds().value(), Kinds{Kind::web});
    EXPECT_TRUE(model.takenBy().value().empty());  // a family without a handler is taken by none
    EXPECT_FALSE(model.isFullyConfigured());
    backend->handlers.insert_or_assign(LinkScheme::mailto, host);
    model.refresh();
    EXPECT_TRUE(model.isFullyConfigured() && model.isHandled(Kind::mail));
    EXPECT_EQ(logged(),
              (Strings{"Handled families: ", "Handled families: web", "Handled families: mail,web"}));
}

TEST_F(DefaultHandlerModelTest, WatchingPollsAndHearsActivationsWhileAnyScreenWatches) {
    model.beginWatching();
    model.beginWatching();  // counted only
    EXPECT_EQ(scheduler->scheduledCount(), 1u);
    backend->handlers = {{LinkScheme::mailto, host}};
    scheduler->advance(1999ms);
    EXPECT_EQ(model.handledKinds().value(), Kinds{});
    scheduler->advance(1ms);
    EXPECT_EQ(model.handledKinds().value(), Kinds{Kind::mail});
    backend->handlers.erase(LinkScheme::mailto);
    workspace->postDidBecomeActive();
    EXPECT_EQ(model.handledKinds().value(), Kinds{});

    model.endWatching();
    EXPECT_TRUE(model.isWatching());
    model.endWatching();
    model.endWatching();  // nothing left to end
    EXPECT_FALSE(model.isWatching());
    EXPECT_EQ(scheduler->scheduledCount(), 0u);
    backend->handlers = {{LinkScheme::mailto, host}};
    workspace->postDidBecomeActive();
    scheduler->advance(10s);
    EXPECT_EQ(model.handledKinds().value(), Kinds{});

    // A screen may drop its model when it hears the news of a poll.
    auto dropped = std::make_unique<DefaultHandlerModel>(DefaultHandlerService(backend, host), workspace,
                                                         scheduler, io.get_executor());
    dropped->beginWatching();
    auto connection = dropped->handledKinds().observe([&](const auto&) { dropped.reset(); });
    backend->handlers.clear();
    scheduler->advance(2s);
    EXPECT_EQ(dropped, nullptr);
    EXPECT_EQ(scheduler->scheduledCount(), 0u);
}

TEST_F(DefaultHandlerModelTest, RequestsRunOncePerFamilyInOrderAndAFamilyLeftUnhandledSetsTheMessage) {
    backend->refused = {LinkScheme::https};
    std::vector<std::optional<Kind>> pending;
    auto connection = model.pendingKind().observe([&](const auto& kind) { pending.push_back(kind); });
    model.requestDefaultHandlers({Kind::mail, Kind::web, Kind::mail});
    model.requestDefaultHandler(Kind::web);  // dropped: a batch is running
    settle();
    EXPECT_EQ(backend->requested, (Strings{"mailto", "http", "https"}));
    EXPECT_EQ(pending, (std::vector<std::optional<Kind>>{Kind::mail, Kind::web, std::nullopt}));
    EXPECT_EQ(model.handledKinds().value(), Kinds{Kind::mail});
    EXPECT_EQ(
        model.errorMessage().value(),
        "The desktop did not apply the change. You can also set it in your desktop's settings for default "
        "applications.");
    EXPECT_EQ(logged(),
              (Strings{"Became default handler for mail",
                       "setDefaultApplication(https) reported: refused by the test",
                       "Not the default handler for web after the request", "Handled families: mail"}));

    // A new batch clears the message; a model gone before its batch ends is left alone.
    backend->refused.clear();
    model.requestDefaultHandler(Kind::web);
    EXPECT_EQ(model.errorMessage().value(), std::nullopt);
    settle();
    EXPECT_TRUE(model.isFullyConfigured());
    auto gone = std::make_unique<DefaultHandlerModel>(DefaultHandlerService(backend, host), workspace,
                                                      scheduler, io.get_executor());
    gone->requestDefaultHandler(Kind::mail);
    gone.reset();
    settle();
}

TEST_F(DefaultHandlerModelTest, OpensTheDesktopsSettingsPageOrSaysThereIsNone) {
    EXPECT_FALSE(model.openSystemSettings());
    EXPECT_EQ(model.errorMessage().value(),
              "No settings page for default applications was found on this desktop.");
    auto page = workspace->install("kcm_componentchooser", "Default Applications");
    EXPECT_TRUE(model.openSystemSettings());
    ASSERT_EQ(workspace->opens().size(), 1u);
    EXPECT_EQ(workspace->opens()[0].applicationUrl, page);
}

}  // namespace
}  // namespace ferrywise
