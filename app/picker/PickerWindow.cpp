#include "PickerWindow.hpp"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "ferrywise/applications/FaviconService.hpp"
#include "ferrywise/picker/LinkPickerPlacement.hpp"

#include "host/PickerTexts.hpp"

namespace ferrywise::picker {

namespace {

constexpr int panelWidth = 380;
constexpr int margin = 12;
constexpr int rowHeight = 34;
constexpr int listIconSize = 24;
const QColor accent(52, 120, 246);
const QColor warningColour(196, 92, 0);
const QColor panelColour(250, 250, 250);
const QColor textColour(30, 30, 30);
const QColor quietColour(110, 110, 110);

QString text(std::string_view value) {
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QColor colourOf(const Color& colour) {
    return QColor::fromHsvF(static_cast<float>(std::fmod(colour.hue, 1.0)),
                            static_cast<float>(colour.saturation), static_cast<float>(colour.brightness),
                            static_cast<float>(colour.alpha));
}

// A letter on a coloured tile: what stands in for an icon nobody has.
QPixmap letterTile(const QString& letter, const QColor& colour, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 5.0, size / 5.0);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(size * 11 / 20);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, letter);
    return pixmap;
}

QPixmap applicationIcon(const DiscoveredApplication& application, const Workspace* workspace, int size) {
    if (workspace != nullptr) {
        if (auto icon = application.icon(*workspace)) {
            for (const auto& name : icon->themedNames) {
                if (auto themed = QIcon::fromTheme(text(name)); !themed.isNull()) {
                    return themed.pixmap(size, size);
                }
            }
            if (icon->file) {
                if (QIcon file(text(icon->file->string())); !file.isNull()) {
                    return file.pixmap(size, size);
                }
            }
        }
    }
    auto monogram = FaviconService::monogram(application.name());
    return letterTile(text(monogram.letter), colourOf(monogram.color), size);
}

// The shared state of the window and its two views.
struct Shared {
    LinkPickerModel& model;
    PickerWindowOptions options;
    std::function<void(std::optional<LinkPickerChoice>)> finish;
    bool warningDismissed = false;

    void choose(int index) { finish(model.choice(index, model.isRemembering())); }

    // "Don't warn again for this host", once.
    void dismissWarning() {
        if (!model.suspicion() || warningDismissed) {
            return;
        }
        warningDismissed = true;
        if (options.dismissWarning) {
            options.dismissWarning();
        }
    }
    void highlight(int index) { model.moveHighlight(index - model.highlightedIndex().value()); }

    QPixmap siteIcon(int size) const {
        auto host = model.link().host().value_or(std::string(model.linkDisplayText()));
        if (options.favicon) {
            if (auto image = options.favicon(host)) {
                QPixmap pixmap;
                if (pixmap.loadFromData(
                        reinterpret_cast<const uchar*>(image->data().data()),  // NOLINT: Qt's bytes
                        static_cast<uint>(image->data().size()))) {
                    return pixmap.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                }
            }
        }
        auto monogram = FaviconService::monogram(host);
        return letterTile(text(monogram.letter), colourOf(monogram.color), size);
    }
};

// The classic list: the link and what was done to it, the warning, the candidates with their shortcuts,
// and the remember switch.
class ClassicView final : public QWidget {
  public:
    explicit ClassicView(Shared& shared) : shared_(shared) {
        setMouseTracking(true);
        setFixedSize(panelWidth, layout().height);
    }

    struct Layout {
        QRect header;
        QRect status;
        QRect warning;
        QRect dismiss;
        int rowsTop = 0;
        QRect remember;
        int height = 0;
    };

    [[nodiscard]] Layout layout() const {
        Layout layout;
        int y = margin;
        layout.header = QRect(margin, y, panelWidth - 2 * margin, 40);
        y += 44;
        auto status = statusLine();
        if (!status.isEmpty()) {
            layout.status = QRect(margin, y, panelWidth - 2 * margin, 20);
            y += 24;
        }
        if (shared_.model.suspicion()) {
            QFontMetrics metrics(font());
            auto message = text(shared_.model.suspicion()->message(shared_.options.localization));
            auto bounds =
                metrics.boundingRect(QRect(0, 0, panelWidth - 4 * margin, 1000), Qt::TextWordWrap, message);
            layout.warning = QRect(margin, y, panelWidth - 2 * margin, bounds.height() + 16 + 22);
            layout.dismiss = QRect(margin * 2, layout.warning.bottom() - 24, panelWidth - 4 * margin, 20);
            y = layout.warning.bottom() + 8;
        }
        layout.rowsTop = y;
        y += rowHeight * static_cast<int>(shared_.model.candidates().size()) + 6;
        if (shared_.model.canRemember()) {
            layout.remember = QRect(margin, y, panelWidth - 2 * margin, 22);
            y += 28;
        }
        layout.height = y + margin / 2;
        return layout;
    }

