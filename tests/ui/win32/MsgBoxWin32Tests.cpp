// The Win32 message dialog as the operator meets it: real windows on this
// thread, driven by window messages from a driver thread. What the dialog
// decides (layout, roles of the buttons, copy text) is tested with the model;
// here: that the face builds, shows and answers as the model says.
#include "ui/win32/MsgBox.h"

#include "Win32TestSupport.h"
#include "platform/win32/Win32Text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

using namespace harness;
using platform::win32::Utf8ToWide;

namespace {

constexpr wchar_t kForm[] = L"TMessageForm";
const std::wstring kUntouched = L"剪贴板原有内容";

const char kShowInfoCopy[] =
    "---------------------------\r\n提示\r\n---------------------------\r\n请放置IC卡\r\n"
    "---------------------------\r\n确认   \r\n---------------------------\r\n";

struct Seen {
    std::string title;
    std::string message;
    bool hasIcon = false;
    std::vector<std::pair<int, std::string>> buttons;  // control id, caption
};

Seen Look(HWND dialog) {
    Seen seen;
    seen.title = Text(dialog);
    for (HWND child : Children(dialog)) {
        const std::wstring kind = ClassOf(child);
        if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            seen.buttons.emplace_back(GetDlgCtrlID(child), Text(child));
        } else if (GetWindowLongW(child, GWL_STYLE) & SS_ICON) {
            seen.hasIcon = SendMessageW(child, STM_GETICON, 0, 0) != 0;
        } else {
            seen.message = Text(child);
        }
    }
    return seen;
}

HWND ButtonWithId(HWND dialog, int id) { return GetDlgItem(dialog, id); }

}  // namespace

TEST(Win32Dialog, ShowInfoIsConfirmedWithEnterOrEsc) {
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
        Seen seen;
        Driver driver(kForm, [&](DWORD) {
            HWND dialog = WaitForWindow(kForm);
            ASSERT_TRUE(dialog);
            seen = Look(dialog);
            Press({WORD(key)});
        });
        EXPECT_EQ(ShowInfo("请放置IC卡"), 1) << key;
        driver.Join();
        EXPECT_EQ(seen.title, "提示");
        EXPECT_EQ(seen.message, "请放置IC卡");
        EXPECT_TRUE(seen.hasIcon);
        EXPECT_EQ(seen.buttons, (std::vector<std::pair<int, std::string>>{{1, "确认"}}));
    }
}

TEST(Win32Dialog, EachButtonAnswersItsResult) {
    const int results[kMessageButtonCount] = {6, 7, 1, 3, 11, 5, 2, 4};
    for (int bit = 0; bit < kMessageButtonCount; ++bit) {
        Driver driver(kForm, [&](DWORD) {
            HWND dialog = WaitForWindow(kForm);
            ASSERT_TRUE(dialog);
            PostMessageW(ButtonWithId(dialog, results[bit]), BM_CLICK, 0, 0);
        });
        EXPECT_EQ(ShowMessageDialog("选择", "", 0xFF, mkConfirmation), results[bit]) << bit;
    }
}

TEST(Win32Dialog, ClosingTheFrameAnswersCancel) {
    Driver driver(kForm, [&](DWORD) { PostMessageW(WaitForWindow(kForm), WM_CLOSE, 0, 0); });
    EXPECT_EQ(ShowMessageDialog("关闭", "", mbYes | mbNo, mkWarning), 2);
}

