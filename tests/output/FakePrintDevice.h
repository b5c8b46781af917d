#pragma once
// A print device whose pages are rasters, recording what the engine asks of it.
#include "output/PrintDevice.h"
#include "platform/RasterCanvas.h"

#include <deque>
#include <string>
#include <vector>

namespace printtest {

class FakePrintDevice final : public output::PrintDevice {
public:
    output::DeviceCaps caps;      // what Caps() gives while the paper is the printer's
    output::DeviceCaps a4;        // what it gives while forced to A4 portrait
    bool refuse = false;          // Begin answers false
    std::vector<std::string> calls;
    std::deque<platform::RasterCanvas> pages;

    FakePrintDevice()
    {
        // 10 pixels per millimetre on a 100 × 150 mm page, all printable.
        caps = {"fake", 1000, 1500, 0, 0, 1000, 1500, 100.0, 150.0};
        a4 = {"fake", 2100, 2970, 0, 0, 2100, 2970, 210.0, 297.0};
    }

    output::DeviceCaps Caps() override { return layouts_ > 0 ? a4 : caps; }
    void PushA4Portrait() override
    {
        ++layouts_;
        calls.push_back("push");
    }
    void PopLayout() override
    {
        --layouts_;
        calls.push_back("pop");
    }
    bool Begin() override
    {
        calls.push_back("begin");
        if (refuse) return false;
        AddPage();
        return true;
    }
    platform::Canvas& Page() override { return pages.back(); }
    void NewPage() override
    {
        calls.push_back("page");
        AddPage();
    }
    bool End() override
    {
        calls.push_back("end");
        return true;
    }
    void Abort() override { calls.push_back("abort"); }

private:
    void AddPage()
    {
        const output::DeviceCaps c = Caps();
        pages.emplace_back(c.HorzRes, c.VertRes, 0xFFFFFF);
    }
    int layouts_ = 0;
};

} // namespace printtest
