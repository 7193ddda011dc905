// The picker window under Qt's offscreen platform: every way of choosing in both styles, cancelling,
// remembering and the warning, driven by synthetic keys and mouse events as a user would; and screenshots
// of both styles for the README.

#include "picker/PickerWindow.hpp"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "ferrywise/applications/FaviconService.hpp"
#include "ferrywise/processing/LinkSafety.hpp"

namespace ferrywise::picker {
namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QApplication>(argc, argv.data());
    }
    void TearDown() override { application.reset(); }

    int argc = 1;
    std::string name = "picker_window_tests";
    std::array<char*, 2> argv{name.data(), nullptr};
    std::unique_ptr<QApplication> application;
};
const auto* const qt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

std::vector<DiscoveredApplication> browsers(int count) {
    const char* names[] = {"Firefox ESR", "Chromium", "Epiphany", "Falkon", "Vivaldi",
                           "Brave",       "Opera",    "Edge",     "Chrome", "LibreWolf"};
    std::vector<DiscoveredApplication> all;
    for (int index = 0; index < count; ++index) {
        auto id = "org.example.Browser" + std::to_string(index);
        all.emplace_back(id, names[index % 10], *Url::parse("file:///apps/" + id + ".desktop"),
                         LinkScheme::Kind::web);
    }
    return all;
}

// One opened picker and what it ended with.
struct Picker {
    explicit Picker(PickerPresentationStyle style, int count = 4,
                    const std::string& url = "https://docs.example.com/a",
                    std::optional<LinkSuspicion> suspicion = std::nullopt)
        : model(*InterceptedLink::make(*Url::parse(url)), browsers(count), suspicion, 2, false, std::nullopt),
          window(model,
                 {.localization = Localization::english(),
                  .style = style,
                  .ringMaximumCandidates = 8,
                  .workspace = nullptr,
                  .favicon =
                      [](std::string_view) {
                          return Image::fromFile(FERRYWISE_TEST_DATA_DIR "/favicon-32.ico", 1 << 20);
                      },
                  .dismissWarning = [this] { ++dismissals; }},
                 [this](std::optional<LinkPickerChoice> choice) {
                     result = std::move(choice);
                     ++finished;
                 }) {
        window.present(std::nullopt);
    }

    [[nodiscard]] std::string chosenName() const {
        return result ? result->application.name() : "(cancelled)";
    }

    LinkPickerModel model;
    std::optional<LinkPickerChoice> result;
    int finished = 0;
    int dismissals = 0;
    PickerWindow window;
};

using Act = std::function<void(Picker&)>;
Act keys(const std::vector<Qt::Key>& pressed) {
    return [pressed](Picker& picker) {
        for (auto key : pressed) {
            QTest::keyClick(&picker.window, key);
        }
    };
}
Act click(int index) {
    return [index](Picker& picker) {
        QTest::mouseClick(picker.window.view(), Qt::LeftButton, {}, picker.window.candidatePoint(index));
    };
}

TEST(PickerWindowTest, EachWayOfChoosingEndsWithThatCandidateOrNone) {
    struct Case {
        PickerPresentationStyle style;
        Act act;
        std::string chosen;
    };
    const auto classic = PickerPresentationStyle::classic;
    const auto ring = PickerPresentationStyle::ring;
    for (const auto& [style, act, chosen] : std::vector<Case>{
             {classic, keys({Qt::Key_3}), "Epiphany"},
             {classic, keys({Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Return}), "Chromium"},
             {classic, keys({Qt::Key_Up, Qt::Key_Enter}), "Firefox ESR"},
             {classic, keys({Qt::Key_9}), "(cancelled)"},  // no ninth candidate: nothing happens
             {classic, keys({Qt::Key_Escape}), "(cancelled)"},
             {classic, click(3), "Falkon"},
             {ring, keys({Qt::Key_2}), "Chromium"},
             {ring, keys({Qt::Key_Left, Qt::Key_Return}), "Falkon"},  // the ring wraps
             {ring, click(1), "Chromium"},
             {ring,
              [](Picker& picker) {  // press on one wedge, drag across two more, release
                  auto* view = picker.window.view();
                  QTest::mousePress(view, Qt::LeftButton, {}, picker.window.candidatePoint(0));
                  for (int index : {1, 2}) {
                      QMouseEvent move(QEvent::MouseMove, picker.window.candidatePoint(index),
                                       view->mapToGlobal(picker.window.candidatePoint(index)), Qt::NoButton,
                                       Qt::LeftButton, {});
                      QApplication::sendEvent(view, &move);
                  }
                  QTest::mouseRelease(view, Qt::LeftButton, {}, picker.window.candidatePoint(2));
              },
              "Epiphany"},
             {ring,
              [](Picker& picker) {
                  QTest::mouseClick(picker.window.view(), Qt::LeftButton, {}, picker.window.centrePoint());
              },
              "(cancelled)"},
             {ring, keys({Qt::Key_Escape}), "(cancelled)"},
         }) {
        Picker picker(style);
        act(picker);
        EXPECT_EQ(picker.chosenName(), chosen) << static_cast<int>(style.value()) << ' ' << chosen;
        EXPECT_LE(picker.finished, 1);
        EXPECT_EQ(picker.finished == 1, chosen != "(cancelled)" || picker.window.isHidden());
    }
}