    // The candidate row at `point`, if any.
    [[nodiscard]] std::optional<int> rowAt(QPoint point) const {
        auto top = layout().rowsTop;
        auto count = static_cast<int>(shared_.model.candidates().size());
        if (point.y() < top || point.x() < 0 || point.x() >= width()) {
            return std::nullopt;
        }
        auto index = (point.y() - top) / rowHeight;
        return index < count ? std::optional<int>(index) : std::nullopt;
    }
    [[nodiscard]] QRect rowRect(int index) const {
        return QRect(margin / 2, layout().rowsTop + index * rowHeight, panelWidth - margin, rowHeight);
    }
    [[nodiscard]] QRect rememberRect() const { return layout().remember; }
    [[nodiscard]] QRect dismissRect() const { return layout().dismiss; }

  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(rect(), panelColour);
        const auto geometry = layout();
        const auto& localization = shared_.options.localization;

        // The site: its icon, its host, and the link as received.
        painter.drawPixmap(geometry.header.left(), geometry.header.top() + 4, shared_.siteIcon(32));
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.setPen(textColour);
        auto textLeft = geometry.header.left() + 42;
        auto textWidth = geometry.header.right() - textLeft;
        painter.drawText(QRect(textLeft, geometry.header.top(), textWidth, 20), Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(text(shared_.model.link().displaySummary()),
                                                          Qt::ElideRight, textWidth));
        painter.setFont(font());
        painter.setPen(quietColour);
        painter.drawText(QRect(textLeft, geometry.header.top() + 20, textWidth, 20), Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(text(shared_.model.linkDisplayText()),
                                                          Qt::ElideMiddle, textWidth));

        if (!geometry.status.isNull()) {
            painter.setPen(shared_.model.suspicion() ? warningColour : quietColour);
            painter.drawText(geometry.status, Qt::AlignVCenter, statusLine());
        }
        if (const auto& suspicion = shared_.model.suspicion()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(255, 243, 224));
            painter.drawRoundedRect(geometry.warning, 6, 6);
            painter.setPen(textColour);
            painter.drawText(geometry.warning.adjusted(margin, 8, -margin, -30), Qt::TextWordWrap,
                             text(suspicion->message(localization)));
            painter.setPen(shared_.warningDismissed ? quietColour : accent);
            painter.drawText(
                geometry.dismiss, Qt::AlignVCenter,
                text(localization.text(shared_.warningDismissed ? "No more warnings for this host"
                                                                : "Don't warn again for this host")));
        }

        const auto& candidates = shared_.model.candidates();
        for (int index = 0; index < static_cast<int>(candidates.size()); ++index) {
            auto row = rowRect(index);
            bool highlighted = index == shared_.model.highlightedIndex().value();
            if (highlighted) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(accent);
                painter.drawRoundedRect(row, 6, 6);
            }
            painter.drawPixmap(row.left() + 8, row.top() + (rowHeight - listIconSize) / 2,
                               applicationIcon(candidates[static_cast<std::size_t>(index)],
                                               shared_.options.workspace.get(), listIconSize));
            painter.setPen(highlighted ? Qt::white : textColour);
            painter.drawText(row.adjusted(8 + listIconSize + 10, 0, -36, 0), Qt::AlignVCenter,
                             text(candidates[static_cast<std::size_t>(index)].name()));
            if (auto label = LinkPickerModel::shortcutLabel(index)) {
                painter.setPen(highlighted ? Qt::white : quietColour);
                painter.drawText(row.adjusted(0, 0, -10, 0), Qt::AlignVCenter | Qt::AlignRight, text(*label));
            }
        }

        if (!geometry.remember.isNull()) {
            auto box = QRect(geometry.remember.left() + 2, geometry.remember.top() + 4, 14, 14);
            painter.setPen(quietColour);
            painter.setBrush(shared_.model.isRemembering() ? accent : Qt::white);
            painter.drawRoundedRect(box, 3, 3);
            if (shared_.model.isRemembering()) {
                painter.setPen(QPen(Qt::white, 2));
                painter.drawLine(box.left() + 3, box.center().y(), box.center().x() - 1, box.bottom() - 3);
                painter.drawLine(box.center().x() - 1, box.bottom() - 3, box.right() - 3, box.top() + 3);
            }
            painter.setPen(textColour);
            painter.drawText(geometry.remember.adjusted(24, 0, 0, 0), Qt::AlignVCenter,
                             text(host::rememberLabel(shared_.model, localization)));
        }
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (auto row = rowAt(event->position().toPoint())) {
            shared_.highlight(*row);
            update();
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        auto point = event->position().toPoint();
        if (auto row = rowAt(point)) {
            shared_.choose(*row);
        } else if (layout().remember.contains(point)) {
            shared_.model.remembersChoice().set(!shared_.model.remembersChoice().value());
            update();
        } else if (layout().dismiss.contains(point) && !shared_.warningDismissed) {
            dismissWarning();
        }
    }

  public:
    void dismissWarning() {
        shared_.dismissWarning();
        update();
    }

  private:
    [[nodiscard]] QString statusLine() const {
        return text(host::statusText(shared_.model.status(), shared_.options.localization));
    }

    Shared& shared_;
};

