// The settings files of real jobs: each corpus job's apertures, tools and
// layers written by both editions and read back, and the board values taken
// from each of its layers against the layer's extents.
#include "core/FolderSettings.h"
#include "tests/PrivateHome.h"

#include "core/Geometry.h"
#include "tests/core/CorpusJob.h"
#include "tests/core/FolderSettingsSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace core;
namespace fs = std::filesystem;

namespace {

const fs::path Corpus = TESSEL2_CORPUS;

TEST(FolderSettingsCorpus, JobsReadBackWhatWasWritten)
{
    const fs::path out = tessel2test::PrivateFolder() / ("tessel2-folder-corpus-" + std::to_string(::getpid()));
    fs::create_directories(out);
    int jobs = 0, dcodes = 0, tools = 0, boards = 0;
    for (const auto& top : fs::directory_iterator(Corpus / "cad")) {
        if (top.path().filename() == "altium-composite-drill") continue;   // large; nothing new here
        SCOPED_TRACE(top.path().filename().string());
        corpusjob::ReadJob(top.path());
        ASSERT_GE(LayerCount, 1);
        ++jobs;

        // Board values: a layer's extents, unrounded; a drill layer has none
        // and leaves them.
        DrillFormat.OffsetX = 1.5;
        for (int k = 1; k <= LayerCount; ++k) {
            ProjectBasics = MyBasicSet{};
            ProjectBasics.BoardWidth = -1;
            MyBox box;
            LayerExtents(k, box);
            const bool extent = box[0] <= box[1] && box[2] <= box[3];
            EXPECT_EQ(SetBoardFromFileExtents(k), extent) << k;
            EXPECT_TRUE(extent || LayerTable[k].FileKind == fkNcDrill) << k;
            boards += extent;
            const MyBasicSet& b = ProjectBasics;
            if (!extent) {
                EXPECT_EQ(b.BoardWidth, -1) << k;
                continue;
            }
            EXPECT_EQ(std::vector<double>({b.BoardWidth, b.BoardHeight, b.BoardLeft, b.BoardBottom, b.NcLeft, b.NcBottom}),
                      std::vector<double>({box[1] - box[0], box[3] - box[2], box[0], box[2], box[0] - 1.5, box[2]}))
                << k;
        }

        const auto job = TakeSnapshot();
        for (const bool old : {false, true}) {
            RestoreSnapshot(*job);
            foldertest::ExpectReadBack(old, out);
        }
        dcodes += job->maxDCode;
        tools += job->toolCount;
    }
    EXPECT_GE(jobs, 8);
    EXPECT_GE(dcodes, 500);
    EXPECT_GE(tools, 50);
    EXPECT_GE(boards, 50);
    // Nothing loaded: nothing to take.
    ResetTables();
    EXPECT_FALSE(SetBoardFromFileExtents(1));
    std::error_code ec;
    fs::remove_all(out, ec);
}

} // namespace
