#pragma once

// The picker on the desktop: a frameless window that renders a LinkPickerModel as the classic list or as
// the ring, and hands the model the user's keys, clicks and drags. It decides nothing itself: the model
// says what is highlighted, what a shortcut selects and what a choice remembers; RingPickerGeometry,
// RingPointerSelection and RingDismissalState say where the ring's wedges are and what a press, a release
// or a focus change means; LinkPickerPlacement says where the list goes.
//
//   PickerWindow window(model, options, [&](std::optional<LinkPickerChoice> choice) { ... });
//   window.present(QCursor::pos());

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "ferrywise/foundation/Image.hpp"
#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/picker/LinkPickerModel.hpp"
#include "ferrywise/picker/PickerPresentationStyle.hpp"
#include "ferrywise/picker/RingPickerGeometry.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise::picker {

struct PickerWindowOptions {
    Localization localization = Localization::current();
    PickerPresentationStyle style = PickerPresentationStyle::classic;
    int ringMaximumCandidates = 8;
    // Where application icons come from; none draws each application's initial.
    std::shared_ptr<const Workspace> workspace = nullptr;
    // The site's icon when one is known (asked again at every redraw); none draws its monogram.
    std::function<std::optional<Image>(std::string_view host)> favicon = nullptr;
    // The user asked not to be warned about the link's host again.
    std::function<void()> dismissWarning = nullptr;
};

class PickerWindow : public QWidget {
  public:
    // Called once: with the choice, or with none when the user cancelled (Escape, a click outside, the
    // ring's centre).
    using Finished = std::function<void(std::optional<LinkPickerChoice>)>;

    PickerWindow(LinkPickerModel& model, PickerWindowOptions options, Finished finished);
    ~PickerWindow() override;

    // Shows the window at `pointer` (global coordinates), or centred on the screen in use when the
    // platform does not tell where the pointer is.
    void present(std::optional<QPoint> pointer);

    // The view shown now ("classic" or "ring"); the ring gives way to the list when its centre is clicked
    // while some candidates did not fit.
    [[nodiscard]] PickerPresentationStyle style() const noexcept;
    [[nodiscard]] QWidget* view() const noexcept;

    // Where things are in view(), for pointing at them: a candidate's row or ring icon, the remember
    // switch and the warning's "don't warn again" (none where the view has no such thing), the ring's hub.
    [[nodiscard]] QPoint candidatePoint(int index) const;
    [[nodiscard]] std::optional<QPoint> rememberPoint() const;
    [[nodiscard]] std::optional<QPoint> dismissWarningPoint() const;
    [[nodiscard]] QPoint centrePoint() const;

  protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    void moveOnRing(int delta);

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ferrywise::picker
