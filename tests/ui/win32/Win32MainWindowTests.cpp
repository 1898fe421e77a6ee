// The Win32 face of the main window under wine, driven through its real controls
// by window messages, against the simulated reader behind com3 of the prefix
// (com1 and com2 lead nowhere; the prefix's dosdevices is the simulator's port
// table, so it can move its entry to another number). What the windows decide is
// tested natively with the window logic; these tests check what the face alone
// does: that clicks reach the handlers, that states and texts show in the
// controls, that posted messages, dialogs, keys, the clipboard and closing work
// on Win32.
#include "platform/win32/Win32Text.h"
#include "tests/ui/win32/SimLine.h"
#include "tests/ui/win32/Win32Desk.h"
#include "tests/ui/win32/Win32TestSupport.h"
#include "ui/FormLayout.h"
#include "ui/MainFrm.h"
#include "ui/win32/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <regex>
#include <thread>

using namespace harness;

namespace {

using C = FormControl;

constexpr const char* kNotANewCard = "扇区密码校验失败，该卡不是新卡。";

// Saves a picture of `window` as NAME.bmp in CARDFMT_PICTURE_DIR, when it is set.
void Picture(HWND window, const char* name) {
    const char* folder = std::getenv("CARDFMT_PICTURE_DIR");
    if (!folder || !*folder || !window) return;
    // Painted as the operator would see it, before the bitmap is taken.
    ::UpdateWindow(window);
    Win32Desk::PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(
        harness::SaveWindowBitmap(window, platform::win32::Utf8ToWide(std::string(folder) + "\\" + name + ".bmp")));
}

// Another program's window in front of the desk, as the water-control software
// is while the operator works in it: a window of a thread of its own, so the
// main window's thread then has no active window at all, which a dialog must
// not take for its owner.
class ProgramInFront {
public:
    ProgramInFront() : thread_([this] { Run(); }) {
        Win32Desk::PumpUntil([this] { return window_.load() != nullptr; });
    }
    ~ProgramInFront() {
        ::PostMessageW(window_.load(), kLeave, 0, 0);
        // Its going sends activation to this thread's windows: keep serving them.
        Win32Desk::PumpUntil([this] { return ended_.load(); });
        thread_.join();
    }
    ProgramInFront(const ProgramInFront&) = delete;
    ProgramInFront& operator=(const ProgramInFront&) = delete;

    // Takes the foreground, as a click into the other program does. Meanwhile
    // this thread answers what the activation sends its windows but runs none
    // of its queued messages, so what was queued runs with the program in front.
    bool ComeToFront() const {
        ::PostMessageW(window_.load(), kComeToFront, 0, 0);
        const ULONGLONG end = ::GetTickCount64() + 5000;
        while (::GetForegroundWindow() != window_.load() && ::GetTickCount64() < end) {
            MSG sent;
            ::PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            ::Sleep(5);
        }
        return ::GetForegroundWindow() == window_.load();
    }
    HWND Window() const { return window_.load(); }

private:
    static constexpr UINT kComeToFront = WM_APP + 21;
    static constexpr UINT kLeave = WM_APP + 22;

    void Run() {
        HWND window = ::CreateWindowExW(0, L"STATIC", L"水控软件", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 600, 400,
                                        nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        window_ = window;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == window && msg.message == kComeToFront) {
                ::SetForegroundWindow(window);
                continue;
            }
            if (msg.hwnd == window && msg.message == kLeave) {
                ::DestroyWindow(window);
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ended_ = true;
    }

    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

// Whether `upper` is above `lower` in the z-order of the top-level windows.
bool Above(HWND upper, HWND lower) {
    for (HWND below = ::GetWindow(upper, GW_HWNDNEXT); below; below = ::GetWindow(below, GW_HWNDNEXT))
        if (below == lower) return true;
    return false;
}

// What the operator must be able to see of a dialog over the main window.
struct DialogPlace {
    bool ownedByMain = false, visible = false, aboveMain = false;
};
DialogPlace PlaceOf(HWND dialog, HWND main) {
    return {::GetWindow(dialog, GW_OWNER) == main, ::IsWindowVisible(dialog) != FALSE, Above(dialog, main)};
}

class Win32MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        sim = SimLine::FromEnvironment();
        if (!sim) GTEST_SKIP() << "no simulated reader (CARDFMT_SIM_COMMANDS, CARDFMT_SIM_ANSWERS)";
        sim->Command("remove");
    }