// The ring: one wedge per candidate around a hub that shows the site and any warning.
class RingView final : public QWidget {
  public:
    RingView(Shared& shared, std::function<void()> showList)
        : shared_(shared), showList_(std::move(showList)) {
        ring_ = LinkPickerModel::ringCandidates(shared_.model.candidates(),
                                                shared_.options.ringMaximumCandidates);
        side_ = static_cast<int>(std::ceil(2 * RingPickerGeometry::edgeInset(count())));
        setFixedSize(side_, side_ + warningHeight());
        setMouseTracking(true);
        setAttribute(Qt::WA_TranslucentBackground);
    }

    // Below the dial, a warning says in full what the hub says in short, with "don't warn again".
    [[nodiscard]] QRect warningRect() const {
        return warningHeight() == 0 ? QRect()
                                    : QRect(margin, side_, side_ - 2 * margin, warningHeight() - margin);
    }
    [[nodiscard]] QRect dismissRect() const {
        auto panel = warningRect();
        return panel.isNull()
                   ? QRect()
                   : QRect(panel.left() + margin, panel.bottom() - 24, panel.width() - 2 * margin, 20);
    }

    [[nodiscard]] int count() const { return static_cast<int>(ring_.candidates.size()); }
    [[nodiscard]] Point center() const { return {side_ / 2.0, side_ / 2.0}; }
    [[nodiscard]] QPoint iconPoint(int index) const {
        auto point = RingPickerGeometry::point(index, count(), center());
        return {static_cast<int>(std::lround(point.x)), static_cast<int>(std::lround(point.y))};
    }
    [[nodiscard]] const RingPickerCandidateSet& ring() const noexcept { return ring_; }

  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const auto c = center();
        const auto outer = RingPickerGeometry::dialRadius(count());
        const auto inner = RingPickerGeometry::hubRadius;
        const QPointF middle(c.x, c.y);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(245, 245, 247, 240));
        painter.drawEllipse(middle, outer, outer);

        // Wedges: index 0 straight above the centre, clockwise; each spans 360/n degrees around its icon.
        const double span = 360.0 / std::max(1, count());
        for (int index = 0; index < count(); ++index) {
            bool highlighted = index == shared_.model.highlightedIndex().value();
            double start = 90.0 + span / 2.0 - index * span;  // Qt counts counter-clockwise from 3 o'clock
            QPainterPath wedge;
            wedge.arcMoveTo(QRectF(c.x - outer, c.y - outer, 2 * outer, 2 * outer), start);
            wedge.arcTo(QRectF(c.x - outer, c.y - outer, 2 * outer, 2 * outer), start, -span);
            wedge.arcTo(QRectF(c.x - inner, c.y - inner, 2 * inner, 2 * inner), start - span, span);
            wedge.closeSubpath();
            painter.setPen(QPen(QColor(220, 220, 225), 1));
            painter.setBrush(highlighted ? accent : Qt::transparent);
            painter.drawPath(wedge);
            auto size = static_cast<int>(RingPickerGeometry::iconSize(count()));
            auto at = iconPoint(index);
            painter.drawPixmap(at.x() - size / 2, at.y() - size / 2,
                               applicationIcon(ring_.candidates[static_cast<std::size_t>(index)],
                                               shared_.options.workspace.get(), size));
            if (auto label = LinkPickerModel::shortcutLabel(index)) {
                painter.setPen(highlighted ? Qt::white : quietColour);
                painter.drawText(QRect(at.x() + size / 2 - 4, at.y() + size / 2 - 10, 14, 14),
                                 Qt::AlignCenter, text(*label));
            }
        }

        // The hub: the site, the highlighted application, and the warning in short.
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(middle, inner, inner);
        const auto contentWidth = static_cast<int>(RingPickerGeometry::hubContentWidth);
        QRect content(static_cast<int>(c.x) - contentWidth / 2, static_cast<int>(c.y - inner + 16),
                      contentWidth, static_cast<int>(2 * inner - 32));
        painter.drawPixmap(static_cast<int>(c.x) - 12, content.top(), shared_.siteIcon(24));
        QFont small = font();
        small.setPixelSize(11);
        painter.setFont(small);
        painter.setPen(textColour);
        painter.drawText(QRect(content.left(), content.top() + 28, contentWidth, 16), Qt::AlignCenter,
                         painter.fontMetrics().elidedText(text(shared_.model.link().displaySummary()),
                                                          Qt::ElideRight, contentWidth));
        if (auto application = shared_.model.application(shared_.model.highlightedIndex().value())) {
            painter.setPen(accent);
            painter.drawText(QRect(content.left(), content.top() + 46, contentWidth, 16), Qt::AlignCenter,
                             painter.fontMetrics().elidedText(text(application->ringDisplayName()),
                                                              Qt::ElideRight, contentWidth));
        }
        if (const auto& suspicion = shared_.model.suspicion(); suspicion && !shared_.warningDismissed) {
            painter.setPen(warningColour);
            painter.drawText(QRect(content.left(), content.top() + 64, contentWidth, 40),
                             Qt::AlignHCenter | Qt::TextWordWrap,
                             text(suspicion->shortMessage(shared_.options.localization)));
        }
        if (ring_.hasOverflow) {
            painter.setPen(quietColour);
            painter.drawText(QRect(content.left(), content.bottom() - 14, contentWidth, 14), Qt::AlignCenter,
                             QStringLiteral("\u2026"));
        }
        if (const auto& suspicion = shared_.model.suspicion(); suspicion && !warningRect().isNull()) {
            painter.setFont(font());
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(255, 243, 224));
            painter.drawRoundedRect(warningRect(), 6, 6);
            painter.setPen(textColour);
            painter.drawText(warningRect().adjusted(margin, 8, -margin, -30), Qt::TextWordWrap,
                             text(suspicion->message(shared_.options.localization)));
            painter.setPen(shared_.warningDismissed ? quietColour : accent);
            painter.drawText(dismissRect(), Qt::AlignVCenter,
                             text(shared_.options.localization.text(shared_.warningDismissed
                                                                        ? "No more warnings for this host"
                                                                        : "Don't warn again for this host")));
        }
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (auto index = wedgeAt(event->position())) {
            selection_.press(*index);
        } else {
            selection_.cancel();
        }
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (auto index = wedgeAt(event->position())) {
            shared_.model.moveHighlightWrapping(*index - shared_.model.highlightedIndex().value());
            // Press, drag across the wedges, release: the wedge under the pointer is the pressed one.
            if ((event->buttons() & Qt::LeftButton) != 0) {
                selection_.press(*index);
            }
            update();
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const Point point{event->position().x(), event->position().y()};
        auto index = wedgeAt(event->position());
        if (auto chosen = selection_.release(index)) {
            shared_.choose(*chosen);
            return;
        }
        if (dismissRect().contains(event->position().toPoint())) {
            dismissWarning();
            return;
        }
        if (warningRect().contains(event->position().toPoint())) {
            return;
        }
        auto distance = std::hypot(point.x - center().x, point.y - center().y);
        if (distance < RingPickerGeometry::hubRadius) {
            if (RingPickerGeometry::acceptsClick(point, center(), count(), ring_.hasOverflow)) {
                showList_();  // every candidate, in the list
            } else {
                shared_.finish(std::nullopt);
            }
        } else if (distance > RingPickerGeometry::dialRadius(count())) {
            shared_.finish(std::nullopt);
        }
    }

  public:
    void dismissWarning() {
        shared_.dismissWarning();
        update();
    }

  private:
    [[nodiscard]] int warningHeight() const {
        if (!shared_.model.suspicion()) {
            return 0;
        }
        QFontMetrics metrics(font());
        auto message = text(shared_.model.suspicion()->message(shared_.options.localization));
        return metrics.boundingRect(QRect(0, 0, side_ - 4 * margin, 1000), Qt::TextWordWrap, message)
                   .height() +
               16 + 22 + margin;
    }

    [[nodiscard]] std::optional<int> wedgeAt(QPointF position) const {
        return RingPickerGeometry::wedgeIndex(Point{position.x(), position.y()}, center(), count());
    }

    Shared& shared_;
    std::function<void()> showList_;
    int side_ = 0;
    RingPickerCandidateSet ring_;
    RingPointerSelection selection_;
};

}  // namespace

