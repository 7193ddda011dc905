#include "WindowPicker.hpp"

#include <QApplication>
#include <QCursor>
#include <QTimer>

#include <boost/asio/io_context.hpp>

#include "ferrywise/applications/FaviconService.hpp"

#include "PickerWindow.hpp"

namespace ferrywise::picker {

std::optional<LinkPickerChoice> showPickerWindow(LinkPickerModel& model, host::HostContext& host,
                                                 const std::function<void()>& dismissWarning) {
    static int argc = 1;
    static char name[] = "ferrywise";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);

    static boost::asio::io_context mainThread;  // the site-icon service keeps it for the process
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
    // X11 tells where the pointer is; Wayland does not, and the window is centred instead.
    window.present(QGuiApplication::platformName() == QLatin1String("xcb")
                       ? std::optional<QPoint>(QCursor::pos())
                       : std::nullopt);
    QApplication::exec();
    return result;
}

}  // namespace ferrywise::picker
