#include "WindowPicker.hpp"

#include <QApplication>
#include <QCursor>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <utility>

#include <boost/asio/io_context.hpp>
#include <fcntl.h>
#include <unistd.h>

#include "ferrywise/applications/FaviconService.hpp"

#include "PickerWindow.hpp"
#include "host/LinkOpening.hpp"

namespace ferrywise::picker {

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Calls `then` once, after the first paint of the watched widget has been handled.
class FirstPaint final : public QObject {
  public:
    explicit FirstPaint(std::function<void()> then) : then_(std::move(then)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && then_) {
            QTimer::singleShot(0, this, std::exchange(then_, nullptr));
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> then_;
};

// The end of a session or a kill while the window is open cancels the picker, so that the host still ends
// the way it says (exit code 3) instead of vanishing.
int signalPipe[2] = {-1, -1};
void onSignal(int /*signal*/) {
    const int saved = errno;
    char byte = 1;
    (void)::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

std::optional<LinkPickerChoice> showPickerWindow(LinkPickerModel& model, host::HostContext& host,
                                                 const std::function<void()>& dismissWarning) {
    const auto qtStart = Clock::now();
    // Qt lives while the window does: a QApplication still alive at exit outlives Qt's own globals.
    int argc = 1;
    std::array<char, 10> name{"ferrywise"};
    std::array<char*, 2> argv{name.data(), nullptr};
    QApplication application(argc, argv.data());
    const auto qtReady = Clock::now();

    // Kept for the whole process, never destroyed: the site-icon service and a fetch still running on its
    // worker hold on to it until the process ends.
    static auto& mainThread = *new boost::asio::io_context;
    auto& favicons = FaviconService::shared(mainThread.get_executor());
    PickerWindowOptions options{
        .localization = host.localization(),
        .style = host.preferences().pickerStyle(),
        .ringMaximumCandidates = host.preferences().ringMaximumCandidates(),
        .workspace = host.workspace(),
        .favicon = [&favicons](std::string_view site) { return favicons.icon(site); },
        .dismissWarning = dismissWarning,
    };
    std::optional<LinkPickerChoice> result;
    PickerWindow window(model, options, [&](std::optional<LinkPickerChoice> choice) {
        result = std::move(choice);
        QApplication::quit();
    });
    // A fetched site icon is drawn as soon as it arrives.
    boost::signals2::scoped_connection redraw =
        favicons.generation().observe([&window](const std::uint64_t&) { window.view()->update(); });
    QTimer fetches;
    QObject::connect(&fetches, &QTimer::timeout, [] {
        mainThread.poll();
        mainThread.restart();
    });
    fetches.start(15);
    std::unique_ptr<QSocketNotifier> signalNotifier;
    std::array<struct sigaction, 3> saved{};
    constexpr std::array<int, 3> ending{SIGTERM, SIGINT, SIGHUP};
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [&window] {
            char byte = 0;
            while (::read(signalPipe[0], &byte, 1) > 0) {
            }
            window.close();
            QApplication::quit();
        });
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t index = 0; index < ending.size(); ++index) {
            ::sigaction(ending.at(index), &action, &saved.at(index));
        }
    }
    FirstPaint firstPaint([&] {
        const auto& report = host::firstFrameReport();
        if (report.requested) {
            auto now = Clock::now();
            std::fprintf(
                stderr,
                "ferrywise: first frame after %.1f ms (hand-over %.1f ms, road %.1f ms, Qt start %.1f ms, "
                "first paint %.1f ms)\n",
                milliseconds(now - report.processStart), milliseconds(report.ownStart - report.processStart),
                milliseconds(qtStart - report.ownStart), milliseconds(qtReady - qtStart),
                milliseconds(now - qtReady));
            std::fflush(stderr);
        }
    });
    window.view()->installEventFilter(&firstPaint);
    // X11 tells where the pointer is; Wayland does not, and the window is centred instead.
    window.present(QGuiApplication::platformName() == QLatin1String("xcb")
                       ? std::optional<QPoint>(QCursor::pos())
                       : std::nullopt);
    QApplication::exec();
    for (std::size_t index = 0; index < ending.size() && signalNotifier; ++index) {
        ::sigaction(ending.at(index), &saved.at(index), nullptr);
    }
    return result;
}

}  // namespace ferrywise::picker
