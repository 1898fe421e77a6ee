// cardfmt_bench_ui_probe: asks the running main window of cardfmt-gui.exe every
// 100 ms whether it answers (SendMessageTimeout with WM_NULL, which the window's
// thread handles only when it serves its messages) and keeps the longest wait per
// state. Driven on standard input, one answer line per command:
//
//   state NAME...     the waits from now on count for NAME
//   click BUTTON      posts a click: open, stopopening, stopcomm or startinit
//   close             posts WM_CLOSE to the window, as its close box does
//   label             the status label's text (UTF-8)
//   startinit         the caption of 开始初始化/停止初始化
//   quit              prints "STATE<TAB>longest ms<TAB>probes<TAB>NAME" per state, then "end"
//
// The window is found by its caption. A console program using user32 only.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const kCaption = "发卡格式机(5,6号包)";
constexpr DWORD kAskEveryMs = 100;
constexpr UINT kGiveUpMs = 30000;

std::wstring Wide(const std::string& utf8) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Utf8(const std::wstring& wide) {
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

double NowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HWND MainWindow() { return ::FindWindowW(nullptr, Wide(kCaption).c_str()); }

// Another process's window text, asked with a time limit: a window that does not
// answer must not hold the driver.
std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, kGiveUpMs,
                               &copied))
        return L"?";
    return text;
}

struct Search {
    std::wstring className;
    std::vector<std::wstring> texts;  // any of them; none: the first of the class
    HWND found = nullptr;
};

// A control of the window by its class and caption (also inside the group box).
HWND FindControl(const wchar_t* className, std::vector<std::string> captions) {
    HWND window = MainWindow();
    if (!window) return nullptr;
    Search search{className, {}, nullptr};
    for (const std::string& caption : captions) search.texts.push_back(Wide(caption));
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM param) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t name[64] = {};
            ::GetClassNameW(child, name, 64);
            if (::lstrcmpiW(name, s->className.c_str()) != 0) return TRUE;
            const std::wstring text = TextOf(child);
            if (s->texts.empty() || std::find(s->texts.begin(), s->texts.end(), text) != s->texts.end()) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::string> CaptionsOf(const std::string& button) {
    if (button == "open") return {"打开串口"};
    if (button == "stopopening") return {"停止打开com口"};
    if (button == "stopcomm") return {"关闭串口"};
    if (button == "startinit") return {"开始初始化", "停止初始化"};
    return {};
}

struct State {
    std::string name;
    double longestMs = 0;
    int probes = 0;
};

std::mutex g_mutex;
std::vector<State> g_states;
std::atomic<bool> g_quit{false};

void Ask() {
    while (!g_quit.load()) {
        HWND window = MainWindow();
        if (window) {
            const double start = NowMs();
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kGiveUpMs, &answer);
            const double waited = NowMs() - start;
            std::lock_guard lock(g_mutex);
            if (!g_states.empty()) {
                g_states.back().longestMs = std::max(g_states.back().longestMs, waited);
                ++g_states.back().probes;
            }
        }
        ::Sleep(kAskEveryMs);
    }
}

void Answer(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main() {
    std::thread asker(Ask);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string word = line.substr(0, line.find(' '));
        const std::string rest = line.size() > word.size() ? line.substr(word.size() + 1) : "";
        if (word == "state") {
            std::lock_guard lock(g_mutex);
            g_states.push_back({rest});
            Answer("ok");
        } else if (word == "click") {
            HWND button = FindControl(L"Button", CaptionsOf(rest));
            if (button) ::PostMessageW(button, BM_CLICK, 0, 0);
            Answer(button ? "ok" : "no such button");
        } else if (word == "close") {
            HWND window = MainWindow();
            if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
            Answer(window ? "ok" : "gone");
        } else if (word == "label") {
            HWND label = FindControl(L"Static", {});
            Answer(label ? Utf8(TextOf(label)) : "gone");
        } else if (word == "startinit") {
            HWND button = FindControl(L"Button", CaptionsOf("startinit"));
            Answer(button ? Utf8(TextOf(button)) : "gone");
        } else if (word == "quit") {
            break;
        } else {
            Answer("unknown command");
        }
    }
    g_quit.store(true);
    asker.join();
    std::lock_guard lock(g_mutex);
    for (const State& state : g_states) {
        char row[512];
        std::snprintf(row, sizeof row, "STATE\t%.0f\t%d\t%s", state.longestMs, state.probes, state.name.c_str());
        Answer(row);
    }
    Answer("end");
    return 0;
}
