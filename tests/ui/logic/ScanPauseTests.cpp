// The port scan's pause after a pass in which no port could be opened: when it comes,
// and that a stop clicked during it ends the scan before another port is tried.
#include "FakeFace.h"

#include "harness/MemoryPort.h"
#include "reader_link/FrameLayout.h"
#include "ui/BasicCommFrm.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace harness;

namespace {

// A panel whose link opens only the ports `opens` lets through; behind each, something
// answers every frame, though not as a reader would. The ports `denied` are there but
// refuse this user.
class PanelOverPorts : public TBasicCommForm {
public:
    PanelOverPorts(TFormFace& face, std::vector<std::string> opens, std::vector<std::string> denied = {})
        : TBasicCommForm(face), opens_(std::move(opens)), denied_(std::move(denied)) {}

protected:
    std::unique_ptr<TCommClass> MakeCommLink() override {
        return std::make_unique<TCommClass>([this](const std::string& name) {
            platform::OpenResult result;
            if (std::find(denied_.begin(), denied_.end(), name) != denied_.end()) {
                result.error = "permission denied";
                result.failure = platform::OpenFailure::AccessDenied;
                return result;
            }
            if (std::find(opens_.begin(), opens_.end(), name) == opens_.end()) {
                result.error = "no such port";
                result.failure = platform::OpenFailure::NoDevice;
                return result;
            }
            auto shared = std::make_shared<harness::MemoryPort::Shared>();
            shared->responder = [](const std::vector<std::uint8_t>&, std::deque<std::uint8_t>& incoming) {
                const ByteString notAReader = frame::BuildReply({0x01, 0x00, 0x01});
                incoming.insert(incoming.end(), notAReader.begin(), notAReader.end());
            };
            result.port = std::make_unique<harness::MemoryPort>(shared);
            result.device = name;
            return result;
        });
    }

private:
    std::vector<std::string> opens_;
    std::vector<std::string> denied_;
};

std::vector<std::string> OnePass() {
    std::vector<std::string> texts;
    for (int n = 1; n <= 15; ++n) texts.push_back("正在打开com" + std::to_string(n) + "...");
    return texts;
}

}  // namespace

TEST(ScanPause, APassWithoutAnOpenablePortPausesAndAStopDuringThePauseEndsTheScan) {
    FakeFace face;
    PanelOverPorts panel(face, {});
    panel.FormCreate();
    std::vector<long> waits;
    int served = 0;
    face.OnProcessEvents = [&](long waitMs) {
        if (waitMs > 0) {
            waits.push_back(waitMs);
            panel.btnStopOpeningClick();
        }
        if (++served > 100) panel.btnStopOpeningClick();  // no pause at all: end the test
    };
    panel.btnOpenCommClick();

    ASSERT_EQ(waits.size(), 1u);
    EXPECT_LE(waits[0], TBasicCommForm::kEmptyPassPauseMs);
    auto expected = OnePass();
    expected.push_back("用户停止打开");
    EXPECT_EQ(face.Status, expected);
    EXPECT_TRUE(face.IsEnabled(FormControl::btnOpenComm));
    EXPECT_FALSE(face.IsEnabled(FormControl::btnStopOpening));
}

TEST(ScanPause, APassThatOpenedAPortGoesOnWithoutPause) {
    FakeFace face;
    PanelOverPorts panel(face, {"com4"});
    panel.FormCreate();
    long waits = 0;
    face.OnProcessEvents = [&](long waitMs) {
        if (waitMs > 0) ++waits;
        // Stop once the second pass has begun.
        if (std::count(face.Status.begin(), face.Status.end(), "正在打开com1...") == 2) panel.btnStopOpeningClick();
    };
    panel.btnOpenCommClick();

    EXPECT_EQ(waits, 0);
    auto expected = OnePass();
    expected.push_back("正在打开com1...");
    expected.push_back("用户停止打开");
    EXPECT_EQ(face.Status, expected);
    EXPECT_FALSE(panel.CommLink->PortOpen());
}

TEST(ScanPause, PortsThatAllRefuseTheUserAreToldOnceAndTheTextStays) {
    FakeFace face;
    PanelOverPorts panel(face, {}, {"com1", "com3"});
    panel.FormCreate();
    int pauses = 0;
    face.OnProcessEvents = [&](long waitMs) {
        if (waitMs > 0 && ++pauses == 3) panel.btnStopOpeningClick();
    };
    panel.btnOpenCommClick();

    auto expected = OnePass();
    expected.push_back("无权访问串口，请将当前用户加入dialout组后重新登录。");
    expected.push_back("用户停止打开");
    EXPECT_EQ(face.Status, expected) << "told after the first pass, not overwritten by later passes";
}
