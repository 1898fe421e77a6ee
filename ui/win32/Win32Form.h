// The Win32 face of the windows: makes the window and its controls from the
// window's layout, implements what the window logic asks of a window system
// (TFormFace) with plain Win32 controls, and forwards the window's events to the
// logic. No rule of the windows lives here.
//
// The window owns its logic; both are freed once the window has been destroyed
// (closed by the operator, or CloseSelf) and its last handler has returned
// (win32ui::Window). The program's main window ends the message loop when it goes.
#pragma once

#include "ui/BasicFrm.h"
#include "ui/FormFace.h"
#include "ui/FormLayout.h"
#include "ui/win32/Window.h"

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

class TWin32Form final : public win32ui::Window, public TFormFace {
public:
    using LogicFactory = std::function<std::unique_ptr<TBasicForm>(TFormFace& face)>;

    // Makes the window with its controls, then its logic, then runs FormCreate.
    // Not shown yet. Returns nullptr when the window system refused the window.
    static TWin32Form* Create(const FormLayout& layout, const LogicFactory& makeLogic, bool isMainWindow);

    ~TWin32Form() override;

    TBasicForm& Logic() { return *logic_; }
    HWND ControlHandle(FormControl control) const;

    // TFormFace
    void SetEnabled(FormControl control, bool enabled) override;
    bool IsEnabled(FormControl control) const override;
    void SetText(FormControl control, const std::string& text) override;
    void SetBusyCursor(bool busy) override;
    void ProcessEvents(long waitMs = 0) override;
    void PostToSelf(int message) override;
    void CloseSelf() override;
    void StartTimer(int id, long intervalMs) override;
    void StopTimer(int id) override;
    void ShowInfo(const std::string& text) override;

    // The command number of a control (its WM_COMMAND id).
    static int ControlId(FormControl control);

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    TWin32Form(const FormLayout& layout, bool isMainWindow);
    bool CreateControls();
    // Runs an event of the logic; an error it raises is reported as the window
    // system reports an error nobody caught.
    void Forward(const std::function<void()>& event);
    const ControlLayout* RowOf(HWND control) const;

    const FormLayout& layout_;
    const bool isMainWindow_;
    std::unique_ptr<TBasicForm> logic_;
    static constexpr std::size_t kControlCount = static_cast<std::size_t>(FormControl::btnStartInit) + 1;
    std::array<HWND, kControlCount> controls_{};
    std::array<HFONT, kControlCount> ownFonts_{};
    HFONT windowFont_ = nullptr;
    bool destroying_ = false;

    // Message numbers this window posts to itself: only they reach the logic.
    std::mutex postedMutex_;
    std::set<int> posted_;
};
