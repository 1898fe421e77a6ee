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
// the stop has ended.
//
// An unplugged reader: when the watcher's link loses its port while automatic
// initialization runs, the status label says so and the window tries to open the
// same port again every kReopenIntervalMs, on the UI thread; once it opens, the
// label returns to "comN已打开..." and the watcher carries on.
//
// Every card run leaves a line in the monthly journal (CardJournal.h), written
// before its message is shown.
#pragma once

#include "card_init/AutoFindCard.h"
#include "card_init/CardInit.h"
#include "card_init/CardJournal.h"
#include "ui/BasicCommFrm.h"
#include "ui/FormMessages.h"

#include <atomic>
#include <cstdint>
#include <memory>

class TMainForm : public TBasicCommForm {
public:
    // The timer that reopens a lost port, and its interval.
    static constexpr int kReopenTimer = 1;
    static constexpr long kReopenIntervalMs = 500;

    explicit TMainForm(TFormFace& face);
    ~TMainForm() override;

    std::unique_ptr<TAutoFindCardThrd> CardWatcher;

    // The tag of btnStartInit: 0 stopped, 1 running.
    int StartInitTag() const { return startInitTag_; }
    // The port was lost while automatic initialization ran and is being reopened.
    bool ReopeningPort() const { return reopening_; }

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

    // The installation's keys; tests may hand in others.
    virtual KeyMaterial CardKeys();

private:
    void SetStartInitTag(int tag) { startInitTag_ = tag; }
    // Stops the watcher and waits for it; then runs what arrived meanwhile.
    void StopWatcher();
    void PortLost();
    void StopReopening();
    void TryReopen();

    // Every card run, one file a month in the user's state folder (UserFiles.h).
    CardJournal journal_;
    int startInitTag_ = 0;
    std::atomic<InitOutcome> lastOutcome_{InitOutcome::Ok};
    // The card the watcher reported, for the run it starts; 0 when a run has no such card.
    std::atomic<std::uint32_t> cardSerial_{0};
    bool stopping_ = false;            // the watcher is being stopped
    bool closeAfterStop_ = false;      // the window was closed meanwhile
    bool closePortAfterStop_ = false;  // 关闭串口 was clicked meanwhile
    bool closingPort_ = false;         // btnStopCommClick is under way
    bool reopening_ = false;
    bool destroying_ = false;
};