struct PickerWindow::State {
    Shared shared;
    QVBoxLayout* layout = nullptr;
    ClassicView* classic = nullptr;
    RingView* ring = nullptr;
    RingDismissalState dismissal{std::nullopt};
    bool finished = false;
    boost::signals2::scoped_connection highlight;
};

PickerWindow::PickerWindow(LinkPickerModel& model, PickerWindowOptions options, Finished finished)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    state_ = std::make_unique<State>(State{.shared = Shared{model, std::move(options), nullptr},
                                           .layout = nullptr,
                                           .classic = nullptr,
                                           .ring = nullptr,
                                           .dismissal = RingDismissalState(std::nullopt),
                                           .finished = false,
                                           .highlight = {}});
    state_->shared.finish = [this, finished = std::move(finished)](std::optional<LinkPickerChoice> choice) {
        if (state_->finished) {
            return;
        }
        state_->finished = true;
        hide();
        finished(std::move(choice));
    };
    state_->layout = new QVBoxLayout(this);  // owned by the window
    state_->layout->setContentsMargins(0, 0, 0, 0);
    setWindowTitle(QStringLiteral("ferrywise"));
    auto showList = [this] {
        state_->ring->hide();
        state_->classic = new ClassicView(state_->shared);
        state_->layout->addWidget(state_->classic);
        state_->classic->show();
        adjustSize();
        // Grown around the ring's place, then kept on the screen.
        if (auto* screen = this->screen()) {
            auto frame = geometry();
            auto available = screen->availableGeometry();
            frame.moveLeft(std::clamp(frame.left(), available.left(),
                                      std::max(available.left(), available.right() + 1 - frame.width())));
            frame.moveTop(std::clamp(frame.top(), available.top(),
                                     std::max(available.top(), available.bottom() + 1 - frame.height())));
            move(frame.topLeft());
        }
        setFocus();
    };
    if (state_->shared.options.style == PickerPresentationStyle::ring) {
        setAttribute(Qt::WA_TranslucentBackground);
        state_->ring = new RingView(state_->shared, showList);
        state_->layout->addWidget(state_->ring);
    } else {
        state_->classic = new ClassicView(state_->shared);
        state_->layout->addWidget(state_->classic);
    }
    setFocusPolicy(Qt::StrongFocus);
    state_->highlight =
        state_->shared.model.highlightedIndex().observe([this](const int&) { view()->update(); });
}

