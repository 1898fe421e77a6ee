#include "ui/MainFrm.h"

#include "platform/UserFiles.h"
#include "ui/FormTexts.h"

#include <filesystem>
#include <optional>
#include <system_error>

TMainForm::TMainForm(TFormFace& face)
    : TBasicCommForm(face), journal_(CardJournal::Monthly(platform::UserStateFolder(), "cardfmt-gui")) {}

TMainForm::~TMainForm() = default;

void TMainForm::InitOnCreate() {
    TBasicCommForm::InitOnCreate();
    Face.SetEnabled(FormControl::btnInitCard, false);
    Face.SetText(FormControl::Form, formtext::kMainFormCaption);
}

void TMainForm::InitOnShow() {
    TBasicCommForm::InitOnShow();
    Face.PostToSelf(WM_CHECKFOLDER);
}

void TMainForm::Click(FormControl button) {
    switch (button) {
        // The hidden 初始化包号 runs the card procedure only through OnCardFound, on
        // the watcher's thread: clicked here it would hold the UI thread for the
        // whole card (seconds; a silent reader, several time-outs) and could talk to
        // the reader while the watcher polls it.
        case FormControl::btnInitCard: break;
        case FormControl::btnStartInit: btnStartInitClick(); break;
        default: TBasicCommForm::Click(button); break;
    }
}

void TMainForm::MessageReceived(int message) {
    if (message == WM_CHECKFOLDER)
        CheckEXEINValidFolder();
    else if (message == WM_PORTLOST)
        PortLost();
    else
        TBasicCommForm::MessageReceived(message);
}

void TMainForm::TimerFired(int id) {
    if (id == kReopenTimer)
        NextSessionStep();
    else
        TBasicCommForm::TimerFired(id);
}

bool TMainForm::PlacedInInstallationFolder() {
    // Bare names: they are looked for in the working directory, where the
    // installation starts the tool, not beside the tool's own program file.
    std::error_code error;
    return std::filesystem::is_regular_file("Tolvane.exe", error) &&
           std::filesystem::is_regular_file("KelmConfig.ini", error);
}

void TMainForm::CheckEXEINValidFolder() {
    if (PlacedInInstallationFolder()) return;
    Face.SetEnabled(FormControl::grpCommConfig, false);
    Face.SetEnabled(FormControl::btnOpenComm, false);
    Face.ShowInfo(formtext::kNotPlaced);
}

void TMainForm::ApplyButtons(const WindowButtons& buttons) {
    TBasicCommForm::ApplyButtons(buttons);
    Face.SetEnabled(FormControl::btnStartInit, buttons.startInit);
    Face.SetText(FormControl::btnStartInit, buttons.startInitSaysStop ? formtext::kStopInit : formtext::kStartInit);
}

void TMainForm::btnOpenCommClick() {
    if (State() != WindowState::Idle) return;
    struct Finally {
        TMainForm* form;
        ~Finally() { form->Face.SetEnabled(FormControl::btnInitCard, form->CommOpened); }
    } finally{this};
    TBasicCommForm::btnOpenCommClick();
    if (CommOpened) session_ = std::make_unique<TWatchSession>(*CommLink, OpenedPort(), SessionOptions());
}

KeyMaterial TMainForm::CardKeys() { return InstallationKeyMaterial(); }

TWatchSession::Options TMainForm::SessionOptions() { return {}; }

// The one place where a card run's outcome, and the card's serial, are known.
void TMainForm::btnInitCardClick() {
    if (!CommLink) return;
    const std::uint32_t serial = cardSerial_.exchange(0);
    // The message is the run's last step: it is held back until the run is in the
    // journal, so the line carries the time of the run, not of the confirmation.
    std::optional<std::string> message;
    try {
        lastOutcome_ = InitializeCard(*CommLink, serial, CardKeys(), [&](const std::string& text) { message = text; });
    } catch (const std::exception& e) {
        journal_.RecordLinkError(serial, e.what(), OpenedPort());
        throw;
    }
    journal_.Record(serial, lastOutcome_, OpenedPort(), true);
    if (message) Face.ShowInfo(*message);
}

void TMainForm::OnCardFound(std::uint32_t serial) {
    cardSerial_.store(serial);
    btnInitCardClick();
}

void TMainForm::btnStartInitClick() {
    switch (State()) {
        case WindowState::Running: StopWatcher(WindowState::Stopping); return;
        case WindowState::WaitingForPort:
            // The watcher stands still while the port is away.
            AbandonWaiting();
            SetState(WindowState::Connected);
            return;
        case WindowState::Connected:
        case WindowState::Idle:  // not by the button (disabled), but the handler copes
            StartWatching();
            return;
        default: return;  // the button is disabled in every other state
    }
}