TEST(PickerWindowTest, RingCentreShowsEveryCandidateWhenSomeDidNotFit) {
    Picker picker(PickerPresentationStyle::ring, 10);
    // The keys reach only what the ring shows (eight of ten): left from the first is the eighth.
    QTest::keyClick(&picker.window, Qt::Key_9);
    QTest::keyClick(&picker.window, Qt::Key_Left);
    EXPECT_EQ(picker.model.highlightedIndex().value(), 7);
    EXPECT_EQ(picker.finished, 0);
    QTest::mouseClick(picker.window.view(), Qt::LeftButton, {}, picker.window.centrePoint());
    EXPECT_EQ(picker.finished, 0);
    EXPECT_EQ(picker.window.style(), PickerPresentationStyle::classic);
    QTest::keyClick(&picker.window, Qt::Key_9);
    EXPECT_EQ(picker.chosenName(), "Chrome");
}

TEST(PickerWindowTest, RememberingCarriesTheSiteRuleAndTheWarningCanBeDismissedInBothStyles) {
    auto link = InterceptedLink::make(*Url::parse("https://examp1e.com/login"));
    for (auto style : {PickerPresentationStyle::classic, PickerPresentationStyle::ring}) {
        Picker picker(style, 3, "https://examp1e.com/login", LinkSafety::check(*link, {"example.com"}, {}));
        ASSERT_TRUE(picker.window.dismissWarningPoint());
        QTest::mouseClick(picker.window.view(), Qt::LeftButton, {}, *picker.window.dismissWarningPoint());
        QTest::mouseClick(picker.window.view(), Qt::LeftButton, {}, *picker.window.dismissWarningPoint());
        EXPECT_EQ(picker.dismissals, 1);
        EXPECT_EQ(picker.finished, 0);
        if (auto remember = picker.window.rememberPoint()) {
            QTest::mouseClick(picker.window.view(), Qt::LeftButton, {}, *remember);
        } else {
            QTest::keyClick(&picker.window, Qt::Key_R);
        }
        QTest::keyClick(&picker.window, Qt::Key_2);
        ASSERT_TRUE(picker.result);
        EXPECT_EQ(picker.result->rememberedMatcher, LinkRuleMatcher::domain("examp1e.com", true));
    }
}

// Not a check: the pictures in the README come from here.
TEST(PickerWindowTest, Screenshots) {
    auto link = InterceptedLink::make(*Url::parse("https://paypa1.com/signin"));
    auto suspicion = LinkSafety::check(*link, {}, {});
    for (auto [style, file] : {std::pair{PickerPresentationStyle::classic, "picker-classic.png"},
                               std::pair{PickerPresentationStyle::ring, "picker-ring.png"}}) {
        Picker picker(style, 6, "https://paypa1.com/signin", suspicion);
        auto image = picker.window.grab().toImage();
        EXPECT_FALSE(image.isNull());
        image.save(QString::fromStdString(std::string(FERRYWISE_SCREENSHOT_DIR "/") + file));
    }
}

}  // namespace
}  // namespace ferrywise::picker
