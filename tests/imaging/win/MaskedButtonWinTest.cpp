// MaskedButton on a real owner-drawn button of a real dialog, driven by real
// window messages and the real cursor position.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "framework/UserMessages.h"
#include "imaging/ButtonSkin.h"
#include "imaging/MaskedButton_win.h"

namespace imaging {
namespace {

constexpr int kId = IDC_SETUP;
constexpr int kX = 114, kY = 146;

class MaskedButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        CursorAway();
        ASSERT_TRUE(test::OpenTestStorage(storage));
        ASSERT_TRUE(window.painter.CreateBuffers(false));
        ASSERT_TRUE(window.painter.LoadBackground(storage, "1"));
        ASSERT_TRUE(button.Attach(window.Item(kId)));
    }
    void Skin(const char* kind = "PushButton") {
        ASSERT_TRUE(button.LoadSkin(window.painter, storage, kind));
        button.MoveTo(kX, kY);
    }

    // The cursor over the button's middle, or well away from it (still on screen).
    void CursorOver() {
        const POINT p = test::ToScreen(window.Handle(), kX + 10, kY + 10);
        SetCursorPos(p.x, p.y);
    }
    void CursorAway() { SetCursorPos(700, 600); }
    void Send(UINT message, WPARAM wParam = 0, int x = 10, int y = 10) {
        SendMessageA(button.Handle(), message, wParam, MAKELPARAM(x, y));
    }
    void Press() { Send(WM_LBUTTONDOWN, MK_LBUTTON); }
    void Release(bool inside = true) { Send(WM_LBUTTONUP, 0, inside ? 10 : -20, inside ? 10 : -20); }

    // Whether the state picture is strip cell `cell` of the loaded skin.
    bool ShowsCell(int cell) const {
        const ButtonSkin& skin = button.Skin();
        const std::size_t row = static_cast<std::size_t>(skin.cellWidth) * 4;
        for (int r = 0; r < skin.cellHeight; ++r) {
            const std::uint8_t* want = skin.strip.get() + r * static_cast<std::size_t>(skin.stripWidth) * 4 + cell * row;
            if (std::memcmp(button.StateImage() + r * row, want, row) != 0) return false;
        }
        return true;
    }
    RECT PlaceInParent() const {
        RECT r{};
        GetWindowRect(button.Handle(), &r);
        MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    storage::Storage storage;
    test::SkinnedWindow window;
    MaskedButton button;
};

TEST_F(MaskedButtonTest, SkinSizesTheControlAndRegistersTheOverlay) {
    const RECT before = PlaceInParent();
    button.MoveTo(20, 30);  // no skin yet: moved, template size kept
    RECT r = PlaceInParent();
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.right - r.left, before.right - before.left);
    EXPECT_TRUE(window.painter.Overlays().empty());

    Skin();
    r = PlaceInParent();
    EXPECT_EQ(r.left, kX);
    EXPECT_EQ(r.top, kY);
    EXPECT_EQ(r.right - r.left, 44);
    EXPECT_EQ(r.bottom - r.top, 32);
    const Overlay* overlay = window.painter.FindOverlay(kId);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->rect, (Rect{kX, kY, kX + 44, kY + 32}));
    EXPECT_EQ(overlay->pixels, button.StateImage());
    EXPECT_EQ(overlay->rowWidth, 44);
    EXPECT_EQ(button.GetState(), ButtonState::Normal);
    EXPECT_TRUE(ShowsCell(0));
}

TEST_F(MaskedButtonTest, PressAndReleaseOverTheButton) {
    Skin();
    CursorOver();
    Press();
    EXPECT_EQ(button.GetState(), ButtonState::Pressed);
    EXPECT_TRUE(button.IsPressed());
    EXPECT_TRUE(ShowsCell(2));
    // The press was shown at once: the window shows the composed rectangle.
    HDC dc = GetDC(window.Handle());
    const test::Capture shown = test::CaptureDc(dc, kX, kY, 44, 32);
    ReleaseDC(window.Handle(), dc);
    EXPECT_EQ(shown.bgr, test::CaptureView(window.painter.ComposeView(), kX, kY, 44, 32).bgr);

    Release();
    EXPECT_EQ(button.GetState(), ButtonState::Hover);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_TRUE(ShowsCell(1));
    test::PumpMessages();
    EXPECT_EQ(window.Clicks(), std::vector<int>{kId});
}

TEST_F(MaskedButtonTest, DraggedOffAndReleasedThereSendsNoClick) {
    Skin();
    CursorOver();
    Press();
    CursorAway();
    Send(WM_TIMER, MaskedButton::kHoverTimer);
    EXPECT_EQ(button.GetState(), ButtonState::Normal) << "the timer notices the cursor has left";
    EXPECT_TRUE(button.IsPressed());
    CursorOver();
    Send(WM_MOUSEMOVE, MK_LBUTTON);
    EXPECT_EQ(button.GetState(), ButtonState::Pressed) << "back over it while still held";
    CursorAway();
    Release(false);
    EXPECT_EQ(button.GetState(), ButtonState::Normal);
    EXPECT_TRUE(ShowsCell(0));
    test::PumpMessages();
    EXPECT_TRUE(window.commands.empty());
}

