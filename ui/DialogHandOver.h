// Bringing a dialog asked for on another thread (the card watcher's) onto the
// UI thread, where every window lives, and keeping the asking thread until the
// operator has answered.
//
// The dialog is opened on the UI thread without a modal loop of its own and the
// asking thread is released by the dialog's answer, not by the return of such a
// loop: a UI thread that waits for the asking thread (stopping the watcher) while
// serving its events still lets the dialog finish and the asking thread go on,
// wherever on its stack that wait happens to be.
#pragma once

#include <functional>

// Called on the UI thread with the function that must receive the dialog's
// result once the operator has closed it. May throw; the asking thread then
// receives the exception.
using OpenDialogFn = std::function<void(std::function<void(int result)> finish)>;

// Queues a task to the UI thread's event loop. Returns false when there is no
// loop to queue to; the task is then dropped.
using PostToUiThreadFn = std::function<bool(std::function<void()> task)>;

// On the asking thread: posts `open` and blocks until the dialog has finished
// and returns its result. Returns `whenAbandoned` when the post fails, and when
// the UI side drops the task or the finish function without calling it (its
// event loop ended, the dialog was destroyed unanswered), so the asking thread
// never waits for a dialog that can no longer answer.
int RunOnUiThreadAndWait(const PostToUiThreadFn& post, OpenDialogFn open, int whenAbandoned);