    // Opens the window and lets the scan find the reader.
    void Connect() {
        desk.OpenMainWindow();
        ASSERT_NE(desk.Window(), nullptr);
        desk.Click(C::btnOpenComm);
        ASSERT_EQ(desk.Text(C::lblComStatTips), "com3已打开...");
    }

    HWND WaitForOneDialog() {
        EXPECT_TRUE(Win32Desk::PumpUntil([this] { return !desk.Dialogs().empty(); }));
        // A second dialog would come right after the first.
        Win32Desk::PumpUntil([] { return false; }, 500);
        const std::vector<HWND> dialogs = desk.Dialogs();
        EXPECT_EQ(dialogs.size(), 1u);
        return dialogs.empty() ? nullptr : dialogs.front();
    }

    std::optional<SimLine> sim;
    Win32Desk desk;
};

TEST_F(Win32MainWindow, ThePanelGoesThroughItsStatesByClicksAndTheScanFindsTheReaderBehindDeadPorts) {
    desk.OpenMainWindow();
    ASSERT_NE(desk.Window(), nullptr);
    EXPECT_EQ(desk.Text(C::Form), "发卡格式机(5,6号包)");
    EXPECT_EQ(desk.Text(C::lblComStatTips), "串口状态提示");
    EXPECT_TRUE(desk.Enabled(C::btnOpenComm));
    EXPECT_FALSE(desk.Enabled(C::btnStopOpening));
    EXPECT_FALSE(desk.Enabled(C::btnStopComm));
    EXPECT_FALSE(desk.Enabled(C::btnStartInit));
    EXPECT_FALSE(::IsWindowVisible(desk.Control(C::btnInitCard)));

    // What the operator sees while the scan runs: taken when the scan lets the
    // window handle its messages after the first port without a reader.
    struct Seen {
        bool taken = false, open = true, stopOpening = false, stopComm = true;
        std::string label;
    } seen;
    Win32Desk::PostWork([&] {
        if (seen.taken) return;
        seen = {true, desk.Enabled(C::btnOpenComm), desk.Enabled(C::btnStopOpening), desk.Enabled(C::btnStopComm),
                desk.Text(C::lblComStatTips)};
    });
    desk.Click(C::btnOpenComm);
    ASSERT_TRUE(seen.taken);
    EXPECT_FALSE(seen.open);
    EXPECT_TRUE(seen.stopOpening);
    EXPECT_FALSE(seen.stopComm);
    EXPECT_TRUE(std::regex_match(seen.label, std::regex("正在打开com[12]\\.\\.\\."))) << seen.label;

    EXPECT_EQ(desk.Text(C::lblComStatTips), "com3已打开...");
    EXPECT_FALSE(desk.Enabled(C::btnOpenComm));
    EXPECT_FALSE(desk.Enabled(C::btnStopOpening));
    EXPECT_TRUE(desk.Enabled(C::btnStopComm));
    EXPECT_TRUE(desk.Enabled(C::btnStartInit));

    desk.Click(C::btnStopComm);
    EXPECT_EQ(desk.Text(C::lblComStatTips), "串口已关闭");
    EXPECT_TRUE(desk.Enabled(C::btnOpenComm));
    EXPECT_FALSE(desk.Enabled(C::btnStopComm));
    EXPECT_FALSE(desk.Enabled(C::btnStartInit));
    EXPECT_FALSE(win32ui::ScreenCursorBusy());
    EXPECT_TRUE(desk.Dialogs().empty());
}

// The keyboard follows the window: on the first button in tab order when it is
// shown, handed on when the focused button is disabled, back when the window is
// activated again.
TEST_F(Win32MainWindow, TheFocusStartsOnTheFirstButtonIsHandedOnAndComesBackWithTheWindow) {
    desk.OpenMainWindow();
    ASSERT_NE(desk.Window(), nullptr);
    EXPECT_EQ(::GetFocus(), desk.Control(C::btnOpenComm));
    desk.Click(C::btnOpenComm);
    ASSERT_EQ(desk.Text(C::lblComStatTips), "com3已打开...");
    // Each button disabled under the focus handed it to the next one enabled.
    EXPECT_EQ(::GetFocus(), desk.Control(C::btnStopComm));
    // Not the first in tab order: the window must remember it.
    ::SetFocus(desk.Control(C::btnStartInit));
    {
        ProgramInFront program;
        ASSERT_TRUE(program.ComeToFront());
    }
    ::SetForegroundWindow(desk.Window());
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return ::GetActiveWindow() == desk.Window(); }, 5000));
    EXPECT_EQ(::GetFocus(), desk.Control(C::btnStartInit));
}

