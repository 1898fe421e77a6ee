// The table of the main window's states (ui/WindowState.h): each state, each click
// and event in it, and where the window goes, with its buttons and status line.
// The reader is an in-memory port; the watcher thread is real, and can be held in
// the middle of a poll, as a silent reader holds it, so the stop must wait.
#include "FakeFace.h"

#include "harness/MemoryPort.h"
#include "reader_link/FrameLayout.h"
#include "ui/MainFrm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <set>
#include <thread>

using namespace harness;
using namespace std::chrono_literals;
using S = WindowState;
using C = FormControl;

namespace {

// The reader behind whichever of com1..com15 are present; everything else is missing.
// Its writes can be held (the watcher then stands in the middle of a poll).
class Reader {
public:
    ~Reader() { Release(); }

    TCommClass::PortOpener Opener() {
        return [this](const std::string& name) {
            platform::OpenResult result;
            if (!present.count(name)) {
                result.error = "no such port";
                result.failure = platform::OpenFailure::NoDevice;
                return result;
            }
            line = std::make_shared<MemoryPort::Shared>();
            // Answers the probe as a reader; a card request finds no card.
            line->responder = [](const std::vector<std::uint8_t>&, std::deque<std::uint8_t>& incoming) {
                const ByteString answer = frame::BuildReply({0x01, 0x00, 0x00});
                incoming.insert(incoming.end(), answer.begin(), answer.end());
            };
            line->afterWrite = [this](std::size_t) {
                std::unique_lock lock(mutex_);
                held_ = gateClosed_;
                changed_.notify_all();
                changed_.wait(lock, [this] { return !gateClosed_; });
                held_ = false;
            };
            result.port = std::make_unique<MemoryPort>(line);
            result.device = name;
            return result;
        };
    }
    // Holds the next write, and returns once the watcher is held in it.
    bool Hold() {
        std::unique_lock lock(mutex_);
        gateClosed_ = true;
        return changed_.wait_for(lock, 5s, [this] { return held_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        gateClosed_ = false;
        changed_.notify_all();
    }
    // The adapter is pulled: the open port's writes fail, the name leads nowhere.
    void Unplug() {
        present.clear();
        std::lock_guard lock(line->mutex);
        line->failWrites = true;
    }

    std::set<std::string> present{"com3"};
    std::shared_ptr<MemoryPort::Shared> line;
    TWatchSession::Clock::time_point now{};

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool gateClosed_ = false;
    bool held_ = false;
};

class Window : public TMainForm {
public:
    Window(TFormFace& face, Reader& reader) : TMainForm(face), reader_(reader) {}

protected:
    std::unique_ptr<TCommClass> MakeCommLink() override { return std::make_unique<TCommClass>(reader_.Opener()); }
    TWatchSession::Options SessionOptions() override {
        return {.rescanAfterMs = 10000, .now = [this] { return reader_.now; }};
    }

private:
    Reader& reader_;
};

enum class Ev {
    O, S, C, I,      // a click of the operator on 打开串口, 停止打开com口, 关闭串口, 开始/停止初始化
    Close,           // the window's close
    Tick,            // the session's timer
    PortBack,        // the port comes back under its name; a tick
    AwayTenSeconds,  // 10 s without the port; two ticks
    BackAsCom5,      // back as com5, 10 s later; ticks until the window stops waiting
    IAndIAgain,      // 开始/停止初始化 twice
};

// The operator and the window system around one window.
class Desk {
public:
    Desk() {
        // As the face makes the controls.
        face.SetEnabled(C::btnOpenComm, true);
        face.SetEnabled(C::btnStopOpening, true);
        face.SetText(C::btnStartInit, "开始初始化");
        window.FormCreate();
        window.FormShow();
    }
    ~Desk() {
        reader.Release();
        window.FormDestroy();
    }

    // Brings the window into `state` and runs `during` in it: for a state that waits
    // (the scan, the stop of the watcher), inside the wait, which then ends.
    void In(S state, const std::function<void()>& during) {
        switch (state) {
            case S::Idle: during(); return;
            case S::Scanning:
                OnceWhileWaiting(during);
                window.Click(C::btnOpenComm);
                return;
            case S::Connected:
                window.Click(C::btnOpenComm);
                during();
                return;
            case S::Running:
                Running();
                during();
                return;
            case S::Stopping:
            case S::StoppingForLostPort:
            case S::StoppingToClosePort:
                Running();
                ASSERT_TRUE(reader.Hold());
                OnceWhileWaiting(during);
                if (state == S::Stopping) window.Click(C::btnStartInit);
                if (state == S::StoppingForLostPort) window.MessageReceived(WM_PORTLOST);
                if (state == S::StoppingToClosePort) window.Click(C::btnStopComm);
                return;
            case S::WaitingForPort:
                Running();
                reader.Unplug();
                ASSERT_TRUE(PortLostPosted());
                window.MessageReceived(WM_PORTLOST);
                ASSERT_EQ(window.State(), S::WaitingForPort);
                during();
                return;
            default: FAIL() << "no way into this state";
        }
    }

    // Fires the event as the operator or the window system would; false for a click
    // on a disabled button, which cannot be made.
    bool Fire(Ev event) {
        const auto click = [this](C button) {
            if (!face.IsEnabled(button)) return false;
            window.Click(button);
            return true;
        };
        const auto tick = [this] { window.TimerFired(TMainForm::kReopenTimer); };
        switch (event) {
            case Ev::O: return click(C::btnOpenComm);
            case Ev::S: return click(C::btnStopOpening);
            case Ev::C: return click(C::btnStopComm);
            case Ev::I: return click(C::btnStartInit);
            case Ev::IAndIAgain: return click(C::btnStartInit) && click(C::btnStartInit);
            case Ev::Close: closed = window.FormClose(); break;
            case Ev::Tick: tick(); break;
            case Ev::PortBack:
                reader.present = {"com3"};
                tick();
                break;
            case Ev::AwayTenSeconds:
                reader.now += 10s;
                tick();
                tick();
                break;
            case Ev::BackAsCom5:
                reader.present = {"com5"};
                reader.now += 10s;
                for (int i = 0; i < 100 && window.State() == S::WaitingForPort; ++i) tick();
                break;
        }
        return true;
    }

    // The buttons as "OSCI", 1 enabled.
    std::string Buttons() const {
        std::string marks;
        for (C b : {C::btnOpenComm, C::btnStopOpening, C::btnStopComm, C::btnStartInit})
            marks += face.IsEnabled(b) ? '1' : '0';
        return marks;
    }
    std::string LastStatus() const { return face.Status.empty() ? "" : face.Status.back(); }

    FakeFace face;
    Reader reader;
    Window window{face, reader};
    bool closed = false;

private:
    void Running() {
        window.Click(C::btnOpenComm);
        window.Click(C::btnStartInit);
        ASSERT_EQ(window.State(), S::Running);
    }
    void OnceWhileWaiting(const std::function<void()>& during) {
        face.OnProcessEvents = [this, during, once = true](long) mutable {
            if (!once) return;
            once = false;
            during();
            reader.Release();
        };
    }
    bool PortLostPosted() {
        for (int i = 0; i < 250; ++i) {
            for (int message : face.TakePosted())
                if (message == WM_PORTLOST) return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }
};

}  // namespace

TEST(WindowState, EachClickAndEventInEachState) {
    const char* const opened = "com3已打开...";
    const char* const closedPort = "串口已关闭";
    const char* const lost = "com3已断开...";
    const struct Row {
        S from;
        Ev event;
        bool clickable;  // for a click: whether the operator can make it
        S to;
        const char* buttons;  // "OSCI" afterwards
        bool saysStop;        // 开始初始化 reads 停止初始化
        const char* status;   // the status line afterwards
        bool closes;          // the window closes (now or once the wait has ended)
        bool timer;           // the session's timer runs
    } rows[] = {
        {S::Idle, Ev::O, true, S::Connected, "0011", false, opened, false, false},
        {S::Idle, Ev::I, false, S::Idle, "1000", false, "", false, false},
        {S::Idle, Ev::Close, true, S::Idle, "1000", false, "", true, false},
        {S::Scanning, Ev::S, true, S::Idle, "1000", false, "用户停止打开", false, false},
        {S::Scanning, Ev::C, false, S::Connected, "0011", false, opened, false, false},
        {S::Scanning, Ev::Close, true, S::Idle, "1000", false, "用户停止打开", true, false},
        {S::Connected, Ev::I, true, S::Running, "0011", true, opened, false, false},
        {S::Connected, Ev::C, true, S::Idle, "1000", false, closedPort, false, false},
        {S::Connected, Ev::Close, true, S::Idle, "1000", false, closedPort, true, false},
        {S::Running, Ev::I, true, S::Connected, "0011", false, opened, false, false},
        {S::Running, Ev::C, true, S::Idle, "1000", false, closedPort, false, false},
        {S::Running, Ev::Close, true, S::Idle, "1000", false, closedPort, true, false},
        // A start clicked while the stop still finishes cannot be lost: the button is
        // disabled until the stop has ended, and enabled again then.
        {S::Stopping, Ev::I, false, S::Connected, "0011", false, opened, false, false},
        {S::Stopping, Ev::C, true, S::Idle, "1000", false, closedPort, false, false},
        {S::Stopping, Ev::Close, true, S::Idle, "1000", false, closedPort, true, false},
        {S::StoppingForLostPort, Ev::I, false, S::Running, "0011", true, opened, false, false},
        {S::StoppingForLostPort, Ev::C, true, S::Idle, "1000", false, closedPort, false, false},
        {S::StoppingToClosePort, Ev::C, false, S::Idle, "1000", false, closedPort, false, false},
        {S::StoppingToClosePort, Ev::Close, true, S::Idle, "1000", false, closedPort, true, false},
        {S::WaitingForPort, Ev::Tick, true, S::WaitingForPort, "0011", true, lost, false, true},
        {S::WaitingForPort, Ev::PortBack, true, S::Running, "0011", true, opened, false, false},
        // 10 s without the port: the scan's texts, from com1.
        {S::WaitingForPort, Ev::AwayTenSeconds, true, S::WaitingForPort, "0011", true, "正在打开com1...", false, true},
        {S::WaitingForPort, Ev::BackAsCom5, true, S::Running, "0011", true, "com5已打开...", false, false},
        {S::WaitingForPort, Ev::I, true, S::Connected, "0011", false, lost, false, false},
        {S::WaitingForPort, Ev::IAndIAgain, true, S::WaitingForPort, "0011", true, lost, false, true},
        {S::WaitingForPort, Ev::C, true, S::Idle, "1000", false, closedPort, false, false},
        {S::WaitingForPort, Ev::Close, true, S::Idle, "1000", false, closedPort, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("state " + std::to_string(static_cast<int>(row.from)) + " event " +
                     std::to_string(static_cast<int>(row.event)));
        Desk desk;
        bool clickable = false;
        desk.In(row.from, [&] {
            ASSERT_EQ(desk.window.State(), row.from);
            clickable = desk.Fire(row.event);
        });
        EXPECT_EQ(clickable, row.clickable);
        EXPECT_EQ(desk.window.State(), row.to);
        EXPECT_EQ(desk.Buttons(), row.buttons);
        EXPECT_EQ(desk.face.StartInitCaption, row.saysStop ? "停止初始化" : "开始初始化");
        EXPECT_EQ(desk.LastStatus(), row.status);
        EXPECT_EQ(desk.closed || desk.face.CloseRequests > 0, row.closes);
        EXPECT_EQ(desk.face.Timers.count(TMainForm::kReopenTimer) == 1, row.timer);
    }
}
