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
    if (scanning_) {
        // The scan runs further down this thread's stack; the window must outlive it.
        StopRequested = true;
        closeAfterScan_ = true;
        return false;
    }
    if (Face.IsEnabled(FormControl::btnStopComm)) btnStopCommClick();
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

void TBasicCommForm::ApplyPanelState(PanelState state) {
    Face.SetEnabled(FormControl::btnOpenComm,
                    state == PanelState::Idle || state == PanelState::StoppedByUser || state == PanelState::Closed);
    Face.SetEnabled(FormControl::btnStopOpening, state == PanelState::Scanning);
    Face.SetEnabled(FormControl::btnStopComm, state == PanelState::Connected);
}

void TBasicCommForm::btnOpenCommClick() {
    if (scanning_ || !CommLink) return;
    bool found = false;
    ApplyPanelState(PanelState::Scanning);
    scanning_ = true;
    StopRequested = false;
    // However the scan is left, an error included.
    struct ScanEnd {
        TBasicCommForm* form;
        bool& found;
        ~ScanEnd() {
            form->scanning_ = false;
            form->ApplyPanelState(found ? PanelState::Connected : PanelState::StoppedByUser);
            if (found) form->CommOpened = true;
            if (form->closeAfterScan_) {
                form->closeAfterScan_ = false;
                form->Face.CloseSelf();
            }
        }
    } end{this, found};

    // The operator is told once per scan when every port there refused this user, or
    // when another program held a port while none answered; the text then stays in
    // the status line, where the next port would overwrite it.
    bool hintTold = false;
    PortScanHooks hooks;
    hooks.trying = [&](const std::string& name) {
        if (!hintTold) SetStatus(formtext::StatusTrying(name));
    };
    hooks.afterMiss = [this] { Face.ProcessEvents(); };
    hooks.passEnded = [&](const ScanPassReport& report) {
        if (!hintTold && report.AllPresentDenied()) {
            hintTold = true;
            SetStatus(kNoSerialPermissionText);
        } else if (!hintTold && !report.firstHeld.empty()) {
            hintTold = true;
            SetStatus(formtext::StatusHeld(report.firstHeld));
        }
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
    Face.SetEnabled(FormControl::btnStopComm, false);
    Face.SetBusyCursor(true);
    struct Restore {
        TBasicCommForm* form;
        ~Restore() {
            form->ApplyPanelState(PanelState::Closed);
            form->Face.SetBusyCursor(false);
        }
    } restore{this};
    if (CommLink) CommLink->Disconnect();
    SetStatus(formtext::kStatusClosed);
    CommOpened = false;
}
