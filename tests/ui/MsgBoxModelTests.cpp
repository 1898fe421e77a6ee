// The message dialog's rules, without any window system: the faces take all of
// these from the model and are tested only for what they do themselves.
#include "ui/DialogUnits.h"
#include "ui/MsgBoxModel.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

using dialog_units::MulDiv;

namespace {

// Measures as a font with a fixed cell would: every byte of a caption or a
// line is `charWidth` wide, except where a size is given for the whole text.
class FixedMeasurer : public MessageMeasurer {
public:
    FixedMeasurer(int sampleWidth, int lineHeight) : sample_{sampleWidth, lineHeight} {}

    CharCell MeasureSample() override { return sample_; }
    int MeasureCaption(const std::string& caption) override {
        ++captionsMeasured;
        return captionWidths.count(caption) ? captionWidths[caption] : 12;
    }
    CharCell MeasureText(const std::string& text, int wrapWidth) override {
        lastWrapWidth = wrapWidth;
        return textSizes.count(text) ? textSizes[text] : CharCell{12, sample_.height};
    }

    std::map<std::string, int> captionWidths;
    std::map<std::string, CharCell> textSizes;
    int captionsMeasured = 0;
    int lastWrapWidth = -1;

private:
    CharCell sample_;
};

// Leaves ButtonWidthCache as a test found it.
class WidthCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ButtonWidthCache();
        ButtonWidthCache().fill(0);
    }
    void TearDown() override { ButtonWidthCache() = saved_; }

private:
    std::array<int, kMessageButtonCount> saved_{};
};

using Layout = WidthCacheTest;

void ExpectWellFormed(const MessageLayout& l) {
    const LayoutRect client{0, 0, l.clientWidth, l.clientHeight};
    auto inside = [&](const LayoutRect& r) {
        return r.left >= client.left && r.top >= client.top && r.right() <= client.right() &&
               r.bottom() <= client.bottom();
    };
    auto overlap = [](const LayoutRect& a, const LayoutRect& b) {
        return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
    };
    // All the text is shown: the label gets what was measured, inside the dialog.
    EXPECT_EQ(l.message.width, l.textWidth);
    EXPECT_EQ(l.message.height, l.textHeight);
    EXPECT_TRUE(inside(l.message));
    if (l.iconId != 0) {
        EXPECT_TRUE(inside(l.icon));
        EXPECT_FALSE(overlap(l.icon, l.message));
    }
    for (std::size_t i = 0; i < l.buttons.size(); ++i) {
        const LayoutRect& b = l.buttons[i].bounds;
        EXPECT_TRUE(inside(b));
        EXPECT_GE(b.top, l.message.bottom());
        if (l.iconId != 0) {
            EXPECT_GE(b.top, l.icon.bottom());
        }
        // One row, left to right, none on top of another.
        EXPECT_EQ(b.top, l.buttons[0].bounds.top);
        if (i > 0) {
            EXPECT_GT(b.left, l.buttons[i - 1].bounds.right());
        }
    }
    if (!l.buttons.empty()) {
        // Centred, give or take the pixel lost to halving.
        const int leftGap = l.buttons.front().bounds.left;
        const int rightGap = l.clientWidth - l.buttons.back().bounds.right();
        EXPECT_TRUE(rightGap - leftGap == 0 || rightGap - leftGap == 1) << leftGap << " " << rightGap;
    }
}

}  // namespace

TEST(DialogUnits, MulDivRoundsToNearestHalvesAwayFromZero) {
    const int denominators[] = {1, 2, 3, 4, 5, 8, -2, -3, -4};
    for (int number = -30; number <= 30; ++number)
        for (int numerator = -9; numerator <= 9; ++numerator)
            for (int denominator : denominators) {
                const double exact = static_cast<double>(number) * numerator / denominator;
                ASSERT_EQ(MulDiv(number, numerator, denominator), static_cast<int>(std::lround(exact)))
                    << number << " * " << numerator << " / " << denominator;
            }
}

TEST(DialogUnits, MulDivKeepsTheFullProduct) {
    // The product overflows an int, the quotient does not.
    EXPECT_EQ(MulDiv(INT_MAX, 6, 6), INT_MAX);
    EXPECT_EQ(MulDiv(INT_MIN, 3, 3), INT_MIN);
    EXPECT_EQ(MulDiv(100000, 100000, 50000), 200000);
}

