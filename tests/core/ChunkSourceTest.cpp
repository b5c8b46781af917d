// A Gerber or drill file that shrinks while it is read is a failed read that
// names the file, never a smaller layer.
#include "core/GerberReader.h"
#include "core/NcDrillReader.h"
#include "platform/Error.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Cuts the file to half its size when the reader first reports progress,
// which it does after it opened the file and before it read from it.
class ShrinkingGauge : public core::Gauge {
public:
    explicit ShrinkingGauge(fs::path file) : file_(std::move(file)) {}
    void SetProgress(long long) override
    {
        if (done_) return;
        done_ = true;
        fs::resize_file(file_, fs::file_size(file_) / 2);
    }

private:
    fs::path file_;
    bool done_ = false;
};

TEST(ChunkSource, FileThatShrinksWhileReadIsRefusedAndTheTablesPutBack)
{
    const fs::path folder = fs::temp_directory_path() / ("tessel2-shrink-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    core::DataFolder = (folder / "DATA").string();
    std::string gerber = "%FSLAX24Y24*%\n%MOMM*%\n%ADD10C,0.5*%\nD10*\n", drill = "M48\nT1C0.8\n%\nT1\n";
    for (int i = 0; i < 20000; ++i) {
        gerber += "X" + std::to_string(10000 + i) + "Y10000D03*\n";
        drill += "X" + std::to_string(1000 + i) + "Y2000\n";
    }
    using Reader = std::function<bool(core::Gauge&, const std::string&, int, core::MyDataValue&)>;
    const struct {
        const char* name;
        const std::string& text;
        Reader read;
    } cases[] = {{"board.gbr", gerber, core::ReadGerberFile}, {"board.drl", drill, core::ReadNcDrillFile}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        core::ResetTables();
        core::GerberFormat = core::MyFormatPara{};
        core::DrillFormat = core::MyFormatPara{};
        core::DrillFormat.NumberFormat = "000.000";
        const fs::path file = folder / c.name;
        platform::WriteFileBytes(file, c.text);
        core::Gauge gauge;
        core::MyDataValue value;
        ASSERT_TRUE(c.read(gauge, file.string(), 1, value));
        const auto count = core::DataCount;
        const auto tool = core::Tools[1];

        ShrinkingGauge shrinking(file);
        try {
            c.read(shrinking, file.string(), 2, value);
            ADD_FAILURE() << "the shrunk file was read";
        } catch (const platform::Error& e) {
            EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
        }
        EXPECT_EQ(fs::file_size(file), c.text.size() / 2);
        EXPECT_EQ(core::DataCount, count);
        EXPECT_EQ(core::Tools[1].Hits, tool.Hits);
        EXPECT_EQ(value.Count, 0);
    }
    core::ResetTables();
    std::error_code ec;
    fs::remove_all(folder, ec);
}

} // namespace
