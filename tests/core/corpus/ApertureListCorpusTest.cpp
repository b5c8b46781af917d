// Aperture lists written by other CAM tools: every D-code line is taken,
// whatever the separators, and a file without D-code lines changes nothing.
#include "core/ProgramSettings.h"

#include "platform/Error.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

using namespace core;
namespace fs = std::filesystem;

namespace {

const fs::path Corpus = TESSEL2_CORPUS;

// The D-codes 10..999 that begin a line of the file ("D" and digits, then a
// blank, a tab or a comma).
std::set<int> DCodeLines(const fs::path& file)
{
    std::set<int> codes;
    std::istringstream in(platform::ReadFileBytes(file));
    std::string text;
    while (std::getline(in, text)) {
        std::size_t i = text.find_first_not_of(" \t");
        if (i == std::string::npos || text[i] != 'D') continue;
        std::size_t j = i + 1;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
        if (j == i + 1 || j - i - 1 > 3 || j >= text.size()) continue;
        if (text[j] != ' ' && text[j] != '\t' && text[j] != ',') continue;
        int n = std::stoi(text.substr(i + 1, j - i - 1));
        if (n >= 10) codes.insert(n);
    }
    return codes;
}

TEST(ApertureListCorpus, ListsOfOtherTools)
{
    const fs::path lists[] = {
        Corpus / "features/boards/ekf/ekf.gap",
        Corpus / "features/boards/protel-pnp/SE_SG_IF_V2.apr",
        Corpus / "cad/altium-composite-drill/Gerber/LimeSDR-QPCIe_1v2.apr",
    };
    for (const fs::path& file : lists) {
        SCOPED_TRACE(file.string());
        std::set<int> expected = DCodeLines(file);
        ASSERT_FALSE(expected.empty());
        auto table = std::make_unique<MyApertureTable>();
        std::int32_t highest = 0;
        ASSERT_TRUE(ReadDcodeList(file.string(), *table, highest));
        EXPECT_EQ(highest, *expected.rbegin());
        for (int d = 0; d <= MaxApertureCode; ++d)
            EXPECT_EQ((*table)[static_cast<std::size_t>(d)].Used, expected.count(d) ? 1 : 0) << "D" << d;
    }

    // The first lines of ekf.gap, sizes as the list gives them: its shape
    // words are none of ours, so the D-codes are in use without a shape.
    auto table = std::make_unique<MyApertureTable>();
    std::int32_t highest = 0;
    ASSERT_TRUE(ReadDcodeList((Corpus / "features/boards/ekf/ekf.gap").string(), *table, highest));
    EXPECT_EQ((*table)[10].Shape, apNone);
    EXPECT_EQ((*table)[10].Size1, 4.0);
    EXPECT_EQ((*table)[10].Size2, 0.102);
    EXPECT_EQ((*table)[10].Size3, 0.0);
}

TEST(ApertureListCorpus, TableWithoutDCodeLinesIsNoList)
{
    // Numbers without the "D": not a list this program reads.
    auto table = std::make_unique<MyApertureTable>();
    (*table)[10] = MyAperture{1, apCircle, 0.1, 0, 0, "", 0, 0, ""};
    std::int32_t highest = 10;
    EXPECT_FALSE(ReadDcodeList((Corpus / "features/boards/ekf/ekf_08.apt").string(), *table, highest));
    EXPECT_EQ(highest, 10);
    EXPECT_EQ((*table)[10].Shape, apCircle);
}

TEST(ApertureListCorpus, EveryCorpusFileReadsAsAListWithoutHarm)
{
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(Corpus, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        SCOPED_TRACE(it->path().string());
        auto table = std::make_unique<MyApertureTable>();
        std::int32_t highest = 0;
        bool ok = false;
        try {
            ok = ReadDcodeList(it->path().string(), *table, highest);
        } catch (const platform::Error&) {
            // A "D" line whose sizes are no numbers (a part "D100" of a
            // placement list): refused as a whole.
        }
        EXPECT_EQ(ok, highest >= 10);
        EXPECT_LT(highest, 1000);
    }
}

} // namespace
