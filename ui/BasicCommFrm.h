// TBasicCommForm: a window with the connection panel. It owns the reader link for
// its whole life and offers the three panel operations: the port scan that looks
// for the port where a card reader answers, the stop of a running scan, and the
// closing of the port. Everything here runs on the UI thread.
#pragma once

#include "reader_link/CommObjClas.h"
#include "ui/BasicFrm.h"

#include <memory>

class QGroupBox;
class QLabel;
class QPushButton;

class TBasicCommForm : public TBasicForm {
    Q_OBJECT
public:
    explicit TBasicCommForm(QWidget* parent = nullptr);
    ~TBasicCommForm() override;

    // The panel's states; each sets all three buttons.
    enum class PanelState { Idle, Scanning, Connected, StoppedByUser, Closed };

    QGroupBox* grpCommConfig = nullptr;
    QLabel* lblComStatTips = nullptr;
    QPushButton* btnOpenComm = nullptr;
    QPushButton* btnStopComm = nullptr;
    QPushButton* btnStopOpening = nullptr;

    std::unique_ptr<TCommClass> CommLink;
    bool StopRequested = false;
    bool CommOpened = false;

    bool Scanning() const { return scanning_; }

    // Closing while connected closes the port first; closing during a scan stops
    // the scan and closes the window once it has ended.
    void FormClose(QObject* sender, QCloseEvent* event) override;
    virtual void FormDestroy(QObject* sender);

public slots:
    virtual void btnOpenCommClick(QObject* sender);
    virtual void btnStopOpeningClick(QObject* sender);
    virtual void btnStopCommClick(QObject* sender);

protected:
    void InitOnCreate() override;
    void InitOnShow() override;

    void SetStatus(const QString& text);
    void ApplyPanelState(PanelState state);

    // How a new link is made; tests may hand in another opener.
    virtual std::unique_ptr<TCommClass> MakeCommLink();

private:
    bool scanning_ = false;
    bool closeAfterScan_ = false;
};