TEST_F(MaskedButtonTest, HoverTimerNoticesTheCursorLeaving) {
    Skin();
    CursorOver();
    Send(WM_MOUSEMOVE);
    EXPECT_EQ(button.GetState(), ButtonState::Hover);
    test::PumpMessages(200);  // timer 1 runs while the cursor stays
    EXPECT_EQ(button.GetState(), ButtonState::Hover);
    CursorAway();
    test::PumpMessages(300);
    EXPECT_EQ(button.GetState(), ButtonState::Normal);
    EXPECT_TRUE(ShowsCell(0));
    // Other timer ids change nothing.
    CursorOver();
    Send(WM_MOUSEMOVE);
    CursorAway();
    Send(WM_TIMER, 7);
    EXPECT_EQ(button.GetState(), ButtonState::Hover);
}

TEST_F(MaskedButtonTest, MouseMoveOnlyActsFromNormal) {
    Skin();
    CursorAway();
    Send(WM_MOUSEMOVE);
    EXPECT_EQ(button.GetState(), ButtonState::Normal) << "cursor not over the button";
    CursorOver();
    Press();
    Send(WM_MOUSEMOVE, MK_LBUTTON);
    EXPECT_EQ(button.GetState(), ButtonState::Pressed);
    Release();
    Send(WM_MOUSEMOVE);
    EXPECT_EQ(button.GetState(), ButtonState::Hover);
}

TEST_F(MaskedButtonTest, OnlyAButtonThatShowsItsFocusLightsWhileItHasIt) {
    Skin();
    CursorAway();
    SetFocus(button.Handle());
    EXPECT_EQ(button.GetState(), ButtonState::Normal) << "the window's buttons show no focus";
    SetFocus(window.Handle());

    button.ShowFocus();
    SetFocus(button.Handle());
    EXPECT_EQ(button.GetState(), ButtonState::Hover);
    EXPECT_TRUE(ShowsCell(1));
    test::PumpMessages(200);  // the hover timer finds the cursor elsewhere
    EXPECT_EQ(button.GetState(), ButtonState::Hover);
    Press();
    Release(false);
    EXPECT_EQ(button.GetState(), ButtonState::Hover) << "released elsewhere, it still has the focus";
    SetFocus(window.Handle());
    EXPECT_EQ(button.GetState(), ButtonState::Normal);
    // Losing the focus under the cursor leaves Hover to the timer, as a mouse move does.
    SetFocus(button.Handle());
    CursorOver();
    SetFocus(window.Handle());
    EXPECT_EQ(button.GetState(), ButtonState::Hover);
    CursorAway();
    test::PumpMessages(200);
    EXPECT_EQ(button.GetState(), ButtonState::Normal);
}

TEST_F(MaskedButtonTest, DoubleClickIsASecondPressThatSendsNoSecondClick) {
    Skin();
    CursorOver();
    Press();
    Release();
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON);
    EXPECT_EQ(button.GetState(), ButtonState::Pressed);
    EXPECT_TRUE(button.IsPressed());
    EXPECT_TRUE(ShowsCell(2));
    Release();
    EXPECT_EQ(button.GetState(), ButtonState::Hover);
    test::PumpMessages();
    // An owner-drawn button tells its window of the second click apart: the window
    // must act on BN_CLICKED alone, or a double click runs the command twice.
    using Command = test::SkinnedWindow::Command;
    EXPECT_EQ(window.commands, (std::vector<Command>{{kId, BN_CLICKED}, {kId, BN_DBLCLK}}));
}

// The press ends when the capture goes elsewhere without a button-up (a message
// box opening while the button is held, Alt+Tab, the system cancelling modes).
TEST_F(MaskedButtonTest, LosingTheCaptureEndsThePress) {
    Skin();
    for (const bool cancelMode : {false, true}) {
        CursorOver();
        Press();
        ASSERT_EQ(GetCapture(), button.Handle());
        if (cancelMode) {
            Send(WM_CANCELMODE);
        } else {
            SetCapture(window.Handle());  // as a box taking the mouse would
            ReleaseCapture();
        }
        EXPECT_FALSE(button.IsPressed()) << cancelMode;
        EXPECT_EQ(button.GetState(), ButtonState::Hover) << cancelMode;
        EXPECT_TRUE(ShowsCell(1)) << cancelMode;
        // Later hovers show Hover, not a stuck Pressed, and the late release clicks nothing.
        CursorAway();
        Send(WM_TIMER, MaskedButton::kHoverTimer);
        CursorOver();
        Send(WM_MOUSEMOVE);
        EXPECT_EQ(button.GetState(), ButtonState::Hover) << cancelMode;
        Release();
        test::PumpMessages();
        EXPECT_TRUE(window.Clicks().empty()) << cancelMode;
    }
}

