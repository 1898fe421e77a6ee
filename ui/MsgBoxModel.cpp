#include "ui/MsgBoxModel.h"

#include <algorithm>
#include <exception>
#include <initializer_list>

namespace {

constexpr MessageButtonInfo kButtons[kMessageButtonCount] = {
    {"Yes", "是", mrYes},           {"No", "否", mrNo},
    {"OK", "确认", mrOK},           {"Abort", "终止", mrAbort},
    {"Replace", "覆盖", mrReplace}, {"Ingore", "忽略", mrIgnore},
    {"Cancel", "取消", mrCancel},   {"Retry", "重试", mrRetry},
};

constexpr int kBitYes = 0, kBitNo = 1, kBitOK = 2, kBitReplace = 4, kBitCancel = 6, kBitRetry = 7;

// Dialog units of the layout.
constexpr int kMarginX = 8, kMarginY = 8, kSpacingX = 10, kSpacingY = 10;
constexpr int kButtonMinWidth = 50, kButtonHeight = 14, kButtonSpacing = 4;

// Pixels added to a caption's width so the text does not touch the button edge.
constexpr int kCaptionPadding = 8;

bool Has(MessageButtons buttons, int bit) { return (buttons >> bit) & 1u; }

int FirstPresent(MessageButtons buttons, std::initializer_list<int> bits) {
    for (int bit : bits)
        if (Has(buttons, bit)) return bit;
    return -1;
}

}  // namespace

const MessageButtonInfo& ButtonInfo(int bit) { return kButtons[bit]; }

std::vector<int> ButtonBits(MessageButtons buttons) {
    std::vector<int> bits;
    for (int bit = 0; bit < kMessageButtonCount; ++bit)
        if (Has(buttons, bit)) bits.push_back(bit);
    return bits;
}

std::string KindTitle(MessageKind kind, const std::string& applicationTitle) {
    switch (kind) {
        case mkWarning: return "警告";
        case mkError: return "错误";
        case mkInformation: return "提示";
        case mkConfirmation: return "确认";
        case mkCustom: break;
    }
    return applicationTitle;
}

int KindIconId(MessageKind kind) {
    switch (kind) {
        case mkWarning: return 32515;
        case mkError: return 32513;
        case mkInformation: return 32516;
        case mkConfirmation: return 32514;
        case mkCustom: break;
    }
    return 0;
}

int DefaultButtonBit(MessageButtons buttons) {
    return FirstPresent(buttons, {kBitOK, kBitYes, kBitReplace, kBitRetry});
}

int CancelButtonBit(MessageButtons buttons) { return FirstPresent(buttons, {kBitCancel, kBitNo, kBitOK}); }

DialogKeyAnswer AnswerDialogKey(int virtualKey, unsigned modifiers, MessageButtons buttons, int focusedBit) {
    if (modifiers != 0) return {};
    if (virtualKey == kVirtualKeyEscape) return {true, CancelButtonBit(buttons)};
    if (virtualKey != kVirtualKeyReturn) return {};
    if (focusedBit >= 0 && focusedBit < kMessageButtonCount && Has(buttons, focusedBit)) return {true, focusedBit};
    return {true, DefaultButtonBit(buttons)};
}

std::array<int, kMessageButtonCount>& ButtonWidthCache() {
    static std::array<int, kMessageButtonCount> widths{};
    return widths;
}