TEST(Win32Dialog, EscWithoutACancelButtonLeavesTheDialogOpen) {
    SetClipboardText(kUntouched);
    bool openAfterEsc = false;
    Driver driver(kForm, [&](DWORD) {
        HWND dialog = WaitForWindow(kForm);
        const DWORD before = GetClipboardSequenceNumber();
        Press({VK_ESCAPE});
        // Keys are handled in order: once the copy is there, Esc was seen.
        Press({VK_CONTROL, 'C'});
        WaitUntil([&] { return GetClipboardSequenceNumber() != before; });
        openAfterEsc = IsWindowVisible(dialog) != FALSE;
        PostMessageW(ButtonWithId(dialog, 3), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(ShowMessageDialog("按键", "", mbAbort | mbIgnore, mkConfirmation), 3);
    driver.Join();
    EXPECT_TRUE(openAfterEsc);
}

TEST(Win32Dialog, CtrlCPutsTheCopyTextOnTheClipboard) {
    SetClipboardText(kUntouched);
    std::wstring copied;
    bool openAfterCopy = false;
    Driver driver(kForm, [&](DWORD) {
        HWND dialog = WaitForWindow(kForm);
        const DWORD before = GetClipboardSequenceNumber();
        Press({VK_CONTROL, 'C'});
        // Watched without opening the clipboard, which would make it busy.
        WaitUntil([&] { return GetClipboardSequenceNumber() != before; });
        copied = ClipboardText();
        openAfterCopy = IsWindowVisible(dialog) != FALSE;
        Press({VK_RETURN});
    });
    EXPECT_EQ(ShowInfo("请放置IC卡"), 1);
    driver.Join();
    EXPECT_TRUE(openAfterCopy);
    EXPECT_EQ(copied, Utf8ToWide(kShowInfoCopy));
}

TEST(Win32Dialog, OtherCombinationsCopyNothing) {
    const std::vector<std::initializer_list<WORD>> combinations = {
        {VK_CONTROL, VK_SHIFT, 'C'}, {VK_CONTROL, VK_MENU, 'C'}, {'C'}, {VK_SHIFT, 'C'}};
    for (const auto& combination : combinations) {
        SetClipboardText(kUntouched);
        std::wstring after;
        bool tabbed = false;
        Driver driver(kForm, [&](DWORD ui) {
            HWND dialog = WaitForWindow(kForm);
            HWND cancel = ButtonWithId(dialog, 2);
            Press(combination);
            // Keys are handled in order: once Tab has moved the focus, the
            // combination before it was seen.
            Press({VK_TAB});
            tabbed = WaitUntil([&] { return FocusOf(ui) == cancel; });
            after = ClipboardText();
            PostMessageW(cancel, BM_CLICK, 0, 0);
        });
        EXPECT_EQ(ShowMessageDialog("请放置IC卡", "", mbOK | mbCancel, mkInformation), 2);
        driver.Join();
        EXPECT_TRUE(tabbed);
        EXPECT_EQ(after, kUntouched) << combination.size();
    }
}

// Another program holds the clipboard: Ctrl+C must say so and leave the
// dialog open, not beep as if the text had been copied.
TEST(Win32Dialog, AHeldClipboardIsReportedAndTheDialogStays) {
    SetClipboardText(kUntouched);
    Seen report;
    bool firstStillOpen = false;
    Driver driver(kForm, [&](DWORD) {
        HWND dialog = WaitForWindow(kForm);
        ASSERT_TRUE(OpenClipboard(nullptr));
        Press({VK_CONTROL, 'C'});
        HWND error = WaitForWindow(kForm, dialog);
        CloseClipboard();
        ASSERT_TRUE(error);
        report = Look(error);
        Press({VK_RETURN});
        WaitUntil([&] { return !IsWindowVisible(error); });
        firstStillOpen = IsWindowVisible(dialog) != FALSE;
        PostMessageW(ButtonWithId(dialog, 1), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(ShowInfo("请放置IC卡"), 1);
    driver.Join();
    EXPECT_EQ(report.title, "错误");
    EXPECT_EQ(report.message, "Cannot open clipboard");
    EXPECT_TRUE(firstStillOpen);
    EXPECT_EQ(ClipboardText(), kUntouched);
}

TEST(Win32Dialog, ShowInfoFromAnotherThreadOpensOnTheWindowThreadAndWaits) {
    auto windows = std::make_unique<MessageDialogThread>();
    std::atomic<bool> returned{false};
    std::atomic<int> result{-1};
    DWORD dialogThread = 0;
    bool waitedWhileShown = false;
    Driver driver(kForm, [&](DWORD) {
        HWND dialog = WaitForWindow(kForm);
        ASSERT_TRUE(dialog);
        dialogThread = GetWindowThreadProcessId(dialog, nullptr);
        waitedWhileShown = !returned;
        Press({VK_RETURN});
    });
    std::thread watcher([&] {
        result = ShowInfo("后台任务完成");
        returned = true;
    });
    // This thread serves its messages as the program's loop would.
    while (!returned) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    watcher.join();
    driver.Join();
    EXPECT_EQ(dialogThread, GetCurrentThreadId());
    EXPECT_TRUE(waitedWhileShown);
    EXPECT_EQ(result.load(), 1);
}

TEST(Win32Dialog, APendingDialogLetsItsThreadGoWhenTheWindowsEnd) {
    auto windows = std::make_unique<MessageDialogThread>();
    std::atomic<int> result{-1};
    std::thread watcher([&] { result = ShowInfo("窗口关闭时仍在等待"); });
    while (VisibleWindows(kForm).empty()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    windows.reset();
    watcher.join();
    EXPECT_EQ(result.load(), int(mrNone));
    EXPECT_TRUE(VisibleWindows(kForm).empty());
}

TEST(Win32Dialog, BuiltDialogShowsAllItsTextCentredWithOneButtonRow) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += "读卡器未响应，请检查串口连接。";
    const std::unique_ptr<TMessageForm> form(BuildMessageDialog(text, mkWarning, mbAbort | mbRetry | mbIgnore));
    HWND dialog = form->Handle();

    // The message font of the system, as the non-client metrics give it.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    LOGFONTW used{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form->Message(), WM_GETFONT, 0, 0)), sizeof(used), &used);
    EXPECT_STREQ(used.lfFaceName, metrics.lfMessageFont.lfFaceName);

    // All the text fits its label.
    RECT label{};
    GetClientRect(form->Message(), &label);
    HDC dc = GetDC(form->Message());
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(form->Message(), WM_GETFONT, 0, 0)));
    RECT needed{0, 0, label.right, 0};
    const std::wstring wide = Utf8ToWide(text);
    DrawTextW(dc, wide.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    RECT oneLine{0, 0, 0, 0};
    DrawTextW(dc, wide.c_str(), -1, &oneLine, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(form->Message(), dc);
    EXPECT_LE(needed.bottom, label.bottom);
    EXPECT_LE(needed.right, label.right);
    EXPECT_GT(oneLine.right, GetSystemMetrics(SM_CXSCREEN) / 2);  // the text needs wrapping at all
    EXPECT_GE(label.bottom, 3 * oneLine.bottom);
    EXPECT_LE(label.right, GetSystemMetrics(SM_CXSCREEN) / 2);

    // One row of buttons below the text, in bit order, centred in the dialog.
    RECT client{};
    GetClientRect(dialog, &client);
    std::vector<RECT> row;
    for (int id : {3, 5, 4}) {  // Abort, Ingore, Retry
        RECT box{};
        GetWindowRect(ButtonWithId(dialog, id), &box);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
        row.push_back(box);
    }
    RECT labelInDialog{};
    GetWindowRect(form->Message(), &labelInDialog);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&labelInDialog), 2);
    for (std::size_t i = 0; i < row.size(); ++i) {
        EXPECT_EQ(row[i].top, row[0].top);
        EXPECT_GE(row[i].top, labelInDialog.bottom);
        EXPECT_LE(row[i].bottom, client.bottom);
        if (i > 0) {
            EXPECT_GE(row[i].left, row[i - 1].right);
        }
    }
    const LONG gap = (client.right - row.back().right) - row.front().left;
    EXPECT_TRUE(gap == 0 || gap == 1) << gap;

    // The whole window sits in the middle of the screen.
    RECT window{};
    GetWindowRect(dialog, &window);
    const LONG dx = GetSystemMetrics(SM_CXSCREEN) - window.right - window.left;
    const LONG dy = GetSystemMetrics(SM_CYSCREEN) - window.bottom - window.top;
    // Each half is rounded down, so an odd size leaves one pixel to one side.
    EXPECT_LE(std::abs(dx), 1) << dx;
    EXPECT_LE(std::abs(dy), 1) << dy;
}

// The dialog units are computed as the system's MulDiv would.
TEST(Win32Dialog, UnitsRoundAsTheSystemMulDiv) {
    for (int number = -30; number <= 60; ++number)
        for (int numerator = -9; numerator <= 20; ++numerator)
            for (int denominator : {0, 1, 2, 3, 4, 8, -3})
                ASSERT_EQ(dialog_units::MulDiv(number, numerator, denominator), MulDiv(number, numerator, denominator))
                    << number << " " << numerator << " " << denominator;
    EXPECT_EQ(dialog_units::MulDiv(0x7fffffff, 2, 1), MulDiv(0x7fffffff, 2, 1));
}

// Pictures for a visual check, where the harness asks for them.
TEST(Win32Dialog, Pictures) {
    const char* folder = std::getenv("CARDFMT_PICTURE_DIR");
    if (!folder) GTEST_SKIP() << "CARDFMT_PICTURE_DIR not set";
    struct Shot {
        const char* file;
        const char* text;
        MessageKind kind;
        MessageButtons buttons;
    };
    std::string longText;
    for (int i = 0; i < 12; ++i) longText += "读卡器未响应，请检查串口连接。";
    const Shot shots[] = {
        {"win32_msgbox_info.bmp", "该卡已初始化。", mkInformation, mbOK},
        {"win32_msgbox_warning.bmp", longText.c_str(), mkWarning, mbAbort | mbRetry | mbIgnore},
        {"win32_msgbox_question.bmp", "卡号:\t00012345\n余额:\t12.50 元\n\n覆盖这张卡的数据吗？", mkConfirmation,
         mbYes | mbNo | mbCancel},
    };
    for (const Shot& shot : shots) {
        bool saved = false;
        const std::wstring path = Utf8ToWide(std::string(folder) + "\\" + shot.file);
        Driver driver(kForm, [&](DWORD) {
            HWND dialog = WaitForWindow(kForm);
            Sleep(300);  // let the window system finish drawing before the picture
            saved = SaveWindowBitmap(dialog, path);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        });
        ShowMessageDialog(shot.text, "", shot.buttons, shot.kind);
        driver.Join();
        EXPECT_TRUE(saved) << shot.file;
    }
}
