// TBasicCommForm: a window with the connection panel, without the window system. It
// owns the reader link for its whole life and offers the three panel operations: the
// port scan that looks for the port where a card reader answers, the stop of a
// running scan, and the closing of the port. Everything here runs on the UI thread.
#pragma once

#include "reader_link/CommObjClas.h"
#include "ui/BasicFrm.h"

#include <memory>
#include <string>

class TBasicCommForm : public TBasicForm {
public:
    explicit TBasicCommForm(TFormFace& face);
    ~TBasicCommForm() override;

    // The panel's states; each sets all three buttons.
    enum class PanelState { Idle, Scanning, Connected, StoppedByUser, Closed };

    // After a whole pass over com1..com15 in which not one port could be opened,
    // the scan waits this long (answering the operator meanwhile) before the next
    // pass, instead of spinning over ports that are not there.
    static constexpr long kEmptyPassPauseMs = 300;

    std::unique_ptr<TCommClass> CommLink;
    bool StopRequested = false;
    bool CommOpened = false;

    bool Scanning() const { return scanning_; }
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
    void ApplyPanelState(PanelState state);

    // How a new link is made; tests may hand in another opener.
    virtual std::unique_ptr<TCommClass> MakeCommLink();

private:
    void PauseAfterEmptyPass();

    bool scanning_ = false;
    bool closeAfterScan_ = false;
    std::string openedPort_;
};