PickerWindow::~PickerWindow() = default;

PickerPresentationStyle PickerWindow::style() const noexcept {
    return state_->classic != nullptr && state_->classic->isVisible() ? PickerPresentationStyle::classic
           : state_->ring != nullptr                                  ? PickerPresentationStyle::ring
                                                                      : PickerPresentationStyle::classic;
}

QWidget* PickerWindow::view() const noexcept {
    if (state_->classic != nullptr) {
        return state_->classic;
    }
    return state_->ring;
}

QPoint PickerWindow::candidatePoint(int index) const {
    if (state_->classic != nullptr) {
        return state_->classic->rowRect(index).center();
    }
    return state_->ring->iconPoint(index);
}

std::optional<QPoint> PickerWindow::rememberPoint() const {
    if (state_->classic == nullptr || state_->classic->rememberRect().isNull()) {
        return std::nullopt;
    }
    return state_->classic->rememberRect().topLeft() + QPoint(8, 11);
}

std::optional<QPoint> PickerWindow::dismissWarningPoint() const {
    auto rect = state_->classic != nullptr ? state_->classic->dismissRect() : state_->ring->dismissRect();
    if (rect.isNull()) {
        return std::nullopt;
    }
    return rect.topLeft() + QPoint(20, 10);
}

QPoint PickerWindow::centrePoint() const {
    if (state_->classic == nullptr) {
        auto centre = state_->ring->center();
        return {static_cast<int>(centre.x), static_cast<int>(centre.y)};
    }
    return view()->rect().center();
}

