// A face without a window system for tests of the window logic: it records what the
// logic shows and lets a test act where the logic hands control to the face.
#pragma once

#include "ui/FormFace.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace harness {

class FakeFace : public TFormFace {
public:
    void SetEnabled(FormControl control, bool enabled) override { enabled_[control] = enabled; }
    bool IsEnabled(FormControl control) const override {
        auto it = enabled_.find(control);
        return it != enabled_.end() && it->second;
    }
    void SetText(FormControl control, const std::string& text) override {
        if (control == FormControl::lblComStatTips) Status.push_back(text);
        if (control == FormControl::btnStartInit) StartInitCaption = text;
    }
    void SetBusyCursor(bool) override {}
    // Stands for the operator: OnProcessEvents runs where the window would handle clicks.
    void ProcessEvents(long waitMs) override {
        if (OnProcessEvents) OnProcessEvents(waitMs);
    }
    // Any thread; the test hands the message to the window (TakePosted).
    void PostToSelf(int message) override {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(message);
    }
    std::vector<int> TakePosted() {
        std::lock_guard lock(postedMutex_);
        return std::exchange(posted_, {});
    }
    void CloseSelf() override { ++CloseRequests; }
    void StartTimer(int id, long intervalMs) override { Timers[id] = intervalMs; }
    void StopTimer(int id) override { Timers.erase(id); }
    void ShowInfo(const std::string& text) override { Shown.push_back(text); }

    std::function<void(long waitMs)> OnProcessEvents;
    std::vector<std::string> Status;  // every text of the status label, in order
    std::vector<std::string> Shown;   // every message shown
    std::string StartInitCaption;
    int CloseRequests = 0;
    std::map<int, long> Timers;  // the running timers and their intervals

private:
    std::map<FormControl, bool> enabled_;
    std::mutex postedMutex_;
    std::vector<int> posted_;
};

}  // namespace harness
