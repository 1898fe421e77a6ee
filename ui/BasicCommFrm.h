// TBasicCommForm: a window with the connection panel, without the window system. It
// owns the reader link for its whole life and offers the three panel operations: the
// port scan that looks for the port where a card reader answers, the stop of a
// running scan, and the closing of the port. Everything here runs on the UI thread.
//
// The window is in one state at a time (WindowState.h, with the table of what each
// click and event does); this class runs the panel's part of it: Idle, Scanning,
// ScanningToClose, Connected and ClosingPort.
#pragma once

#include "card_init/PortScan.h"
#include "reader_link/CommObjClas.h"
#include "ui/BasicFrm.h"
#include "ui/WindowState.h"

#include <memory>
#include <string>

class TBasicCommForm : public TBasicForm {
public:
    explicit TBasicCommForm(TFormFace& face);
    ~TBasicCommForm() override;

    // After a whole pass over com1..com15 in which not one port could be opened,
    // the scan waits this long (answering the operator meanwhile) before the next
    // pass, instead of spinning over ports that are not there.
    static constexpr long kEmptyPassPauseMs = 300;

    std::unique_ptr<TCommClass> CommLink;
    bool StopRequested = false;
    bool CommOpened = false;

    WindowState State() const { return state_; }
    // The port the last scan found a reader on; empty when none.
    const std::string& OpenedPort() const { return openedPort_; }

    // Closing while connected closes the port first; closing during a scan stops
    // the scan and closes the window once it has ended.
    bool FormClose() override;
    void FormDestroy() override;
    void Click(FormControl button) override;

    virtual void btnOpenCommClick();
    virtual void btnStopOpeningClick();
    virtual void btnStopCommClick();

protected:
    void InitOnCreate() override;
    void InitOnShow() override;

    void SetStatus(const std::string& text);
    // Enters `state` and sets the buttons of its row of the table.
    void SetState(WindowState state);
    virtual void ApplyButtons(const WindowButtons& buttons);
    // Closes the port (ClosingPort, then Idle).
    void ClosePort();

    // The scan's texts in the status line: the port being tried, unless the reason
    // why no pass finds the reader was told (once per scan; NewScanStatus).
    void NewScanStatus() { hintTold_ = false; }
    void ScanStatusTrying(const std::string& port);
    void ScanStatusPassEnded(const ScanPassReport& report);
    void SetOpenedPort(const std::string& port) { openedPort_ = port; }

    // How a new link is made; tests may hand in another opener.
    virtual std::unique_ptr<TCommClass> MakeCommLink();

private:
    void PauseAfterEmptyPass();

    WindowState state_ = WindowState::Idle;
    bool hintTold_ = false;
    std::string openedPort_;
};
