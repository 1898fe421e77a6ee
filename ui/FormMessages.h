// The message numbers the windows post, in one list so that no two mean the same:
// the window logic's messages to itself (TFormFace::PostToSelf, handed to
// TBasicForm::MessageReceived) and the Win32 face's own messages to its helper
// windows. They follow WM_USER + 112, where the main window's placement check
// has always been.
#pragma once

enum FormMessage : int {
    // Posted by the main window to itself once shown: run the placement check.
    WM_CHECKFOLDER = 1136,
    // Posted by the card watcher's thread: its link lost the port.
    WM_PORTLOST = 1137,
    // Win32 face: a task for the thread that owns the windows (from another thread).
    WM_RUNDIALOGTASK = 1138,
    // Win32 face: a message dialog opened for another thread destroys itself.
    WM_DESTROYDIALOG = 1139,
};