TEST(DialogUnits, MulDivReportsImpossibleResults) {
    EXPECT_EQ(MulDiv(7, 3, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, 2, 1), -1);
}

TEST(DialogUnits, AverageCellIsTheWholeMeanLetterWidth) {
    EXPECT_EQ(AverageCharSize(312, 13), (CharCell{6, 13}));
    EXPECT_EQ(AverageCharSize(363, 16), (CharCell{6, 16}));  // 6.98: cut, not rounded
    EXPECT_EQ(AverageCharSize(364, 16), (CharCell{7, 16}));
    EXPECT_EQ(std::string(kAverageCharSample).size(), 52u);
}

// Worked numbers for two message fonts: 6 x 13 (Tahoma 8 pt) and 7 x 16.
TEST_F(Layout, UnitsOfTheTableForTwoFonts) {
    struct Row {
        int sampleWidth, height;
        int marginX, marginY, spacingX, spacingY, minButton, buttonHeight, buttonSpacing;
    };
    const Row rows[] = {
        {312, 13, 12, 13, 15, 16, 75, 23, 6},
        {364, 16, 14, 16, 18, 20, 88, 28, 7},
    };
    for (const Row& r : rows) {
        FixedMeasurer m(r.sampleWidth, r.height);
        const MessageLayout l = LayOutMessageDialog("好", mkInformation, mbOK, 1024, false, m);
        EXPECT_EQ(l.marginX, r.marginX);
        EXPECT_EQ(l.marginY, r.marginY);
        EXPECT_EQ(l.spacingX, r.spacingX);
        EXPECT_EQ(l.spacingY, r.spacingY);
        EXPECT_EQ(l.buttonWidth, r.minButton);  // "确认" measures 12 + 8, below the minimum
        EXPECT_EQ(l.buttonHeight, r.buttonHeight);
        EXPECT_EQ(l.buttonSpacing, r.buttonSpacing);
    }
}

TEST_F(Layout, OneWordMessageWithTheOkButton) {
    FixedMeasurer m(312, 13);
    m.textSizes["好"] = {12, 13};
    const MessageLayout l = LayOutMessageDialog("好", mkInformation, mbOK, 1024, false, m);
    // The button (75) is wider than icon, spacing and word (32 + 15 + 12).
    EXPECT_EQ(l.iconTextWidth, 59);
    EXPECT_EQ(l.iconTextHeight, 32);
    EXPECT_EQ(l.clientWidth, 99);
    EXPECT_EQ(l.clientHeight, 32 + 23 + 16 + 2 * 13);
    EXPECT_EQ(l.icon, (LayoutRect{12, 13, 32, 32}));
    EXPECT_EQ(l.message, (LayoutRect{59, 13, 12, 13}));
    ASSERT_EQ(l.buttons.size(), 1u);
    EXPECT_EQ(l.buttons[0].bounds, (LayoutRect{12, 61, 75, 23}));
    ExpectWellFormed(l);

    // A wider word makes the text side the wider one.
    m.textSizes["好"] = {200, 13};
    const MessageLayout wide = LayOutMessageDialog("好", mkInformation, mbOK, 1024, false, m);
    EXPECT_EQ(wide.clientWidth, 32 + 15 + 200 + 2 * 12);
    ExpectWellFormed(wide);
}

TEST_F(Layout, TextTallerThanTheIcon) {
    FixedMeasurer m(312, 13);
    m.textSizes["四行"] = {90, 52};
    const MessageLayout l = LayOutMessageDialog("四行", mkError, mbOK, 1024, false, m);
    EXPECT_EQ(l.iconTextHeight, 52);
    EXPECT_EQ(l.buttons[0].bounds.top, 52 + 13 + 16);
    ExpectWellFormed(l);
}

TEST_F(Layout, TextWrapsWithinHalfTheScreen) {
    FixedMeasurer m(312, 13);
    LayOutMessageDialog("长", mkWarning, mbRetry | mbCancel, 1366, false, m);
    EXPECT_EQ(m.lastWrapWidth, 683);
    LayOutMessageDialog("长", mkWarning, mbRetry | mbCancel, 1025, false, m);
    EXPECT_EQ(m.lastWrapWidth, 512);
}