TEST_F(Win32MainWindow, AClickOnStopOpeningDuringTheScanIsSeen) {
    desk.OpenMainWindow();
    desk.PostClick(C::btnStopOpening);
    desk.Click(C::btnOpenComm);
    EXPECT_EQ(desk.Text(C::lblComStatTips), "用户停止打开");
    EXPECT_TRUE(desk.Enabled(C::btnOpenComm));
    EXPECT_FALSE(desk.Enabled(C::btnStopOpening));
    EXPECT_FALSE(desk.Enabled(C::btnStartInit));
}

TEST_F(Win32MainWindow, AutomaticInitializationFormatsAFreshCardWithoutADialog) {
    Connect();
    // A card of its own: the reader may know others from earlier runs.
    ASSERT_EQ(sim->Command("place 2B3C4D5E fresh"), "ok placed 2B3C4D5E");
    desk.Click(C::btnStartInit);
    EXPECT_EQ(desk.Text(C::btnStartInit), "停止初始化");
    const std::regex formatted(".* s5 [0-9A-F]{12} FF078069 [0-9A-F]{12} s6 [0-9A-F]{12} FF078069 .*");
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return std::regex_match(sim->Command("dump 2B3C4D5E"), formatted); }));
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return sim->Command("signals").find("03@2B3C4D5E") != std::string::npos; }));
    // A dialog here would hold the watcher, and the stop below with it.
    ASSERT_TRUE(desk.Dialogs().empty());
    Picture(desk.Window(), "win32-main-running");
    desk.Click(C::btnStartInit);
    EXPECT_EQ(desk.Text(C::btnStartInit), "开始初始化");
}

TEST_F(Win32MainWindow, AForeignCardGivesOneDialogThatCopiesWithCtrlCAndClosesWithEnter) {
    Connect();
    desk.Click(C::btnStartInit);
    ASSERT_EQ(sim->Command("place 5A6B7C8D key5=A0A1A2A3A4A5"), "ok placed 5A6B7C8D");
    HWND dialog = WaitForOneDialog();
    ASSERT_NE(dialog, nullptr);
    Picture(dialog, "win32-dialog-not-new");
    EXPECT_EQ(Text(dialog), "提示");
    EXPECT_EQ(ChildrenWithText(dialog, kNotANewCard).size(), 1u);

    ::OpenClipboard(nullptr);
    ::EmptyClipboard();
    ::CloseClipboard();
    PressKey(dialog, 'C', true);
    const std::string divider = "---------------------------\r\n";
    EXPECT_EQ(platform::win32::WideToUtf8(ClipboardText()),
              divider + "提示\r\n" + divider + kNotANewCard + "\r\n" + divider + "确认   \r\n" + divider);
    EXPECT_TRUE(::IsWindow(dialog));

    PressKey(dialog, VK_RETURN);
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); }));
    // The card stays on the reader: the watcher does not ask again.
    Win32Desk::PumpUntil([] { return false; }, 500);
    EXPECT_TRUE(desk.Dialogs().empty());
    desk.Click(C::btnStartInit);
    EXPECT_EQ(desk.Text(C::btnStartInit), "开始初始化");
}

TEST_F(Win32MainWindow, StoppingWhileTheWatchersDialogIsOpenLetsTheOperatorConfirmIt) {
    Connect();
    desk.Click(C::btnStartInit);
    ASSERT_EQ(sim->Command("place 5A6B7C8D key5=A0A1A2A3A4A5"), "ok placed 5A6B7C8D");
    HWND dialog = WaitForOneDialog();
    ASSERT_NE(dialog, nullptr);
    // The operator confirms the dialog while the stop waits for the watcher.
    ::PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 1);
    desk.Click(C::btnStartInit);
    EXPECT_EQ(desk.Text(C::btnStartInit), "开始初始化");
    EXPECT_FALSE(::IsWindow(dialog) && ::IsWindowVisible(dialog));
}

