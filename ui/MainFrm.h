// TMainForm: the tool's main window, without the window system. It carries the
// connection panel, checks that it was started in the installation folder of the
// water-control software, and starts and stops automatic initialization: while it
// runs, the card watcher hands every newly presented card to the card procedure.
//
// Threads: the handlers run on the UI thread; OnCardFound, and the card procedure
// with its messages, on the watcher's. Stopping the watcher waits for it on the UI
// thread while the face keeps processing events (TAutoFindCardThrd::WaitService), so
// a message the watcher is showing can still be confirmed; the handlers that arrive
// meanwhile wait their turn (a 关闭串口 click, a close of the window) and run once
// the stop has ended; 开始初始化 is disabled until then. What each click and event
// does in each state of the window: WindowState.h.
//
// An unplugged reader: when the watcher's link loses its port while automatic
// initialization runs, the status label says so ("com3已断开...") and the watch
// session (card_init/WatchSession.h) waits for it, driven by a timer on the UI
// thread: it reopens the same port every 500 ms, and after 10 s without it scans
// all ports again with the scan's texts. Once it has a reader's port, the label
// says "comN已打开..." and the watcher carries on; the card lying on the reader is
// still remembered and not run again.
//
// Every card run leaves a line in the monthly journal (CardJournal.h), written
// before its message is shown.
#pragma once

#include "card_init/AutoFindCard.h"
#include "card_init/CardInit.h"
#include "card_init/CardJournal.h"
#include "card_init/WatchSession.h"
#include "ui/BasicCommFrm.h"
#include "ui/FormMessages.h"

#include <atomic>
#include <cstdint>
#include <memory>

class TMainForm : public TBasicCommForm {
public:
    // The timer that drives the watch session while it waits for a lost port.
    static constexpr int kReopenTimer = 1;

    explicit TMainForm(TFormFace& face);
    ~TMainForm() override;

    std::unique_ptr<TAutoFindCardThrd> CardWatcher;

    // The tag of btnStartInit: 0 stopped, 1 running (also while the port is away).
    int StartInitTag() const { return ButtonsIn(State()).startInitSaysStop ? 1 : 0; }
    // The port was lost while automatic initialization ran and is being waited for.
    bool ReopeningPort() const { return State() == WindowState::WaitingForPort; }

    // Whether "Tolvane.exe" and "KelmConfig.ini" are both files (not folders) in the
    // working directory; the second is looked for only when the first is there.
    static bool PlacedInInstallationFolder();
    void CheckEXEINValidFolder();
    // Called on the card watcher's thread for each newly presented card.
    virtual void OnCardFound(std::uint32_t serial);

    void btnOpenCommClick() override;
    void btnStopCommClick() override;
    void btnInitCardClick();
    void btnStartInitClick();

    bool FormClose() override;
    void FormDestroy() override;
    void Click(FormControl button) override;
    void MessageReceived(int message) override;
    void TimerFired(int id) override;

    // The card procedure's outcome of the last run (for callers that report it).
    InitOutcome LastOutcome() const { return lastOutcome_; }

protected:
    void InitOnCreate() override;
    void InitOnShow() override;
    void ApplyButtons(const WindowButtons& buttons) override;

    // The installation's keys; tests may hand in others.
    virtual KeyMaterial CardKeys();
    // How the watch session waits for a lost port; tests may hand in another clock.
    virtual TWatchSession::Options SessionOptions();

private:
    void StartWatching();
    // Enters the stopping state `stopping`, stops the watcher and waits for it;
    // then goes where that state leads, with what arrived meanwhile.
    void StopWatcher(WindowState stopping);
    void StopEnded();
    void PortLost();
    void WaitForPort();
    void AbandonWaiting();
    void NextSessionStep();
    void ShowSessionStep(const TWatchSession::Step& step);

    // Every card run, one file a month in the user's state folder (UserFiles.h).
    CardJournal journal_;
    std::atomic<InitOutcome> lastOutcome_{InitOutcome::Ok};
    // The card the watcher reported, for the run it starts; 0 when a run has no such card.
    std::atomic<std::uint32_t> cardSerial_{0};
    // Made when a scan found a reader: automatic initialization's hold on its port.
    std::unique_ptr<TWatchSession> session_;
};
