// A face without a window system for tests of the window logic: it records what the
// logic shows and lets a test act where the logic hands control to the face.
#pragma once

#include "ui/FormFace.h"

#include <functional>
#include <map>
#include <string>
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
    }
    void SetBusyCursor(bool) override {}
    // Stands for the operator: OnProcessEvents runs where the window would handle clicks.
    void ProcessEvents(long waitMs) override {
        if (OnProcessEvents) OnProcessEvents(waitMs);
    }
    void PostToSelf(int) override {}
    void CloseSelf() override {}
    void StartTimer(int, long) override {}
    void StopTimer(int) override {}
    void ShowInfo(const std::string& text) override { Shown.push_back(text); }

    std::function<void(long waitMs)> OnProcessEvents;
    std::vector<std::string> Status;  // every text of the status label, in order
    std::vector<std::string> Shown;   // every message shown

private:
    std::map<FormControl, bool> enabled_;
};

}  // namespace harness
