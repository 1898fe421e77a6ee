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
        TryReopen();
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

void TMainForm::btnOpenCommClick() {
    if (stopping_) return;
    struct Finally {
        TMainForm* form;
        ~Finally() {
            form->Face.SetEnabled(FormControl::btnInitCard, form->CommOpened);
            form->Face.SetEnabled(FormControl::btnStartInit, form->CommOpened);
        }
    } finally{this};
    TBasicCommForm::btnOpenCommClick();
}

KeyMaterial TMainForm::CardKeys() { return InstallationKeyMaterial(); }

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
    if (stopping_) return;
    if (StartInitTag() != 0) {
        SetStartInitTag(0);
        Face.SetText(FormControl::btnStartInit, formtext::kStartInit);
        StopReopening();
        StopWatcher();
        return;
    }
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
    Face.SetText(FormControl::btnStartInit, formtext::kStopInit);
    SetStartInitTag(1);
    CardWatcher->Start();
}

void TMainForm::StopWatcher() {
    stopping_ = true;
    try {
        CardWatcher->Stop();
    } catch (...) {
        stopping_ = false;
        throw;
    }
    stopping_ = false;
    if (closePortAfterStop_) {
        closePortAfterStop_ = false;
        // A close already under way (it started this stop) covers the click.
        if (!closingPort_) btnStopCommClick();
    }
    if (closeAfterStop_) {
        closeAfterStop_ = false;
        Face.CloseSelf();
    }
}

void TMainForm::btnStopCommClick() {
    if (stopping_) {
        closePortAfterStop_ = true;
        return;
    }
    closingPort_ = true;
    struct Done {
        bool& closing;
        ~Done() { closing = false; }
    } done{closingPort_};
    if (StartInitTag() == 1) btnStartInitClick();
    Face.SetEnabled(FormControl::btnStartInit, false);
    TBasicCommForm::btnStopCommClick();
}

void TMainForm::PortLost() {
    if (destroying_ || stopping_ || reopening_ || StartInitTag() != 1) return;
    // Nothing may touch the link while the watcher could still run a step.
    StopWatcher();
    if (StartInitTag() != 1 || !CommOpened) return;  // stopped or closed meanwhile
    if (CommLink->PortOpen()) {
        // A message from before the port was closed and a reader found again.
        CardWatcher->Start();
        return;
    }
    reopening_ = true;
    SetStatus(formtext::StatusLost(OpenedPort()));
    Face.StartTimer(kReopenTimer, kReopenIntervalMs);
}

void TMainForm::StopReopening() {
    if (!reopening_) return;
    reopening_ = false;
    Face.StopTimer(kReopenTimer);
}

void TMainForm::TryReopen() {
    if (!reopening_ || destroying_) {
        Face.StopTimer(kReopenTimer);
        return;
    }
    if (!CommLink->OpenPort(OpenedPort())) return;
    StopReopening();
    SetStatus(formtext::StatusOpened(OpenedPort()));
    CardWatcher->Start();
}

bool TMainForm::FormClose() {
    if (stopping_) {
        // This handler runs inside the wait for the watcher; the window must outlive it.
        closeAfterStop_ = true;
        return false;
    }
    return TBasicCommForm::FormClose();
}

void TMainForm::FormDestroy() {
    destroying_ = true;
    StopReopening();
    // The watcher works through the link: it goes first.
    CardWatcher.reset();
    TBasicCommForm::FormDestroy();
}
