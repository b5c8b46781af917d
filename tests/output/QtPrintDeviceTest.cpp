// The Qt printer: PDF files whole or not at all, the paper forced and put
// back, and a PDF file asked for when the system has no printer.
#include "output/QtPrintDevice.h"

#include "output/PrintEngine.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/MessageBoxes.h"

#include <QPrinterInfo>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;
using output::PrintDocument;
using output::QtPrintDevice;

namespace {

class QtPrinter : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("tessel2-printer-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // Everything in the folder (no temporary file may stay behind).
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

} // namespace

TEST_F(QtPrinter, PdfJobsLeaveAWholeFileOrNone)
{
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);
    enum Ending { Finished, Aborted, Thrown };
    struct Case { const char* name; Ending ending; std::vector<std::string> files; };
    const Case cases[] = {
        {"finished", Finished, {"job.pdf"}},
        {"aborted", Aborted, {}},
        {"thrown", Thrown, {}},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        QtPrintDevice device;
        device.SetPdfFile(dir_ / "job.pdf");
        try {
            PrintDocument document(device);
            platform::Canvas* page = document.NextPage();
            ASSERT_NE(page, nullptr) << c.name;
            page->SetBrushColor(0);
            page->FillRect({100, 100, 2000, 2000});
            // While the job runs, only its temporary file is there.
            ASSERT_EQ(Files().size(), 1u) << c.name;
            EXPECT_NE(Files()[0], "job.pdf") << c.name;
            if (c.ending == Thrown) throw std::runtime_error("out of paper");
            if (c.ending == Finished) {
                EXPECT_TRUE(document.Finish()) << c.name;
            }
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(Files(), c.files) << c.name;
        if (c.ending == Finished) {
            EXPECT_GT(fs::file_size(dir_ / "job.pdf"), 500u);
        }
    }
    EXPECT_TRUE(boxes.shown.empty());
}

// A4 portrait with the minimum (no) margins for a PDF, fractions of a
// millimetre kept; forced and put back around the data sheets.
TEST_F(QtPrinter, CapabilitiesOfThePaper)
{
    QtPrintDevice device;
    device.SetPdfFile(dir_ / "caps.pdf");
    device.Printer().setPageSize(QPageSize(QPageSize::Letter));
    device.Printer().setPageOrientation(QPageLayout::Landscape);
    const output::DeviceCaps letter = device.Caps();
    EXPECT_NEAR(letter.HorzSize, 279.4, 0.01);
    EXPECT_NEAR(letter.VertSize, 215.9, 0.01);
    {
        output::A4Portrait paper(device);
        const output::DeviceCaps a4 = device.Caps();
        EXPECT_NEAR(a4.HorzSize, 210.0, 0.01);
        EXPECT_NEAR(a4.VertSize, 297.0, 0.01);
        EXPECT_NEAR(a4.HorzRes / a4.HorzSize, 1200 / 25.4, 0.05);   // high resolution
        EXPECT_EQ(a4.PhysicalWidth, a4.HorzRes);                      // no margins
        EXPECT_EQ(a4.PhysicalOffsetX, 0);
        EXPECT_EQ(a4.Name, output::PdfPrinterName);
    }
    const output::DeviceCaps back = device.Caps();
    EXPECT_NEAR(back.HorzSize, letter.HorzSize, 0.01);
    EXPECT_EQ(back.HorzRes, letter.HorzRes);
}

// Without a printer queue the job goes to a PDF file the user names;
// cancelling prints nothing and says nothing.
TEST_F(QtPrinter, WithoutAPrinterAPdfFileIsAsked)
{
    if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "this system has a printer queue";
    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scopedBoxes(&boxes);
    platform::FakeFileDialogs dialogs;
    platform::SetFileDialogs(&dialogs);
    dialogs.saveAnswers.push_back({});
    dialogs.saveAnswers.push_back({true, (dir_ / "asked.pdf").string()});
    {
        QtPrintDevice device;
        EXPECT_TRUE(device.PrintsToPdf());
        EXPECT_EQ(device.Caps().Name, output::PdfPrinterName);
        PrintDocument cancelled(device);
        EXPECT_EQ(cancelled.NextPage(), nullptr);
        EXPECT_EQ(cancelled.NextPage(), nullptr);   // asked once
        PrintDocument named(device);
        ASSERT_NE(named.NextPage(), nullptr);
        EXPECT_TRUE(named.Finish());
    }
    platform::SetFileDialogs(nullptr);
    ASSERT_EQ(dialogs.saveRequests.size(), 2u);
    EXPECT_EQ(dialogs.saveRequests[0].title, output::PdfDialogTitle);
    EXPECT_EQ(dialogs.saveRequests[0].suffix, "pdf");
    EXPECT_EQ(Files(), (std::vector<std::string>{"asked.pdf"}));
    EXPECT_TRUE(boxes.shown.empty());
}