MessageLayout LayOutMessageDialog(const std::string& text, MessageKind kind, MessageButtons buttons, int screenWidth,
                                  bool rightToLeft, MessageMeasurer& measurer) {
    MessageLayout l;
    const CharCell sample = measurer.MeasureSample();
    l.average = AverageCharSize(sample.width, sample.height);
    l.marginX = HorzUnits(kMarginX, l.average);
    l.marginY = VertUnits(kMarginY, l.average);
    l.spacingX = HorzUnits(kSpacingX, l.average);
    l.spacingY = VertUnits(kSpacingY, l.average);

    const std::vector<int> bits = ButtonBits(buttons);
    auto& widths = ButtonWidthCache();
    l.buttonWidth = HorzUnits(kButtonMinWidth, l.average);
    for (int bit : bits) {
        if (widths[bit] == 0) widths[bit] = measurer.MeasureCaption(kButtons[bit].caption) + kCaptionPadding;
        l.buttonWidth = std::max(l.buttonWidth, widths[bit]);
    }
    l.buttonHeight = VertUnits(kButtonHeight, l.average);
    l.buttonSpacing = HorzUnits(kButtonSpacing, l.average);

    l.wrapWidth = screenWidth / 2;
    const CharCell textSize = measurer.MeasureText(text, l.wrapWidth);
    l.textWidth = textSize.width;
    l.textHeight = textSize.height;

    l.iconId = KindIconId(kind);
    l.iconTextWidth = l.textWidth;
    l.iconTextHeight = l.textHeight;
    if (l.iconId != 0) {
        l.iconTextWidth += l.spacingX + kIconSize;
        l.iconTextHeight = std::max(l.iconTextHeight, kIconSize);
    }

    const int n = static_cast<int>(bits.size());
    l.buttonGroupWidth = n == 0 ? 0 : n * l.buttonWidth + (n - 1) * l.buttonSpacing;
    l.clientWidth = std::max(l.iconTextWidth, l.buttonGroupWidth) + 2 * l.marginX;
    l.clientHeight = l.iconTextHeight + l.buttonHeight + l.spacingY + 2 * l.marginY;

    if (l.iconId != 0) {
        // Mirrored along with the text, which would otherwise be drawn over it.
        const int iconLeft = rightToLeft ? l.clientWidth - l.marginX - kIconSize : l.marginX;
        l.icon = LayoutRect{iconLeft, l.marginY, kIconSize, kIconSize};
    }
    int textLeft = l.iconTextWidth - l.textWidth + l.marginX;
    if (rightToLeft) textLeft = l.clientWidth - textLeft - l.textWidth;
    l.message = LayoutRect{textLeft, l.marginY, l.textWidth, l.textHeight};

    const int defaultBit = DefaultButtonBit(buttons);
    const int cancelBit = CancelButtonBit(buttons);
    int x = (l.clientWidth - l.buttonGroupWidth) / 2;
    const int y = l.iconTextHeight + l.marginY + l.spacingY;
    for (int bit : bits) {
        l.buttons.push_back(
            PlacedButton{bit, LayoutRect{x, y, l.buttonWidth, l.buttonHeight}, bit == defaultBit, bit == cancelBit});
        x += l.buttonWidth + l.buttonSpacing;
    }
    return l;
}

LayoutPoint CentredOnScreen(int screenWidth, int screenHeight, int width, int height) {
    return LayoutPoint{screenWidth / 2 - width / 2, screenHeight / 2 - height / 2};
}

std::string WithoutMnemonics(const std::string& caption) {
    std::string plain;
    plain.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            plain += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            plain += '&';
            ++i;
        }
    }
    return plain;
}

std::string BuildCopyText(const std::string& title, const std::string& message,
                          const std::vector<std::string>& captions) {
    const std::string divider = std::string(27, '-') + "\r\n";
    std::string buttonText;
    for (const std::string& caption : captions) buttonText += caption + "   ";
    return divider + title + "\r\n" + divider + message + "\r\n" + divider + WithoutMnemonics(buttonText) + "\r\n" +
           divider;
}

bool IsCopyKey(int virtualKey, unsigned modifiers) { return virtualKey == kVirtualKeyC && modifiers == kCtrlKey; }

bool HandleCopyKey(int virtualKey, unsigned modifiers, CopyKeyFace& face) {
    if (!IsCopyKey(virtualKey, modifiers)) return false;
    try {
        face.CopyToClipboard(face.CopyText());
    } catch (const std::exception& error) {
        face.ReportError(error.what());
        return true;
    }
    face.Beep();
    return true;
}