TEST_F(Win32MainWindow, ClosingTheWindowDuringAScanClosesItOnceTheScanHasEnded) {
    desk.OpenMainWindow();
    ::PostMessageW(desk.Window(), WM_CLOSE, 0, 0);
    desk.Click(C::btnOpenComm);
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return desk.Window() == nullptr; }));
    EXPECT_TRUE(desk.Dialogs().empty());
}

TEST_F(Win32MainWindow, ClosingTheWindowWhileConnectedClosesThePort) {
    Connect();
    desk.Click(C::btnStartInit);
    ::SendMessageW(desk.Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(desk.Window(), nullptr);
    HANDLE port = ::CreateFileW(L"\\\\.\\COM3", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(port, INVALID_HANDLE_VALUE) << "the port is still held";
    if (port != INVALID_HANDLE_VALUE) ::CloseHandle(port);
}

// The main window's logic with a watch session that gives up on a lost port after
// a second, not ten.
class QuickRescanMainForm : public TMainForm {
public:
    using TMainForm::TMainForm;

protected:
    TWatchSession::Options SessionOptions() override {
        TWatchSession::Options options;
        options.rescanAfterMs = 1000;
        return options;
    }
};

// How many requests the simulated reader has acted on so far.
std::uint64_t ExchangesServed(const SimLine& sim) {
    const std::string answer = sim.Command("exchanges");
    return answer.rfind("exchanges ", 0) == 0 ? std::stoull(answer.substr(10)) : 0;
}

// How many signals the reader gave for the card `serial` (a formatting run gives two).
int SignalsFor(const SimLine& sim, const std::string& serial) {
    const std::string line = sim.Command("signals");
    int count = 0;
    for (std::size_t at = line.find("@" + serial); at != std::string::npos; at = line.find("@" + serial, at + 1))
        ++count;
    return count;
}

// The reader's USB adapter pulled out while automatic initialization runs, and
// plugged back in as another COM number: the simulator's entry com3 leads nowhere,
// then the reader is on com5 and com3 is gone. The window scans again, carries on
// on com5, leaves the card it formatted before and that still lies on the reader
// alone, and formats the next one.
TEST_F(Win32MainWindow, AReaderBackAsAnotherComNumberIsFoundAndTheCardOnItIsNotRunAgain) {
    ASSERT_EQ(sim->Command("link com3"), "ok linked com3");
    // However the test ends, the reader is back on com3 for the tests after it.
    struct BackOnCom3 {
        const SimLine& sim;
        ~BackOnCom3() {
            sim.Command("replug");
            sim.Command("link com3");
        }
    } backOnCom3{*sim};

    desk.OpenMainWindow(
        [](TFormFace& face) -> std::unique_ptr<TBasicForm> { return std::make_unique<QuickRescanMainForm>(face); });
    ASSERT_NE(desk.Window(), nullptr);
    desk.Click(C::btnOpenComm);
    ASSERT_EQ(desk.Text(C::lblComStatTips), "com3已打开...");
    desk.Click(C::btnStartInit);
    // The reader keeps the signals of earlier runs.
    const int signalsBefore = SignalsFor(*sim, "3C4D5E6F");
    ASSERT_EQ(sim->Command("place 3C4D5E6F fresh"), "ok placed 3C4D5E6F");
    ASSERT_TRUE(Win32Desk::PumpUntil([&] { return SignalsFor(*sim, "3C4D5E6F") == signalsBefore + 2; }));
    ASSERT_TRUE(desk.Dialogs().empty());

    ASSERT_EQ(sim->Command("unplug"), "ok unplugged");
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return desk.Text(C::lblComStatTips) == "com3已断开..."; }))
        << desk.Text(C::lblComStatTips);
    ASSERT_EQ(sim->Command("replug com5"), "ok replugged as com5");
    ASSERT_TRUE(Win32Desk::PumpUntil([&] { return desk.Text(C::lblComStatTips) == "com5已打开..."; }))
        << desk.Text(C::lblComStatTips);
    EXPECT_EQ(desk.Text(C::btnStartInit), "停止初始化");

    // The watcher polls the card still lying on the reader, two requests a poll,
    // here twenty polls. A run on the card would take about twenty requests and
    // end in a dialog (该卡已初始化。) that holds the watcher: no more requests.
    const std::uint64_t served = ExchangesServed(*sim);
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return ExchangesServed(*sim) >= served + 40 || !desk.Dialogs().empty(); }));
    ASSERT_TRUE(desk.Dialogs().empty()) << "the card on the reader was run again";
    EXPECT_EQ(SignalsFor(*sim, "3C4D5E6F"), signalsBefore + 2);

    const int nextBefore = SignalsFor(*sim, "4D5E6F70");
    ASSERT_EQ(sim->Command("place 4D5E6F70 fresh"), "ok placed 4D5E6F70");
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return SignalsFor(*sim, "4D5E6F70") == nextBefore + 2; }));
    ASSERT_TRUE(desk.Dialogs().empty());
    desk.Click(C::btnStartInit);
    EXPECT_EQ(desk.Text(C::btnStartInit), "开始初始化");
}

