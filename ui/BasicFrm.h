// TBasicForm: the start-up every window of the tool shares, without the window
// system. It fixes the process-wide date and time formats and offers two hooks:
// InitOnCreate (once, when the window has been created) and InitOnShow (each time
// it is shown). The window itself (controls, fonts, centring on the desktop,
// freeing itself once closed) is the face's: see FormFace.h for which event of the
// face reaches which operation here.
//
// A face creates its controls, then the window logic, then calls FormCreate, so the
// most derived InitOnCreate runs with every control in place.
#pragma once

#include "ui/FormFace.h"

#include <string>

// The process-wide text formats for dates and times (pattern letters: yyyy year,
// mm month, dd day, hh hour, nn minute, ss second).
struct FormatSettings {
    std::string LongTimeFormat = "hh:nn:ss";
    std::string LongDateFormat = "yyyy-mm-dd";
    char DateSeparator = '-';
    char TimeSeparator = ':';
};
FormatSettings& ProcessFormatSettings();

class TBasicForm {
public:
    explicit TBasicForm(TFormFace& face);
    virtual ~TBasicForm();
    TBasicForm(const TBasicForm&) = delete;
    TBasicForm& operator=(const TBasicForm&) = delete;

    void FormCreate();
    void FormShow();
    // Whether the window may close now; once closed, the face frees it.
    virtual bool FormClose();
    // The window is going: release what the window owns. The face still works.
    virtual void FormDestroy();

    // A click on one of the window's buttons, by the operator or by the window
    // itself: runs the button's handler.
    virtual void Click(FormControl button);
    // A message the window posted to itself (TFormFace::PostToSelf).
    virtual void MessageReceived(int message);
    // A timer of the window went off (TFormFace::StartTimer).
    virtual void TimerFired(int id);

protected:
    virtual void InitOnShow();
    virtual void InitOnCreate();

    TFormFace& Face;
};