TEST_F(Layout, NoButtonsStillReservesTheButtonRow) {
    FixedMeasurer m(312, 13);
    const MessageLayout l = LayOutMessageDialog("好", mkInformation, 0, 1024, false, m);
    EXPECT_TRUE(l.buttons.empty());
    EXPECT_EQ(l.buttonGroupWidth, 0);
    EXPECT_EQ(l.clientWidth, 59 + 24);
    EXPECT_EQ(l.clientHeight, 32 + 23 + 16 + 26);
}

TEST_F(Layout, CustomKindHasNoIconAndTheTextAtTheMargin) {
    FixedMeasurer m(312, 13);
    m.textSizes["无图标"] = {150, 13};
    const MessageLayout l = LayOutMessageDialog("无图标", mkCustom, mbOK, 1024, false, m);
    EXPECT_EQ(l.iconId, 0);
    EXPECT_EQ(l.message, (LayoutRect{12, 13, 150, 13}));
    EXPECT_EQ(l.clientWidth, 174);
    EXPECT_EQ(l.clientHeight, 13 + 23 + 16 + 26);
    ExpectWellFormed(l);
}

TEST_F(Layout, RightToLeftMirrorsIconAndText) {
    FixedMeasurer m(312, 13);
    m.textSizes["从右到左"] = {150, 13};
    const MessageLayout ltr = LayOutMessageDialog("从右到左", mkWarning, mbOK, 1024, false, m);
    const MessageLayout rtl = LayOutMessageDialog("从右到左", mkWarning, mbOK, 1024, true, m);
    EXPECT_EQ(rtl.clientWidth, ltr.clientWidth);
    EXPECT_EQ(rtl.icon.left, ltr.clientWidth - ltr.icon.right());
    EXPECT_EQ(rtl.message.left, ltr.clientWidth - ltr.message.right());
    EXPECT_EQ(rtl.buttons[0].bounds, ltr.buttons[0].bounds);
    ExpectWellFormed(rtl);
}

TEST_F(Layout, ButtonsInBitOrderWithTheirRoles) {
    FixedMeasurer m(312, 13);
    struct Row {
        MessageButtons buttons;
        std::vector<std::string> names;
        int defaultBit, cancelBit;
    };
    const Row rows[] = {
        {mbOK, {"OK"}, 2, 2},
        {mbOK | mbCancel, {"OK", "Cancel"}, 2, 6},
        {mbYes | mbNo, {"Yes", "No"}, 0, 1},
        {mbYes | mbNo | mbCancel, {"Yes", "No", "Cancel"}, 0, 6},
        {mbYes | mbOK, {"Yes", "OK"}, 2, 2},
        {mbReplace | mbIgnore | mbCancel, {"Replace", "Ingore", "Cancel"}, 4, 6},
        {mbNo | mbRetry, {"No", "Retry"}, 7, 1},
        {mbAbort | mbRetry | mbIgnore, {"Abort", "Ingore", "Retry"}, 7, -1},
        {mbAbort | mbIgnore, {"Abort", "Ingore"}, -1, -1},
        {0xFF, {"Yes", "No", "OK", "Abort", "Replace", "Ingore", "Cancel", "Retry"}, 2, 6},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DefaultButtonBit(row.buttons), row.defaultBit) << int(row.buttons);
        EXPECT_EQ(CancelButtonBit(row.buttons), row.cancelBit) << int(row.buttons);
        const MessageLayout l = LayOutMessageDialog("按钮", mkConfirmation, row.buttons, 1024, false, m);
        ASSERT_EQ(l.buttons.size(), row.names.size());
        for (std::size_t i = 0; i < l.buttons.size(); ++i) {
            EXPECT_EQ(ButtonInfo(l.buttons[i].bit).name, row.names[i]);
            EXPECT_EQ(l.buttons[i].isDefault, l.buttons[i].bit == row.defaultBit);
            EXPECT_EQ(l.buttons[i].isCancel, l.buttons[i].bit == row.cancelBit);
        }
        ExpectWellFormed(l);
    }
}

