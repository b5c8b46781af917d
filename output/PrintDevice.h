#pragma once
// What the print engine needs of a printer: its capabilities, the paper
// forced to A4 portrait for the data sheets, and a document of pages drawn
// on a Canvas. The Qt printer is one; tests draw pages on rasters.
#include "platform/Canvas.h"

#include <string>

namespace output {

// Device capabilities, in device pixels unless named otherwise.
struct DeviceCaps {
    std::string Name;
    int PhysicalWidth = 0, PhysicalHeight = 0;     // the paper
    int PhysicalOffsetX = 0, PhysicalOffsetY = 0;  // the printable area's top left on it
    int HorzRes = 0, VertRes = 0;                  // the printable area
    double HorzSize = 0, VertSize = 0;             // the printable area in millimetres
};

class PrintDevice {
public:
    virtual ~PrintDevice() = default;

    virtual DeviceCaps Caps() = 0;

    // The paper and orientation are kept, then A4 portrait until PopLayout
    // puts them back.
    virtual void PushA4Portrait() = 0;
    virtual void PopLayout() = 0;

    // A document: Begin, then pages drawn on Page() with NewPage between
    // them, then End (false: the output failed; the reason was shown) or
    // Abort (nothing is left behind).
    virtual bool Begin() = 0;   // false: nothing can be printed now
    virtual platform::Canvas& Page() = 0;
    virtual void NewPage() = 0;
    virtual bool End() = 0;
    virtual void Abort() = 0;
};

// A document begun at its first page and aborted unless finished, so that
// a job that fails half-way leaves nothing behind.
class PrintDocument {
public:
    explicit PrintDocument(PrintDevice& device) : device_(device) {}
    ~PrintDocument()
    {
        if (begun_ && !ended_) device_.Abort();
    }
    PrintDocument(const PrintDocument&) = delete;
    PrintDocument& operator=(const PrintDocument&) = delete;

    // The canvas of a fresh page; null when the device refused the document
    // (asked once).
    platform::Canvas* NextPage()
    {
        if (refused_) return nullptr;
        if (!begun_) {
            if (!device_.Begin()) {
                refused_ = true;
                return nullptr;
            }
            begun_ = true;
        } else {
            device_.NewPage();
        }
        ++pages_;
        return &device_.Page();
    }
    int Pages() const { return pages_; }
    // Ends the document when a page was made: false when it failed.
    bool Finish()
    {
        if (!begun_) return pages_ > 0;
        ended_ = true;
        return device_.End();
    }

private:
    PrintDevice& device_;
    bool begun_ = false, ended_ = false, refused_ = false;
    int pages_ = 0;
};

// A4 portrait for its lifetime.
class A4Portrait {
public:
    explicit A4Portrait(PrintDevice& device) : device_(device) { device_.PushA4Portrait(); }
    ~A4Portrait() { device_.PopLayout(); }
    A4Portrait(const A4Portrait&) = delete;
    A4Portrait& operator=(const A4Portrait&) = delete;

private:
    PrintDevice& device_;
};

} // namespace output
