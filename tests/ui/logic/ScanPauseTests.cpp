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
// answers every frame, though not as a reader would, except behind `reader`. The ports
// `denied` are there but refuse this user; those in `held`, another program holds.
class PanelOverPorts : public TBasicCommForm {
public:
    PanelOverPorts(TFormFace& face, std::vector<std::string> opens, std::vector<std::string> denied = {})
        : TBasicCommForm(face), opens_(std::move(opens)), denied_(std::move(denied)) {}

    std::vector<std::string> held;
    std::string reader;

protected:
    std::unique_ptr<TCommClass> MakeCommLink() override {
        return std::make_unique<TCommClass>([this](const std::string& name) {
            platform::OpenResult result;
            if (std::find(denied_.begin(), denied_.end(), name) != denied_.end()) {
                result.error = "permission denied";
                result.failure = platform::OpenFailure::AccessDenied;
                return result;
            }
            if (std::find(held.begin(), held.end(), name) != held.end()) {
                result.error = "in use";
                result.failure = platform::OpenFailure::InUse;
                return result;
            }
            if (std::find(opens_.begin(), opens_.end(), name) == opens_.end()) {
                result.error = "no such port";
                result.failure = platform::OpenFailure::NoDevice;
                return result;
            }
            auto shared = std::make_shared<harness::MemoryPort::Shared>();
            const std::uint8_t probeAnswer = name == reader ? 0x00 : 0x01;
            shared->responder = [probeAnswer](const std::vector<std::uint8_t>&, std::deque<std::uint8_t>& incoming) {
                const ByteString answer = frame::BuildReply({0x01, 0x00, probeAnswer});
                incoming.insert(incoming.end(), answer.begin(), answer.end());
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

// Why no pass finds the reader, when the ports say it: every port refuses the user
// (the dialout group), or another program (the water-control software, a second copy
// of this tool) holds the reader's port. Said once after the first pass, in place of
// the endless "正在打开..." texts, and not overwritten by later passes; the scan goes on.
TEST(ScanPause, WhyNoPassFindsTheReaderIsToldOnceAndTheTextStays) {
    const struct {
        const char* what;
        std::vector<std::string> denied, held;
        const char* told;
    } rows[] = {
        {"every port refuses the user", {"com1", "com3"}, {}, "无权访问串口，请将当前用户加入dialout组后重新登录。"},
        {"another program holds a port", {}, {"com3", "com7"}, "com3被其他程序占用"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        FakeFace face;
        PanelOverPorts panel(face, {}, row.denied);
        panel.held = row.held;
        panel.FormCreate();
        int misses = 0;
        face.OnProcessEvents = [&](long waitMs) {
            if (waitMs == 0 && ++misses == 3 * 15) panel.btnStopOpeningClick();  // in the third pass
        };
        panel.btnOpenCommClick();

        auto expected = OnePass();
        expected.push_back(row.told);
        expected.push_back("用户停止打开");
        EXPECT_EQ(face.Status, expected);
    }
}

// Once the other program lets go of the port, the scan opens it and finds the reader.
TEST(ScanPause, AHeldPortThatIsFreedIsOpenedAndTheReaderFound) {
    FakeFace face;
    PanelOverPorts panel(face, {"com3"});
    panel.held = {"com3"};
    panel.reader = "com3";
    panel.FormCreate();
    int misses = 0;
    face.OnProcessEvents = [&](long waitMs) {
        if (!face.Status.empty() && face.Status.back() == "com3被其他程序占用") panel.held.clear();
        if (waitMs == 0 && ++misses > 100) panel.btnStopOpeningClick();  // never found: end the test
    };
    panel.btnOpenCommClick();

    auto expected = OnePass();
    expected.push_back("com3被其他程序占用");
    expected.push_back("com3已打开...");
    EXPECT_EQ(face.Status, expected);
    EXPECT_TRUE(panel.CommLink->PortOpen());
    EXPECT_TRUE(face.IsEnabled(FormControl::btnStopComm));
    panel.CommLink->Disconnect();
}