// The window as it first shows; no reader needed.
TEST(Win32MainWindowPicture, Pictures) {
    Win32Desk desk;
    desk.OpenMainWindow();
    ASSERT_NE(desk.Window(), nullptr);
    Picture(desk.Window(), "win32-main-idle");
}

TEST(Win32MainWindowPlacement, OutsideTheInstallationFolderTheCheckShowsItsMessageOverTheShownWindow) {
    Win32Desk desk(false);
    ProgramInFront program;
    struct Seen {
        bool taken = false, windowVisible = false, openEnabled = true;
        std::size_t dialogs = 0, messages = 0;
        DialogPlace place;
    } seen;
    // The other program comes to the front between the window's showing and its
    // check, which comes next in the queue.
    bool programInFront = false;
    Win32Desk::PostWork([&] { programInFront = program.ComeToFront(); });
    // Runs from the message loop, again and again until the dialog is there (inside
    // the dialog's wait for the operator), then confirms it.
    int looks = 0;
    std::function<void()> look = [&] {
        const std::vector<HWND> dialogs = desk.Dialogs();
        if (dialogs.empty() && ++looks < 1000) {
            ::Sleep(5);
            Win32Desk::PostWork(look);
            return;
        }
        seen = {true,
                ::IsWindowVisible(desk.Window()) != FALSE,
                desk.Enabled(C::btnOpenComm),
                dialogs.size(),
                ChildrenWithText(dialogs.front(), "请将格式化软件放置在水控软件安装目录。").size(),
                PlaceOf(dialogs.front(), desk.Window())};
        for (HWND dialog : dialogs) PressKey(dialog, VK_RETURN);
    };
    Win32Desk::PostWork(look);
    desk.OpenMainWindow();
    Win32Desk::PumpUntil([&] { return seen.taken && desk.Dialogs().empty(); });
    ASSERT_TRUE(seen.taken);
    EXPECT_TRUE(programInFront);
    EXPECT_TRUE(seen.windowVisible);
    EXPECT_FALSE(seen.openEnabled);
    EXPECT_EQ(seen.dialogs, 1u);
    EXPECT_EQ(seen.messages, 1u);
    EXPECT_TRUE(seen.place.ownedByMain);
    EXPECT_TRUE(seen.place.visible);
    EXPECT_TRUE(seen.place.aboveMain);
    EXPECT_FALSE(::IsWindowEnabled(desk.Control(C::grpCommConfig)));
    EXPECT_TRUE(desk.Dialogs().empty());
}

// The main window's logic, with its life visible from outside it.
class WatchedMainForm : public TMainForm {
public:
    explicit WatchedMainForm(TFormFace& face) : TMainForm(face) { alive = true; }
    ~WatchedMainForm() override { alive = false; }
    // The placement check shows its message inside this handler.
    void MessageReceived(int message) override {
        TMainForm::MessageReceived(message);
        if (message == WM_CHECKFOLDER) aliveAfterCheck = alive;
    }
    static inline bool alive = false;
    static inline bool aliveAfterCheck = false;
};

