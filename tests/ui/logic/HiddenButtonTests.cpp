// The hidden 初始化包号: a click on it (the UI thread) starts nothing; the card
// procedure runs only on the watcher's thread, so it never holds the window.
#include "FakeFace.h"

#include "harness/MemoryPort.h"
#include "ui/MainFrm.h"

#include <gtest/gtest.h>

namespace {

class MainFormOverMemory : public TMainForm {
public:
    using TMainForm::TMainForm;
    std::shared_ptr<harness::MemoryPort::Shared> line = std::make_shared<harness::MemoryPort::Shared>();

protected:
    std::unique_ptr<TCommClass> MakeCommLink() override {
        return std::make_unique<TCommClass>([this](const std::string&) {
            platform::OpenResult result;
            result.port = std::make_unique<harness::MemoryPort>(line);
            return result;
        });
    }
};

}  // namespace

TEST(HiddenInitCardButton, AClickOnTheUiThreadNeitherTalksToTheReaderNorShowsAMessage) {
    harness::FakeFace face;
    MainFormOverMemory form(face);
    form.FormCreate();
    ASSERT_TRUE(form.CommLink->Connect("com3"));
    form.CommLink->SetRetryCount(1);
    form.Click(FormControl::btnInitCard);
    EXPECT_TRUE(form.line->written.empty());
    EXPECT_TRUE(face.Shown.empty());
    form.line->failWrites = true;  // the farewell ends at once
    form.FormDestroy();
}
