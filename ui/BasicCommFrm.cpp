#include "ui/BasicCommFrm.h"

#include "card_init/PortScan.h"
#include "ui/FormTexts.h"

#include <chrono>

TBasicCommForm::TBasicCommForm(TFormFace& face) : TBasicForm(face) {}

TBasicCommForm::~TBasicCommForm() = default;

std::unique_ptr<TCommClass> TBasicCommForm::MakeCommLink() { return std::make_unique<TCommClass>(); }

void TBasicCommForm::InitOnCreate() {
    TBasicForm::InitOnCreate();
    CommLink = MakeCommLink();
    StopRequested = false;
    CommOpened = false;
}

void TBasicCommForm::InitOnShow() {
    TBasicForm::InitOnShow();
    Face.SetEnabled(FormControl::btnStopOpening, false);
    Face.SetEnabled(FormControl::btnStopComm, false);
}

bool TBasicCommForm::FormClose() {
    switch (state_) {
        case WindowState::Scanning:
            // The scan runs further down this thread's stack; the window must outlive it.
            StopRequested = true;
            SetState(WindowState::ScanningToClose);
            return false;
        case WindowState::ScanningToClose:
        case WindowState::ClosingPort: return false;
        default: break;
    }
    btnStopCommClick();  // closes the port when one is open; nothing otherwise
    return TBasicForm::FormClose();
}

void TBasicCommForm::FormDestroy() {
    CommLink.reset();
    TBasicForm::FormDestroy();
}

void TBasicCommForm::Click(FormControl button) {
    switch (button) {
        case FormControl::btnOpenComm: btnOpenCommClick(); break;
        case FormControl::btnStopOpening: btnStopOpeningClick(); break;
        case FormControl::btnStopComm: btnStopCommClick(); break;
        default: TBasicForm::Click(button); break;
    }
}

void TBasicCommForm::SetStatus(const std::string& text) { Face.SetText(FormControl::lblComStatTips, text); }

void TBasicCommForm::SetState(WindowState state) {
    state_ = state;
    if (state != WindowState::Destroyed) ApplyButtons(ButtonsIn(state));
}

void TBasicCommForm::ApplyButtons(const WindowButtons& buttons) {
    Face.SetEnabled(FormControl::btnOpenComm, buttons.openComm);
    Face.SetEnabled(FormControl::btnStopOpening, buttons.stopOpening);
    Face.SetEnabled(FormControl::btnStopComm, buttons.stopComm);
}

void TBasicCommForm::ScanStatusTrying(const std::string& port) {
    if (!hintTold_) SetStatus(formtext::StatusTrying(port));
}

void TBasicCommForm::ScanStatusPassEnded(const ScanPassReport& report) {
    // Told once per scan: the text then stays in the status line, where the next
    // port would overwrite it.
    if (hintTold_) return;
    if (report.AllPresentDenied()) {
        hintTold_ = true;
        SetStatus(kNoSerialPermissionText);
    } else if (!report.firstHeld.empty()) {
        hintTold_ = true;
        SetStatus(formtext::StatusHeld(report.firstHeld));
    }
}

void TBasicCommForm::btnOpenCommClick() {
    if (state_ != WindowState::Idle || !CommLink) return;
    bool found = false;
    SetState(WindowState::Scanning);
    StopRequested = false;
    // However the scan is left, an error included.
    struct ScanEnd {
        TBasicCommForm* form;
        bool& found;
        ~ScanEnd() {
            const bool closeWindow = form->state_ == WindowState::ScanningToClose;
            form->SetState(found ? WindowState::Connected : WindowState::Idle);
            if (found) form->CommOpened = true;
            if (closeWindow) form->Face.CloseSelf();
        }
    } end{this, found};

    // The operator is told once per scan when every port there refused this user, or
    // when another program held a port while none answered.
    NewScanStatus();
    PortScanHooks hooks;
    hooks.trying = [this](const std::string& name) { ScanStatusTrying(name); };
    hooks.afterMiss = [this] { Face.ProcessEvents(); };
    hooks.passEnded = [this](const ScanPassReport& report) {
        ScanStatusPassEnded(report);
        if (report.portsOpened == 0) PauseAfterEmptyPass();
    };
    hooks.stopRequested = [this] {
        if (StopRequested) SetStatus(formtext::kStatusUserStopped);
        return StopRequested;
    };
    openedPort_.clear();
    if (auto port = ScanForReader(*CommLink, hooks)) {
        found = true;
        openedPort_ = *port;
        SetStatus(formtext::StatusOpened(*port));
    }
}

void TBasicCommForm::PauseAfterEmptyPass() {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(kEmptyPassPauseMs);
    while (!StopRequested) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        Face.ProcessEvents(static_cast<long>(left));
    }
}

void TBasicCommForm::btnStopOpeningClick() { StopRequested = true; }

void TBasicCommForm::btnStopCommClick() {
    if (state_ != WindowState::Connected) return;
    ClosePort();
}

void TBasicCommForm::ClosePort() {
    SetState(WindowState::ClosingPort);
    Face.SetBusyCursor(true);
    struct Restore {
        TBasicCommForm* form;
        ~Restore() {
            form->SetState(WindowState::Idle);
            form->Face.SetBusyCursor(false);
        }
    } restore{this};
    if (CommLink) CommLink->Disconnect();
    SetStatus(formtext::kStatusClosed);
    CommOpened = false;
}
