// QtForm: the Qt face of a window of the tool. It creates the controls of a
// FormLayout as Qt widgets, puts the window in the tool's font, centres it when
// first shown, implements TFormFace for the window logic and forwards the window's
// events to it. It decides nothing itself.
#pragma once

#include "ui/BasicFrm.h"
#include "ui/FormLayout.h"

#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class QCloseEvent;
class QShowEvent;

class QtForm : public QWidget, public TFormFace {
    Q_OBJECT
public:
    ~QtForm() override;

    // The widget made for a control of the layout (this window for Form).
    QWidget* Control(FormControl control) const;

    // Runs a handler; an error it raises ends up in an error dialog over this
    // window, as the window system's default error report would show it.
    void Guarded(const std::function<void()>& handler);

    // TFormFace
    void SetEnabled(FormControl control, bool enabled) override;
    bool IsEnabled(FormControl control) const override;
    void SetText(FormControl control, const std::string& text) override;
    void SetBusyCursor(bool busy) override;
    void ProcessEvents(long waitMs) override;
    void PostToSelf(int message) override;
    void CloseSelf() override;
    void StartTimer(int id, long intervalMs) override;
    void StopTimer(int id) override;
    void ShowInfo(const std::string& text) override;

protected:
    QtForm(const FormLayout& layout, QWidget* parent);
    // Hands the window its logic and runs FormCreate.
    void Attach(std::unique_ptr<TBasicForm> form);
    TBasicForm& Form() const { return *form_; }

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    const FormLayout& layout_;
    std::map<FormControl, QWidget*> controls_;
    std::unique_ptr<TBasicForm> form_;
    std::map<int, int> timers_;  // the logic's timer id -> Qt's
    bool centred_ = false;
    bool busy_ = false;
};