void TMainForm::StartWatching() {
    if (!CardWatcher) {
        CardWatcher = std::make_unique<TAutoFindCardThrd>(CommLink.get());
        CardWatcher->OnNewCard = [this](std::uint32_t serial) { OnCardFound(serial); };
        // On the watcher's thread, the one using the link: a step that failed for
        // any other reason is the watcher's business, and it carries on; a link that
        // lost its port (a write failed: the adapter was unplugged) is the window's.
        CardWatcher->OnPollError = [this] {
            if (CommLink->LastFailure() == LinkFailure::PortLost) Face.PostToSelf(WM_PORTLOST);
        };
        // While this thread waits for the watcher, the watcher may be waiting for the
        // operator to confirm a message on this thread: keep the window working.
        CardWatcher->WaitService = [this] { Face.ProcessEvents(); };
        if (!CardWatcher->EnsureOpen("")) {
            Face.ShowInfo(formtext::kOpenFailed);
            return;
        }
    }
    if (CommOpened && !CommLink->PortOpen()) {
        // Stopped while the port was away: wait for it again.
        WaitForPort();
        return;
    }
    SetState(WindowState::Running);
    CardWatcher->Start();
}

void TMainForm::StopWatcher(WindowState stopping) {
    SetState(stopping);
    try {
        CardWatcher->Stop();
    } catch (...) {
        StopEnded();
        throw;
    }
    StopEnded();
}

void TMainForm::StopEnded() {
    switch (State()) {
        case WindowState::Stopping: SetState(WindowState::Connected); break;
        case WindowState::StoppingForLostPort: WaitForPort(); break;
        case WindowState::StoppingToClosePort: ClosePort(); break;
        case WindowState::StoppingToCloseWindow:
            ClosePort();
            Face.CloseSelf();
            break;
        default: break;
    }
}

void TMainForm::btnStopCommClick() {
    switch (State()) {
        case WindowState::Connected: ClosePort(); break;
        case WindowState::Running: StopWatcher(WindowState::StoppingToClosePort); break;
        case WindowState::Stopping:
        case WindowState::StoppingForLostPort: SetState(WindowState::StoppingToClosePort); break;
        case WindowState::WaitingForPort:
            AbandonWaiting();
            ClosePort();
            break;
        default: break;
    }
}

bool TMainForm::FormClose() {
    switch (State()) {
        case WindowState::Stopping:
        case WindowState::StoppingForLostPort:
        case WindowState::StoppingToClosePort:
        case WindowState::StoppingToCloseWindow:
            // This handler runs inside the wait for the watcher; the window must outlive it.
            SetState(WindowState::StoppingToCloseWindow);
            return false;
        default: return TBasicCommForm::FormClose();
    }
}

void TMainForm::PortLost() {
    if (State() == WindowState::Running) StopWatcher(WindowState::StoppingForLostPort);
}

void TMainForm::WaitForPort() {
    if (!session_) session_ = std::make_unique<TWatchSession>(*CommLink, OpenedPort(), SessionOptions());
    const TWatchSession::Step step = session_->Lose();
    if (step.event != TWatchSession::Event::Lost) {
        // A message from before the port was closed and a reader found again.
        SetState(WindowState::Running);
        CardWatcher->Start();
        return;
    }
    SetState(WindowState::WaitingForPort);
    ShowSessionStep(step);
    Face.StartTimer(kReopenTimer, session_->NextStepMs());
}

void TMainForm::AbandonWaiting() {
    Face.StopTimer(kReopenTimer);
    if (session_) session_->Abandon();
}

void TMainForm::NextSessionStep() {
    if (State() != WindowState::WaitingForPort || !session_) {
        Face.StopTimer(kReopenTimer);
        return;
    }
    const TWatchSession::Step step = session_->Next();
    ShowSessionStep(step);
    if (session_->Waiting()) {
        Face.StartTimer(kReopenTimer, session_->NextStepMs());
        return;
    }
    Face.StopTimer(kReopenTimer);
    SetState(WindowState::Running);
    CardWatcher->Start();
}

void TMainForm::ShowSessionStep(const TWatchSession::Step& step) {
    using Event = TWatchSession::Event;
    switch (step.event) {
        case Event::Lost: SetStatus(formtext::StatusLost(step.port)); break;
        case Event::Rescanning: NewScanStatus(); break;
        case Event::Trying: ScanStatusTrying(step.port); break;
        case Event::PassEnded: ScanStatusPassEnded(step.pass); break;
        case Event::Reopened:
        case Event::Found:
            SetOpenedPort(step.port);
            SetStatus(formtext::StatusOpened(step.port));
            break;
        case Event::None: break;
    }
}

void TMainForm::FormDestroy() {
    SetState(WindowState::Destroyed);
    AbandonWaiting();
    // The watcher works through the link: it goes first.
    CardWatcher.reset();
    session_.reset();
    TBasicCommForm::FormDestroy();
}
