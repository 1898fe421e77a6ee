// cardfmt-gui.exe itself, as the operator starts it: in a folder holding the two
// placement files, with the simulated reader on a port of the scan's range
// (CARDFMT_GUI_EXE names the program). Driven from outside by window messages:
// the window appears, 打开串口 finds the reader, 开始初始化 formats a fresh card,
// a foreign card shows its dialog, and the window closes the program; every run
// is in its journal in %LOCALAPPDATA%\cardfmt\. Started with --trace and stderr
// in a file, it writes the frames there.
// CARDFMT_GUI_CWD names the folder to start it in, as a shortcut does (one that
// holds the placement files already, and is left as it was found); without it a
// temporary installation folder is made and removed.
#include "platform/win32/Win32Text.h"
#include "tests/ui/win32/SimLine.h"
#include "tests/ui/win32/Win32Desk.h"
#include "ui/win32/Win32Form.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

using namespace harness;

namespace {

using platform::win32::Utf8ToWide;

struct ProgramWindows {
    DWORD processId;
    std::vector<HWND> windows;
};

// The visible top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD processId) {
    ProgramWindows found{processId, {}};
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
            auto* f = reinterpret_cast<ProgramWindows*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            if (owner == f->processId && ::IsWindowVisible(hwnd)) f->windows.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

// What a dialog's controls say, for a failure message.
std::string AllChildTexts(HWND dialog) {
    std::string texts;
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) CALLBACK -> BOOL {
            *reinterpret_cast<std::string*>(param) += "[" + harness::Text(child) + "]";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

bool WaitFor(const std::function<bool()>& done, long timeoutMs = 30000) {
    for (long waited = 0; !done(); waited += 20) {
        if (waited >= timeoutMs) return false;
        ::Sleep(20);
    }
    return true;
}

HWND Button(HWND window, FormControl control) {
    HWND direct = ::GetDlgItem(window, TWin32Form::ControlId(control));
    if (direct) return direct;
    return ::GetDlgItem(::GetDlgItem(window, TWin32Form::ControlId(FormControl::grpCommConfig)),
                        TWin32Form::ControlId(control));
}

// Started from a shortcut whose --dir names no folder: the operator, who has no
// console, reads why in a box; stderr, redirected here to a file, gets the line
// too; the program ends with 2 once the box is confirmed.
TEST(Win32ProgramStart, AFolderThatIsNotThereIsShownInABoxAndWrittenToRedirectedStderr) {
    const char* exe = std::getenv("CARDFMT_GUI_EXE");
    if (!exe) GTEST_SKIP() << "needs CARDFMT_GUI_EXE";
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring errPath = std::wstring(temp) + L"cardfmt-start-" + std::to_wstring(::GetCurrentProcessId());
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE errFile = ::CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(errFile, INVALID_HANDLE_VALUE);
    const std::string missing = "C:\\cardfmt-no-such-folder";
    std::wstring commandLine = L"\"" + Utf8ToWide(exe) + L"\" --dir " + Utf8ToWide(missing);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = errFile;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
    ::CloseHandle(errFile);

    const std::string line = "cardfmt-gui: --dir: no such folder: " + missing;
    HWND box = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        const std::vector<HWND> windows = WindowsOf(process.dwProcessId);
        box = windows.empty() ? nullptr : windows.front();
        return box != nullptr;
    }));
    if (box) {
        EXPECT_EQ(Text(box), "发卡格式机");
        EXPECT_EQ(ChildrenWithText(box, line).size(), 1u) << "the box says: " << AllChildTexts(box);
        EXPECT_EQ(::WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        if (const char* folder = std::getenv("CARDFMT_PICTURE_DIR"); folder && *folder) {
            ::Sleep(300);
            EXPECT_TRUE(SaveWindowBitmap(box, Utf8ToWide(std::string(folder) + "\\win32-start-error.bmp")));
        }
        const std::vector<HWND> ok = ChildrenWithText(box, "确认");
        ASSERT_EQ(ok.size(), 1u);
        ::PostMessageW(ok.front(), BM_CLICK, 0, 0);
    }
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 2u);
    if (::WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    std::ifstream written{std::filesystem::path(errPath), std::ios::binary};
    const std::string errText((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    written.close();
    ::DeleteFileW(errPath.c_str());
    EXPECT_NE(errText.find(line), std::string::npos) << errText;
}

TEST(Win32Program, StartedInTheInstallationFolderItFindsTheReaderFormatsCardsAndReportsAForeignOne) {
    const char* exe = std::getenv("CARDFMT_GUI_EXE");
    const auto sim = SimLine::FromEnvironment();
    if (!exe || !sim) GTEST_SKIP() << "needs CARDFMT_GUI_EXE and the simulated reader";
    sim->Command("remove");

    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring scratch =
        std::wstring(temp) + L"cardfmt-installation-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(scratch.c_str(), nullptr);
    const char* givenFolder = std::getenv("CARDFMT_GUI_CWD");
    const std::wstring folder = givenFolder ? Utf8ToWide(givenFolder) : scratch;
    if (givenFolder) {
        ASSERT_NE(::GetFileAttributesW((folder + L"\\Tolvane.exe").c_str()), INVALID_FILE_ATTRIBUTES);
        ASSERT_NE(::GetFileAttributesW((folder + L"\\KelmConfig.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    } else {
        std::ofstream(std::filesystem::path(folder + L"\\Tolvane.exe")) << "";
        std::ofstream(std::filesystem::path(folder + L"\\KelmConfig.ini")) << "";
    }

    // With --trace, and its stderr a file: the frames are written there (never
    // into a given folder, which belongs to the water-control software).
    const std::wstring tracePath = scratch + L"\\trace.txt";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE trace = ::CreateFileW(tracePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(trace, INVALID_HANDLE_VALUE);
    std::wstring commandLine = L"\"" + Utf8ToWide(exe) + L"\" --trace";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = trace;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                                 &startup, &process));
    ::CloseHandle(trace);
    ::WaitForInputIdle(process.hProcess, 30000);

    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        window = ::FindWindowW(L"cardfmt.Form", L"发卡格式机(5,6号包)");
        return window != nullptr && ::IsWindowVisible(window);
    }));
    // In the installation folder the placement check shows nothing.
    ::Sleep(500);
    EXPECT_EQ(WindowsOf(process.dwProcessId).size(), 1u);

    ::SendMessageW(Button(window, FormControl::btnOpenComm), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(Button(window, FormControl::btnStartInit)) != FALSE; }));
    EXPECT_EQ(Text(Button(window, FormControl::lblComStatTips)), "com1已打开...");

    ASSERT_EQ(sim->Command("place 0A0B0C0D fresh"), "ok placed 0A0B0C0D");
    ::SendMessageW(Button(window, FormControl::btnStartInit), BM_CLICK, 0, 0);
    EXPECT_EQ(Text(Button(window, FormControl::btnStartInit)), "停止初始化");
    // A fresh card has the same access bytes: formatted means its key A is no
    // longer the transport key.
    const std::regex formatted(
        ".* s5 (?!F{12})[0-9A-F]{12} FF078069 [0-9A-F]{12} s6 (?!F{12})[0-9A-F]{12} FF078069 .*");
    // The operator lifts a card when the reader signals success, which comes only
    // after the card has been verified: a card swapped in earlier would be the one
    // the verification meets.
    const auto done = [&](const std::string& serial) {
        return std::regex_match(sim->Command("dump " + serial), formatted) &&
               sim->Command("signals").find("03@" + serial) != std::string::npos;
    };
    EXPECT_TRUE(WaitFor([&] { return done("0A0B0C0D"); }));
    ASSERT_EQ(sim->Command("place 0E0F1011 fresh"), "ok placed 0E0F1011");
    EXPECT_TRUE(WaitFor([&] { return done("0E0F1011"); }));
    EXPECT_EQ(WindowsOf(process.dwProcessId).size(), 1u);

    ASSERT_EQ(sim->Command("place 5A6B7C8D key5=A0A1A2A3A4A5"), "ok placed 5A6B7C8D");
    HWND dialog = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        for (HWND w : WindowsOf(process.dwProcessId))
            if (w != window) dialog = w;
        return dialog != nullptr;
    }));
    if (dialog) {
        EXPECT_EQ(Text(dialog), "提示");
        EXPECT_TRUE(
            WaitFor([&] { return ChildrenWithText(dialog, "扇区密码校验失败，该卡不是新卡。").size() == 1; }, 5000))
            << "the dialog says: " << AllChildTexts(dialog);
        const std::vector<HWND> ok = ChildrenWithText(dialog, "确认");
        ASSERT_EQ(ok.size(), 1u);
        ::PostMessageW(ok.front(), BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return WindowsOf(process.dwProcessId).size() == 1; }));
    }

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    if (::WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 1);
    std::ifstream traced{std::filesystem::path(tracePath), std::ios::binary};
    const std::string traceText((std::istreambuf_iterator<char>(traced)), std::istreambuf_iterator<char>());
    traced.close();
    // The probe that found the reader, in UTF-8 as on Linux.
    EXPECT_NE(traceText.find("发送指令：FF,A5,A5,A5,A5,A5,A5,A5,A5,A5,00,08,F7,00,00,FF,FF,01,00,1C,0F,FF"),
              std::string::npos);
    EXPECT_NE(traceText.find("接收指令："), std::string::npos);
    ::DeleteFileW(tracePath.c_str());

    // Every card run is in the window's journal, in %LOCALAPPDATA%\cardfmt\ and
    // nowhere in the installation folder.
    wchar_t appData[MAX_PATH];
    const DWORD appDataLength = ::GetEnvironmentVariableW(L"LOCALAPPDATA", appData, MAX_PATH);
    EXPECT_GT(appDataLength, 0u);
    std::string journal;
    std::error_code noFolder;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(std::wstring(appData, appDataLength)) / L"cardfmt", noFolder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        journal.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    EXPECT_NE(journal.find(",0A0B0C0D,ok,,com1,"), std::string::npos) << journal;
    EXPECT_NE(journal.find(",0E0F1011,ok,,com1,"), std::string::npos) << journal;
    EXPECT_NE(journal.find(",5A6B7C8D,not-a-new-card,"), std::string::npos) << journal;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder), noFolder))
        EXPECT_NE(entry.path().extension(), L".csv") << "a journal in the installation folder";
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    if (!givenFolder) {
        ::DeleteFileW((folder + L"\\Tolvane.exe").c_str());
        ::DeleteFileW((folder + L"\\KelmConfig.ini").c_str());
    }
    ::RemoveDirectoryW(scratch.c_str());
}

}  // namespace