// Closed from the taskbar while a handler of the window waits in its dialog's loop:
// the window goes at once, its objects only once that handler has returned.
TEST(Win32MainWindowLife, ClosedUnderItsOwnDialogTheWindowOutlivesTheHandlerThatShowedIt) {
    Win32Desk desk(false);
    bool closedUnderDialog = false;
    int looks = 0;
    std::function<void()> close = [&] {
        if (desk.Dialogs().empty() && ++looks < 1000) {
            ::Sleep(5);
            Win32Desk::PostWork(close);
            return;
        }
        // What the taskbar's close comes to, also for a window disabled under its dialog.
        ::SendMessageW(desk.Window(), WM_CLOSE, 0, 0);
        closedUnderDialog = desk.Window() == nullptr;
        for (HWND dialog : desk.Dialogs()) PressKey(dialog, VK_RETURN);
    };
    Win32Desk::PostWork(close);
    desk.OpenMainWindow(
        [](TFormFace& face) -> std::unique_ptr<TBasicForm> { return std::make_unique<WatchedMainForm>(face); });
    EXPECT_TRUE(closedUnderDialog);
    EXPECT_TRUE(WatchedMainForm::aliveAfterCheck);
    EXPECT_TRUE(Win32Desk::PumpUntil([] { return !WatchedMainForm::alive; }));
}

WNDPROC g_formProc = nullptr;
int g_formsRefused = 0;

// The system gives up on the window after WM_NCCREATE, as when WM_CREATE fails.
LRESULT CALLBACK RefuseCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        ++g_formsRefused;
        return -1;
    }
    return ::CallWindowProcW(g_formProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK RefuseNewForms(int code, WPARAM wParam, LPARAM lParam) {
    // Before the window's first message: its procedure can still be put in front.
    if (code == HCBT_CREATEWND && ClassOf(reinterpret_cast<HWND>(wParam)) == L"cardfmt.Form")
        g_formProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(reinterpret_cast<HWND>(wParam), GWLP_WNDPROC,
                                                                   reinterpret_cast<LONG_PTR>(RefuseCreate)));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(Win32MainWindowLife, AWindowTheSystemRefusesAfterItsFirstMessageIsFreedOnce) {
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, RefuseNewForms, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    bool madeLogic = false;
    TWin32Form* form = TWin32Form::Create(
        MainFormLayout(),
        [&madeLogic](TFormFace& face) -> std::unique_ptr<TBasicForm> {
            madeLogic = true;
            return std::make_unique<TMainForm>(face);
        },
        false);
    ::UnhookWindowsHookEx(hook);
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(g_formsRefused, 1);
    EXPECT_FALSE(madeLogic);
}

// The card watcher's messages take the path of a foreign card's: the window's
// ShowInfo called on another thread. No reader needed.
TEST(Win32MainWindowOwner, ACardMessageWhileAnotherProgramIsInFrontIsOwnedByTheMainWindowAndAboveIt) {
    Win32Desk desk;
    desk.OpenMainWindow();
    ASSERT_NE(desk.Window(), nullptr);
    auto* face = desk.Form();
    ASSERT_NE(face, nullptr);
    ProgramInFront program;
    ASSERT_TRUE(program.ComeToFront());
    ASSERT_NE(::GetActiveWindow(), desk.Window());

    std::atomic<bool> answered{false};
    std::thread watcher([face, &answered] {
        face->ShowInfo(kNotANewCard);
        answered = true;
    });
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return !desk.Dialogs().empty(); }));
    const std::vector<HWND> dialogs = desk.Dialogs();
    if (!dialogs.empty()) {
        HWND dialog = dialogs.front();
        if (const char* folder = std::getenv("CARDFMT_PICTURE_DIR"); folder && *folder) {
            Win32Desk::PumpUntil([] { return false; }, 300);
            EXPECT_TRUE(harness::SaveWindowBitmap(
                ::GetDesktopWindow(), platform::win32::Utf8ToWide(std::string(folder) + "\\win32-dialog-owned.bmp")));
        }
        const DialogPlace place = PlaceOf(dialog, desk.Window());
        EXPECT_TRUE(place.ownedByMain);
        EXPECT_TRUE(place.visible);
        EXPECT_TRUE(place.aboveMain);
        PressKey(dialog, VK_RETURN);
    }
    EXPECT_TRUE(Win32Desk::PumpUntil([&] { return answered.load(); }));
    watcher.join();
}

}  // namespace
