// Reading and checking button skins, and the picture each state shows.
#include <gtest/gtest.h>

#include "SkinFixtures.h"
#include "imaging/ButtonSkin.h"
#include "storage/Storage.h"

namespace imaging {
namespace {

constexpr const char* kBase = "Controls.MaskedButtons.PushButton";

TEST(ButtonSkin, CellForEachStateAndStatesValue) {
    struct Case {
        int states;
        int normal, hover, pressed;
    };
    for (const Case c : {Case{7, 0, 1, 2}, Case{1, 0, 0, 0}, Case{5, 0, 0, 2}, Case{3, 0, 1, 0}, Case{15, 0, 1, 2},
                         Case{8, 0, 0, 0}}) {
        EXPECT_EQ(CellForState(ButtonState::Normal, c.states), c.normal) << c.states;
        EXPECT_EQ(CellForState(ButtonState::Hover, c.states), c.hover) << c.states;
        EXPECT_EQ(CellForState(ButtonState::Pressed, c.states), c.pressed) << c.states;
    }
}

// A container with the PushButton keys, each one replaceable or left out.
struct SkinKeys {
    std::optional<int> height = test::kCellHeight, width = 3 * test::kCellWidth, ctrlWidth = test::kCellWidth,
                       states = 7;
    std::optional<std::vector<std::uint8_t>> rgba = test::MakeButtonStrip(3);

    std::vector<std::uint8_t> Build() const {
        test::TestContainer c;
        const std::string base = kBase;
        if (height) c.Integer(base + ".Height", *height);
        if (width) c.Integer(base + ".Width", *width);
        if (ctrlWidth) c.Integer(base + ".CtrlWidth", *ctrlWidth);
        if (states) c.Integer(base + ".States", *states);
        if (rgba) c.Binary(base + ".RGBA", *rgba);
        c.String("Controls.MaskedButtons.Other.Height", "not an integer");
        return c.Build();
    }
};

SkinResult Load(const SkinKeys& keys, ButtonSkin& skin) {
    const auto bytes = keys.Build();
    storage::Storage storage;
    if (!storage.OpenBytes(bytes.data(), bytes.size())) return SkinResult::StorageError;
    return LoadButtonSkin(storage, "PushButton", skin);
}

TEST(ButtonSkin, LoadsAGoodSkin) {
    ButtonSkin skin;
    ASSERT_EQ(Load(SkinKeys{}, skin), SkinResult::Ok);
    EXPECT_EQ(skin.cellHeight, 8);
    EXPECT_EQ(skin.stripWidth, 30);
    EXPECT_EQ(skin.cellWidth, 10);
    EXPECT_TRUE(skin.HasHoverCell());
    EXPECT_TRUE(skin.HasPressedCell());
    EXPECT_EQ(skin.stripSize, 30u * 8 * 4);
    EXPECT_EQ(skin.CellBytes(), 10u * 8 * 4);
}

TEST(ButtonSkin, RefusesWhatCannotBeReadOrDoesNotHoldTogether) {
    struct Case {
        const char* what;
        SkinKeys keys;
        SkinResult result;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change, SkinResult result) {
        SkinKeys keys;
        change(keys);
        cases.push_back({what, keys, result});
    };
    add("no Height", [](SkinKeys& k) { k.height.reset(); }, SkinResult::StorageError);
    add("no Width", [](SkinKeys& k) { k.width.reset(); }, SkinResult::StorageError);
    add("no CtrlWidth", [](SkinKeys& k) { k.ctrlWidth.reset(); }, SkinResult::StorageError);
    add("no States", [](SkinKeys& k) { k.states.reset(); }, SkinResult::StorageError);
    add("no RGBA", [](SkinKeys& k) { k.rgba.reset(); }, SkinResult::StorageError);
    add("empty RGBA", [](SkinKeys& k) { k.rgba = std::vector<std::uint8_t>{}; }, SkinResult::NoData);
    add("short RGBA", [](SkinKeys& k) { k.rgba->pop_back(); }, SkinResult::StorageError);
    add("zero height", [](SkinKeys& k) { k.height = 0; }, SkinResult::StorageError);
    add("negative cell", [](SkinKeys& k) { k.ctrlWidth = -10; }, SkinResult::StorageError);
    add("zero strip", [](SkinKeys& k) { k.width = 0; }, SkinResult::StorageError);
    add("pressed cell past the strip", [](SkinKeys& k) { k.ctrlWidth = 11; }, SkinResult::StorageError);
    add("huge sizes", [](SkinKeys& k) { k.width = 0x7FFFFFFF, k.height = 0x7FFFFFFF; }, SkinResult::StorageError);
    for (const Case& c : cases) {
        ButtonSkin skin;
        skin.cellWidth = 99;
        EXPECT_EQ(Load(c.keys, skin), c.result) << c.what;
        EXPECT_EQ(skin.cellWidth, 99) << c.what << ": the skin is replaced only on success";
    }
    // Narrow strips are fine when the states select fewer cells.
    SkinKeys hoverOnly;
    hoverOnly.states = 3, hoverOnly.width = 20, hoverOnly.rgba->resize(20 * 8 * 4);
    ButtonSkin skin;
    EXPECT_EQ(Load(hoverOnly, skin), SkinResult::Ok);
    SkinKeys normalOnly;
    normalOnly.states = 9, normalOnly.width = 10, normalOnly.rgba->resize(10 * 8 * 4);
    EXPECT_EQ(Load(normalOnly, skin), SkinResult::Ok);

    EXPECT_STREQ(SkinResultText(SkinResult::StorageError), "Error in Storage...");
    EXPECT_STREQ(SkinResultText(SkinResult::NoData), "Error Opening From Storage...");
}

TEST(ButtonSkin, StatePictureIsTheChosenCell) {
    for (int states : {1, 5, 7}) {
        SkinKeys keys;
        keys.states = states;
        ButtonSkin skin;
        ASSERT_EQ(Load(keys, skin), SkinResult::Ok);
        for (ButtonState state : {ButtonState::Normal, ButtonState::Hover, ButtonState::Pressed}) {
            std::vector<std::uint8_t> picture(skin.CellBytes());
            CopyStatePicture(skin, state, picture.data());
            const int cell = CellForState(state, states);
            for (int y = 0; y < test::kCellHeight; ++y)
                for (int x = 0; x < test::kCellWidth; ++x) {
                    const std::uint8_t* p = picture.data() + (y * test::kCellWidth + x) * 4;
                    const test::Rgbt want = test::ButtonPixel(cell, x, y);
                    ASSERT_EQ(p[0], want.red) << states << " " << static_cast<int>(state);
                    ASSERT_EQ(p[1], want.green);
                    ASSERT_EQ(p[2], want.blue);
                    ASSERT_EQ(p[3], want.t);
                }
        }
    }
}

}  // namespace
}  // namespace imaging