TEST_F(MaskedButtonTest, StatesValueChoosesTheCells) {
    struct Case {
        const char* kind;
        int normal, hover, pressed;
    };
    for (const Case c : {Case{"PushButton", 0, 1, 2}, Case{"States1", 0, 0, 0}, Case{"States5", 0, 0, 2}}) {
        Skin(c.kind);
        CursorAway();
        Release(false);
        EXPECT_TRUE(ShowsCell(c.normal)) << c.kind;
        CursorOver();
        Send(WM_MOUSEMOVE);
        EXPECT_EQ(button.GetState(), ButtonState::Hover);
        EXPECT_TRUE(ShowsCell(c.hover)) << c.kind;
        Press();
        EXPECT_TRUE(ShowsCell(c.pressed)) << c.kind;
        Release();
    }
}

TEST_F(MaskedButtonTest, SecondSkinWithOtherCellsGetsANewPicture) {
    Skin();
    const std::uint8_t* first = button.StateImage();
    Skin("PushButton");
    EXPECT_EQ(button.StateImage(), first) << "same cell sizes keep the picture";
    Skin("Wide");
    const Overlay* overlay = window.painter.FindOverlay(kId);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->pixels, button.StateImage());
    EXPECT_EQ(overlay->rowWidth, 40);
    EXPECT_EQ(overlay->rect, (Rect{kX, kY, kX + 40, kY + 30}));
    const RECT r = PlaceInParent();
    EXPECT_EQ(r.right - r.left, 40);
    EXPECT_EQ(r.bottom - r.top, 30);
    CursorOver();
    Press();
    EXPECT_TRUE(ShowsCell(2));
    EXPECT_EQ(window.painter.Overlays().size(), 1u);
}

TEST_F(MaskedButtonTest, SkinErrorsAreShownOncePerButtonAndClicksStillWork) {
    std::vector<std::pair<std::string, framework::MessageIcon>> shown;
    framework::SetMessageSink([&](std::string_view text, framework::MessageIcon icon) {
        shown.emplace_back(std::string(text), icon);
    });
    std::array<MaskedButton, 3> others;
    ASSERT_TRUE(others[0].Attach(window.Item(IDCANCEL)));
    ASSERT_TRUE(others[1].Attach(window.Item(IDC_LICENSE)));
    ASSERT_TRUE(others[2].Attach(window.Item(IDC_BROWSE)));

    struct Case {
        const char* kind;
        const char* text;
    };
    for (const Case c : {Case{"NoStrip", "Error in Storage..."}, Case{"EmptyStrip", "Error Opening From Storage..."},
                         Case{"Narrow", "Error in Storage..."}, Case{"Missing", "Error in Storage..."}}) {
        shown.clear();
        EXPECT_FALSE(button.LoadSkin(window.painter, storage, c.kind));
        for (MaskedButton& other : others) EXPECT_FALSE(other.LoadSkin(window.painter, storage, c.kind));
        ASSERT_EQ(shown.size(), 4u) << c.kind;
        for (const auto& [text, icon] : shown) {
            EXPECT_EQ(text, c.text) << c.kind;
            EXPECT_EQ(icon, framework::MessageIcon::Exclamation);
        }
    }
    framework::SetMessageSink({});
    EXPECT_FALSE(button.HasSkin());
    EXPECT_TRUE(window.painter.Overlays().empty());

    button.MoveTo(kX, kY);
    CursorOver();
    Press();
    EXPECT_EQ(button.GetState(), ButtonState::Pressed);
    Release();
    test::PumpMessages();
    EXPECT_EQ(window.Clicks(), std::vector<int>{kId});

    // A later failure keeps the skin that loaded before it.
    shown.clear();
    Skin();
    framework::SetMessageSink([&](std::string_view text, framework::MessageIcon icon) {
        shown.emplace_back(std::string(text), icon);
    });
    EXPECT_FALSE(button.LoadSkin(window.painter, storage, "Narrow"));
    framework::SetMessageSink({});
    EXPECT_TRUE(button.HasSkin());
    EXPECT_EQ(button.Skin().cellWidth, 44);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(MaskedButtonTest, ButtonThatGoesAwayTakesItsOverlay) {
    {
        MaskedButton temporary;
        ASSERT_TRUE(temporary.Attach(window.Item(IDC_LICENSE)));
        ASSERT_TRUE(temporary.LoadSkin(window.painter, storage, "PushButton"));
        EXPECT_NE(window.painter.FindOverlay(IDC_LICENSE), nullptr);
    }
    EXPECT_EQ(window.painter.FindOverlay(IDC_LICENSE), nullptr);
    // Its control lives on as a plain button.
    EXPECT_TRUE(IsWindow(window.Item(IDC_LICENSE)));
}

}  // namespace
}  // namespace imaging