void PickerWindow::present(std::optional<QPoint> pointer) {
    adjustSize();
    auto* screen = pointer ? QGuiApplication::screenAt(*pointer) : nullptr;
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        show();
        return;
    }
    auto available = screen->availableGeometry();
    if (!pointer) {
        move(available.center() - rect().center());
    } else if (state_->ring != nullptr) {
        // The ring's centre under the pointer, kept whole on the screen.
        auto local = *pointer - available.topLeft();
        auto centre = RingPickerGeometry::clampedCenter(
            Point{static_cast<double>(local.x()), static_cast<double>(local.y())}, state_->ring->count(),
            Size{static_cast<double>(available.width()), static_cast<double>(available.height())});
        move(available.topLeft() +
             QPoint(static_cast<int>(centre.x) - width() / 2, static_cast<int>(centre.y) - height() / 2));
    } else {
        // The placement works with the origin at the bottom left and y going up.
        auto flip = [&](double y) { return available.bottom() + 1.0 - y; };
        std::vector<DisplayGeometry> displays;
        for (auto* each : QGuiApplication::screens()) {
            auto whole = each->geometry();
            auto usable = each->availableGeometry();
            displays.push_back(
                {Rect(whole.x(), flip(whole.bottom() + 1), whole.width(), whole.height()),
                 Rect(usable.x(), flip(usable.bottom() + 1), usable.width(), usable.height())});
        }
        auto frame =
            LinkPickerPlacement::frame(Size{static_cast<double>(width()), static_cast<double>(height())},
                                       Point{static_cast<double>(pointer->x()), flip(pointer->y() + 0.5)},
                                       displays);  // inside its pixel
        move(static_cast<int>(frame.origin.x), static_cast<int>(flip(frame.origin.y + frame.size.height)));
    }
    show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        raise();
        activateWindow();
    }
}

void PickerWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) {
        return;
    }
    if (isActiveWindow()) {
        state_->dismissal.panelDidBecomeKey();
    } else if (isVisible()) {
        // Another window took the focus: the picker closes as a menu would, once it had the focus itself.
        state_->dismissal.userInitiatedFocusChangeDidOccur();
        if (state_->dismissal.shouldDismissForOtherWindowBecomingKey()) {
            state_->shared.finish(std::nullopt);
        }
    }
}

void PickerWindow::keyPressEvent(QKeyEvent* event) {
    auto& model = state_->shared.model;
    const bool ring = style() == PickerPresentationStyle::ring;
    switch (event->key()) {
        case Qt::Key_Escape:
            state_->shared.finish(std::nullopt);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            state_->shared.choose(model.highlightedIndex().value());
            return;
        case Qt::Key_Up:
        case Qt::Key_Left:
            ring ? moveOnRing(-1) : model.moveHighlight(-1);
            break;
        case Qt::Key_Down:
        case Qt::Key_Right:
        case Qt::Key_Tab:
            ring ? moveOnRing(1) : model.moveHighlight(1);
            break;
        case Qt::Key_Control:
            model.isHoldingCommand().set(true);
            break;
        case Qt::Key_R:
            model.remembersChoice().set(!model.remembersChoice().value());
            break;
        case Qt::Key_W:
            if (state_->classic != nullptr) {
                state_->classic->dismissWarning();
            } else {
                state_->ring->dismissWarning();
            }
            break;
        default:
            // On the ring only what it shows can be chosen; the rest waits for the list.
            if (auto index = model.indexForShortcut(event->text().toStdString());
                index && (!ring || *index < state_->ring->count())) {
                state_->shared.choose(*index);
                return;
            }
            QWidget::keyPressEvent(event);
            return;
    }
    view()->update();
}

void PickerWindow::moveOnRing(int delta) {
    // Around the candidates the ring shows, which may be fewer than the model holds.
    auto& model = state_->shared.model;
    const int count = state_->ring->count();
    if (count > 0) {
        int target = ((model.highlightedIndex().value() + delta) % count + count) % count;
        model.moveHighlight(target - model.highlightedIndex().value());
    }
}

void PickerWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control) {
        state_->shared.model.isHoldingCommand().set(false);
        view()->update();
    }
    QWidget::keyReleaseEvent(event);
}

}  // namespace ferrywise::picker
