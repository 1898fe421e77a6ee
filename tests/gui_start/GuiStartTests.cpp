// The window program's start: its options, and --dir making the folder the working
// directory (or refusing a folder that cannot be one) before the toolkit starts.
#include "gui_start/GuiStart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct ParseRow {
    std::vector<std::string> args;
    bool ok;
    std::string dir;
    bool trace;
    std::string error;
    ToolkitOptions toolkit = ToolkitOptions::PassedOn;
};

class GuiStartFolder : public ::testing::Test {
protected:
    void SetUp() override {
        before_ = fs::current_path();
        root_ = fs::temp_directory_path() / ("cardfmt-gui-start-" + std::to_string(std::random_device{}()));
        fs::create_directories(root_ / "Water Control");
        std::ofstream(root_ / "a-file") << "x";
    }
    void TearDown() override {
        fs::current_path(before_);
        fs::remove_all(root_);
    }

    // Runs PrepareGuiStart over `args` as the program would get them.
    std::optional<int> Prepare(std::vector<std::string> args) {
        args.insert(args.begin(), "cardfmt-gui");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return PrepareGuiStart(static_cast<int>(args.size()), argv.data(), options, out, err);
    }

    fs::path before_;
    fs::path root_;
    GuiStartOptions options;
    std::ostringstream out, err;
};

}  // namespace

TEST(GuiStartOptions, ParsesOwnOptionsAndLeavesTheToolkitsAlone) {
    const std::vector<ParseRow> rows = {
        {{}, true, "", false, ""},
        {{"--dir", "/srv/wc"}, true, "/srv/wc", false, ""},
        {{"--dir=/srv/wc", "--trace"}, true, "/srv/wc", true, ""},
        {{"-platform", "offscreen", "--dir", "x y"}, true, "x y", false, ""},
        {{"--dir"}, false, "", false, "--dir needs a folder"},
        {{"--dir="}, false, "", false, "--dir needs a folder"},
        {{"--dir", "a", "--dir", "b"}, false, "", false, "--dir given twice"},
        // Without a toolkit (the Win32 program) nothing else may take an argument.
        {{"--dir", "/srv/wc", "--trace"}, true, "/srv/wc", true, "", ToolkitOptions::None},
        {{"--trace", "-platform", "offscreen"}, false, "", false, "unknown argument: -platform", ToolkitOptions::None},
    };
    for (const ParseRow& row : rows) {
        std::string error;
        auto parsed = ParseGuiStartOptions(row.args, error, row.toolkit);
        ASSERT_EQ(parsed.has_value(), row.ok) << ::testing::PrintToString(row.args);
        if (!row.ok) {
            EXPECT_EQ(error, row.error) << ::testing::PrintToString(row.args);
            continue;
        }
        EXPECT_EQ(parsed->dir, row.dir) << ::testing::PrintToString(row.args);
        EXPECT_EQ(parsed->trace, row.trace) << ::testing::PrintToString(row.args);
    }
}

TEST_F(GuiStartFolder, DirBecomesTheWorkingDirectory) {
    const fs::path target = root_ / "Water Control";
    EXPECT_EQ(Prepare({"--dir", target.string()}), std::nullopt) << err.str();
    EXPECT_TRUE(fs::equivalent(fs::current_path(), target));
    EXPECT_EQ(err.str(), "");
}

TEST_F(GuiStartFolder, MissingFolderOrAFileEndsTheProgramWithTheReason) {
    const fs::path missing = root_ / "no-such-folder";
    EXPECT_EQ(Prepare({"--dir", missing.string()}), 2);
    EXPECT_EQ(err.str(), "cardfmt-gui: --dir: no such folder: " + missing.string() + "\n");
    EXPECT_EQ(fs::current_path(), before_);

    err.str("");
    const fs::path file = root_ / "a-file";
    EXPECT_EQ(Prepare({"--dir", file.string()}), 2);
    EXPECT_EQ(err.str(), "cardfmt-gui: --dir: not a folder: " + file.string() + "\n");
    EXPECT_EQ(fs::current_path(), before_);
}

TEST_F(GuiStartFolder, HelpEndsBeforeTheFolderIsEntered) {
    EXPECT_EQ(Prepare({"--dir", (root_ / "Water Control").string(), "--help"}), 0);
    EXPECT_NE(out.str().find("--dir FOLDER"), std::string::npos);
    EXPECT_EQ(fs::current_path(), before_);
}
