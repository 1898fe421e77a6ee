#include "ui/win32/UiThread.h"

#include <atomic>
#include <deque>
#include <mutex>

namespace win32ui {
namespace {

// Tells the dispatcher window that work is queued. Work travels in a queue of
// our own rather than in the message: a message posted to a window that is
// being destroyed can be lost, and with it whoever waits for the work.
constexpr UINT kWorkQueued = WM_APP + 1;
constexpr wchar_t kDispatcherClass[] = L"cardfmt.UiThread";

std::atomic<DWORD> g_uiThreadId{0};
HWND g_dispatcher = nullptr;  // UI thread only

std::mutex g_queueMutex;
std::deque<std::function<void()>> g_queue;  // guarded by g_queueMutex
bool g_accepting = false;                   // guarded by g_queueMutex
HWND g_wakeTarget = nullptr;                // guarded by g_queueMutex

void RunOneQueuedWork() {
    std::function<void()> work;
    {
        std::lock_guard lock(g_queueMutex);
        if (g_queue.empty()) return;
        work = std::move(g_queue.front());
        g_queue.pop_front();
    }
    if (work) work();
}

LRESULT CALLBACK DispatcherProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWorkQueued) {
        RunOneQueuedWork();
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

void InitUiThread() {
    g_uiThreadId = ::GetCurrentThreadId();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DispatcherProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kDispatcherClass;
    ::RegisterClassExW(&wc);
    // A message-only window: it is woken for queued work and never shown.
    g_dispatcher = ::CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                     nullptr);
    std::lock_guard lock(g_queueMutex);
    g_wakeTarget = g_dispatcher;
    g_accepting = g_dispatcher != nullptr;
}

bool IsUiThread() { return ::GetCurrentThreadId() == g_uiThreadId.load(); }

void DispatchOne(const MSG& msg) {
    // Keyboard navigation belongs to the top-level window the message is for.
    HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && (::GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
        ::IsDialogMessageW(root, const_cast<MSG*>(&msg)))
        return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

int RunMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        DispatchOne(msg);
    }
    return static_cast<int>(msg.wParam);
}

void ProcessMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchOne(msg);
    }
}

bool PostToUiThread(std::function<void()> work) {
    std::unique_lock lock(g_queueMutex);
    if (!g_accepting) {
        lock.unlock();
        return false;  // `work` is destroyed here, outside the lock
    }
    g_queue.push_back(std::move(work));
    // A wake-up per item: a piece of work that runs a nested message loop must
    // not keep the items behind it waiting until it returns.
    ::PostMessageW(g_wakeTarget, kWorkQueued, 0, 0);
    return true;
}

void ShutdownUiThread() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(g_queueMutex);
        g_accepting = false;
        g_wakeTarget = nullptr;
        dropped.swap(g_queue);
    }
    dropped.clear();
    if (g_dispatcher) ::DestroyWindow(g_dispatcher);
    g_dispatcher = nullptr;
}

}  // namespace win32ui