TEST(DialogKeys, EnterPressesTheFocusedOrDefaultButtonAndEscTheCancelButton) {
    constexpr int kEnter = kVirtualKeyReturn, kEsc = kVirtualKeyEscape;
    struct Row {
        MessageButtons buttons;
        int key;
        int focusedBit;
        DialogKeyAnswer answer;
    };
    const Row rows[] = {
        {mbOK, kEnter, -1, {true, 2}},
        {mbOK, kEsc, 2, {true, 2}},
        {mbOK | mbCancel, kEsc, 2, {true, 6}},
        {mbYes | mbNo, kEnter, -1, {true, 0}},
        {mbYes | mbNo, kEnter, 1, {true, 1}},  // the focused button, as a click
        {mbYes | mbNo, kEsc, 0, {true, 1}},
        {mbYes | mbNo | mbCancel, kEsc, -1, {true, 6}},
        {mbNo | mbRetry, kEnter, -1, {true, 7}},
        // Without a cancel or default button the key is used up and nothing pressed.
        {mbAbort | mbRetry | mbIgnore, kEsc, 3, {true, -1}},
        {mbAbort | mbIgnore, kEnter, -1, {true, -1}},
        {mbAbort | mbIgnore, kEnter, 5, {true, 5}},
        // A focus on no button of the dialog counts as none.
        {mbOK | mbCancel, kEnter, 0, {true, 2}},
        {mbOK, 'C', 2, {false, -1}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AnswerDialogKey(row.key, 0, row.buttons, row.focusedBit), row.answer)
            << int(row.buttons) << " key " << row.key << " focus " << row.focusedBit;
    for (unsigned modifier : {kShiftKey, kCtrlKey, kAltKey, kMetaKey})
        for (int key : {kEnter, kEsc})
            EXPECT_EQ(AnswerDialogKey(key, modifier, mbOK | mbCancel, -1), DialogKeyAnswer{});
}

TEST(MessageButtons, TheTableAsTheOperatorsKnowIt) {
    struct Row {
        const char* name;
        const char* caption;
        int result;
    };
    const Row rows[kMessageButtonCount] = {
        {"Yes", "是", 6},        {"No", "否", 7},       {"OK", "确认", 1},     {"Abort", "终止", 3},
        {"Replace", "覆盖", 11}, {"Ingore", "忽略", 5}, {"Cancel", "取消", 2}, {"Retry", "重试", 4},
    };
    for (int bit = 0; bit < kMessageButtonCount; ++bit) {
        EXPECT_STREQ(ButtonInfo(bit).name, rows[bit].name);
        EXPECT_STREQ(ButtonInfo(bit).caption, rows[bit].caption);
        EXPECT_EQ(ButtonInfo(bit).result, rows[bit].result);
    }
}

TEST(MessageKinds, TitlesAndIcons) {
    EXPECT_EQ(KindTitle(mkWarning, "应用"), "警告");
    EXPECT_EQ(KindTitle(mkError, "应用"), "错误");
    EXPECT_EQ(KindTitle(mkInformation, "应用"), "提示");
    EXPECT_EQ(KindTitle(mkConfirmation, "应用"), "确认");
    EXPECT_EQ(KindTitle(mkCustom, "发卡格式机"), "发卡格式机");
    EXPECT_EQ(KindIconId(mkWarning), 32515);
    EXPECT_EQ(KindIconId(mkError), 32513);
    EXPECT_EQ(KindIconId(mkInformation), 32516);
    EXPECT_EQ(KindIconId(mkConfirmation), 32514);
    EXPECT_EQ(KindIconId(mkCustom), 0);
}

TEST_F(Layout, CaptionsAreMeasuredOncePerProcess) {
    FixedMeasurer m(312, 13);
    m.captionWidths["重试"] = 100;
    const MessageLayout first = LayOutMessageDialog("测量", mkWarning, mbRetry | mbCancel, 1024, false, m);
    EXPECT_EQ(m.captionsMeasured, 2);
    EXPECT_EQ(ButtonWidthCache()[7], 108);
    EXPECT_EQ(first.buttonWidth, 108);  // the widest caption widens every button

    // The stored width is what later dialogs take, without measuring again.
    ButtonWidthCache()[7] = 150;
    const MessageLayout second = LayOutMessageDialog("复用", mkWarning, mbRetry, 1024, false, m);
    EXPECT_EQ(m.captionsMeasured, 2);
    EXPECT_EQ(second.buttonWidth, 150);
    const MessageLayout third = LayOutMessageDialog("无关", mkWarning, mbCancel, 1024, false, m);
    EXPECT_EQ(third.buttonWidth, 75);
}

TEST(Centring, HalvesRoundTowardZero) {
    EXPECT_EQ(CentredOnScreen(1024, 768, 99, 120), (LayoutPoint{463, 324}));
    EXPECT_EQ(CentredOnScreen(1025, 767, 100, 101), (LayoutPoint{462, 333}));
}

TEST(CopyText, ShowInfoOfAPromptIsSevenLines) {
    EXPECT_EQ(BuildCopyText("提示", "请放置IC卡", {"确认"}),
              "---------------------------\r\n提示\r\n---------------------------\r\n请放置IC卡\r\n"
              "---------------------------\r\n确认   \r\n---------------------------\r\n");
}

TEST(CopyText, CaptionsAsShownAndTheMessageAsTyped) {
    const std::string divider = std::string(27, '-') + "\r\n";
    EXPECT_EQ(BuildCopyText("确认", "甲&乙", {"是(&Y)", "&否"}),
              divider + "确认\r\n" + divider + "甲&乙\r\n" + divider + "是(Y)   否   \r\n" + divider);
    EXPECT_EQ(BuildCopyText("确认", "甲", {"保存&&退出", "否&"}),
              divider + "确认\r\n" + divider + "甲\r\n" + divider + "保存&退出   否   \r\n" + divider);
    EXPECT_EQ(BuildCopyText("警告", "正在写卡", {}),
              divider + "警告\r\n" + divider + "正在写卡\r\n" + divider + "\r\n" + divider);
}

TEST(CopyKey, OnlyCtrlCAlone) {
    EXPECT_TRUE(IsCopyKey(67, kCtrlKey));
    EXPECT_FALSE(IsCopyKey(67, kCtrlKey | kShiftKey));
    EXPECT_FALSE(IsCopyKey(67, kCtrlKey | kAltKey));
    EXPECT_FALSE(IsCopyKey(67, kCtrlKey | kMetaKey));
    EXPECT_FALSE(IsCopyKey(67, 0));
    EXPECT_FALSE(IsCopyKey(67, kShiftKey));
    EXPECT_FALSE(IsCopyKey(86, kCtrlKey));  // Ctrl+V
    EXPECT_FALSE(IsCopyKey(45, kCtrlKey));  // Ctrl+Insert
}

namespace {

class RecordingCopyFace : public CopyKeyFace {
public:
    std::string CopyText() override { return "文本"; }
    void CopyToClipboard(const std::string& utf8) override {
        events.push_back("copy " + utf8);
        if (clipboardHeld) throw std::runtime_error(kCannotOpenClipboard);
    }
    void Beep() override { events.push_back("beep"); }
    void ReportError(const std::string& utf8) override { events.push_back("report " + utf8); }

    bool clipboardHeld = false;
    std::vector<std::string> events;
};

}  // namespace

TEST(CopyKey, CopiesThenBeeps) {
    RecordingCopyFace face;
    EXPECT_TRUE(HandleCopyKey(67, kCtrlKey, face));
    EXPECT_EQ(face.events, (std::vector<std::string>{"copy 文本", "beep"}));
}

TEST(CopyKey, HeldClipboardIsReportedWithoutTheBeep) {
    RecordingCopyFace face;
    face.clipboardHeld = true;
    EXPECT_TRUE(HandleCopyKey(67, kCtrlKey, face));
    EXPECT_EQ(face.events, (std::vector<std::string>{"copy 文本", "report Cannot open clipboard"}));
}

TEST(CopyKey, OtherKeysAreLeftAlone) {
    RecordingCopyFace face;
    EXPECT_FALSE(HandleCopyKey(67, kCtrlKey | kShiftKey, face));
    EXPECT_FALSE(HandleCopyKey(13, 0, face));
    EXPECT_TRUE(face.events.empty());
}
