#include "ui/DialogHandOver.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>

namespace {

struct Outcome {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    int result = 0;
    std::exception_ptr error;

    void Finish(int value, std::exception_ptr failure) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            if (done) return;
            done = true;
            result = value;
            error = std::move(failure);
        }
        finished.notify_all();
    }
};

// Held by the posted task and by the finish function; when the last of them
// goes without an answer, the asking thread is let go with `whenAbandoned`.
struct Ticket {
    Ticket(std::shared_ptr<Outcome> shared, int abandoned) : outcome(std::move(shared)), whenAbandoned(abandoned) {}
    Ticket(const Ticket&) = delete;
    Ticket& operator=(const Ticket&) = delete;
    ~Ticket() { outcome->Finish(whenAbandoned, nullptr); }

    std::shared_ptr<Outcome> outcome;
    int whenAbandoned;
};

}  // namespace

int RunOnUiThreadAndWait(const PostToUiThreadFn& post, OpenDialogFn open, int whenAbandoned) {
    auto outcome = std::make_shared<Outcome>();
    {
        auto ticket = std::make_shared<Ticket>(outcome, whenAbandoned);
        auto task = [ticket, open = std::move(open)] {
            try {
                open([ticket](int result) { ticket->outcome->Finish(result, nullptr); });
            } catch (...) {
                ticket->outcome->Finish(0, std::current_exception());
            }
        };
        if (!post(std::move(task))) return whenAbandoned;
    }
    std::unique_lock<std::mutex> lock(outcome->mutex);
    outcome->finished.wait(lock, [&] { return outcome->done; });
    if (outcome->error) std::rethrow_exception(outcome->error);
    return outcome->result;
}
