// TBasicForm: the start-up every window of the tool shares. It fixes the
// process-wide date and time formats, puts the window into the Chinese UI font,
// centres it when first shown, and offers two hooks: InitOnCreate (once, when the
// window has been created) and InitOnShow (each time it is shown).
//
// Virtual calls do not reach a derived class from a constructor, so windows are
// made with CreateForm<T>(), which constructs and then runs FormCreate.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class QCloseEvent;
class QShowEvent;

// The process-wide text formats for dates and times (pattern letters: yyyy year,
// mm month, dd day, hh hour, nn minute, ss second).
struct FormatSettings {
    QString LongTimeFormat = "hh:nn:ss";
    QString LongDateFormat = "yyyy-mm-dd";
    QChar DateSeparator = '-';
    QChar TimeSeparator = ':';
};
FormatSettings& ProcessFormatSettings();

// The window font: "宋体" 9 pt (GB2312), or the best installed CJK face standing in for it.
QFont ChineseUiFont(int pointSize = 9);
// A "宋体" font of the given character height in pixels.
QFont ChineseUiFontPx(int pixelHeight, bool bold);

class TBasicForm : public QWidget {
    Q_OBJECT
public:
    explicit TBasicForm(QWidget* parent = nullptr);

    void FormCreate(QObject* sender);
    // Runs a handler; an error it raises ends up in an error dialog, as the window
    // system's default error report would show it.
    static void Guarded(const std::function<void()>& handler);
    void FormShow(QObject* sender);
    // Lets the window free itself once closed.
    virtual void FormClose(QObject* sender, QCloseEvent* event);

protected:
    virtual void InitOnShow();
    virtual void InitOnCreate();

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool centred_ = false;
};

template <class Form>
Form* CreateForm(QWidget* parent = nullptr) {
    auto* form = new Form(parent);
    form->FormCreate(form);
    return form;
}
