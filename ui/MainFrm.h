// TMainForm: the tool's main window. It carries the connection panel, checks that
// it was started in the installation folder of the water-control software, and
// starts and stops automatic initialization: while it runs, the card watcher hands
// every newly presented card to the card procedure.
#pragma once

#include "card_init/AutoFindCard.h"
#include "card_init/CardInit.h"
#include "ui/BasicCommFrm.h"

#include <QEvent>

#include <atomic>

#include <memory>

class TMainForm : public TBasicCommForm {
    Q_OBJECT
public:
    // Posted to itself when shown; runs the placement check (message 1136, WM_USER + 112).
    static constexpr int WM_CHECKFOLDER = 1136;
    static const QEvent::Type CheckFolderEvent;

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    QPushButton* btnInitCard = nullptr;   // never shown; reached through OnCardFound
    QPushButton* btnStartInit = nullptr;  // property "tag": 0 stopped, 1 running

    std::unique_ptr<TAutoFindCardThrd> CardWatcher;

    int StartInitTag() const;

    void CheckEXEINValidFolder();
    // Called on the card watcher's thread for each newly presented card.
    virtual void OnCardFound(std::uint32_t serial);
    void FormDestroy(QObject* sender) override;
    // Closing while the watcher is being stopped waits until it has stopped.
    void FormClose(QObject* sender, QCloseEvent* event) override;

    // The card procedure's outcome of the last run (for callers that report it).
    InitOutcome LastOutcome() const { return lastOutcome_; }

public slots:
    void btnOpenCommClick(QObject* sender) override;
    void btnStopCommClick(QObject* sender) override;
    void btnInitCardClick(QObject* sender);
    void btnStartInitClick(QObject* sender);

protected:
    void InitOnCreate() override;
    void InitOnShow() override;
    void customEvent(QEvent* event) override;

    // The installation's keys; tests may hand in others.
    virtual KeyMaterial CardKeys();

private:
    void SetStartInitTag(int tag);
    std::atomic<InitOutcome> lastOutcome_{InitOutcome::Ok};
    // The card the watcher reported, for the run it starts; 0 when a run has no such card.
    std::atomic<std::uint32_t> cardSerial_{0};
    bool stopping_ = false;  // the watcher is being stopped; the handlers wait their turn
    bool closeAfterStop_ = false;
};
