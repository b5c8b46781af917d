// tessel2-probe: a command-line tool for tests and benchmarks. Loads files
// through the reader entry points of the open command, each file as the next
// layer, and prints what was read. Its output is kept stable.
//
//   tessel2-probe info FILE... [--as drill|gerber]
//     one line per file: <name>\tkind=<k>\telements=<n>\textents=<minx>,<maxx>,<miny>,<maxy>
//     and, for a drill file (kind 2), \ttools=<tools drilled>\thits=<hits>
//     then reports=<number of report lines>, then the aperture report's
//     lines; a project (".tsn") is one line for all its layers. Each file
//     not read is named on stderr with why.
//     --as (also for render and save): every file is read as that kind where
//     detection cannot decide, and refused when it is of another kind, as
//     the open dialog's filters "NCドリルデータ" and "ガーバーデータ" do
//
//   tessel2-probe render OUT.png WIDTH HEIGHT FILE... [--zoom Z] [--centre X,Y]
//                 [--mirror] [--outline] [--drill-letters] [--as drill|gerber]
//     every file a shown layer, the view fitted to the picture, the picture
//     written as PNG; prints scale=<px per mm> origin=<x>,<y> left=<x> top=<y>
//
//   tessel2-probe print OUT.pdf FILE... [--scale P] [--mirror] [--offset X,Y]
//                 [--mode 0..3] [--sheets gerber,drill,aperture]
//     every file a shown layer with its own page letter, printed through the
//     print engine into a PDF file (A4 portrait, minimum margins); with
//     --sheets the chosen data sheets instead; prints pages=<n>
//     scale=<x>,<y> (device pixels per mm)
//
//   tessel2-probe save OUT.tsn FILE... [--as drill|gerber]
//     the job made of the files, as the open command leaves it, written as a
//     project file; prints layers=<n> elements=<n> bytes=<file size>
//
//   tessel2-probe drc [--width LAYER=MM]... [--angle LAYER]...
//                 [--top RESIST,SILK,GAP] [--bottom RESIST,SILK,GAP] FILE...
//     the design-rule check with only those rules on, the files the layers in
//     order; one line per error <type>\t<layer>\t<x>\t<y>\t<message>, then
//     errors=<n>
//
//   tessel2-probe gap FILE... --at X1,Y1 --to X2,Y2
//     the clearance between the elements nearest the two points:
//     gap=<mm> a=<x>,<y> b=<x>,<y>, or gap=none
//
//   tessel2-probe export DIR FILE...
//     the job made of the files, every layer shown on the page letter it was
//     loaded with, written into DIR as the earlier edition's project files
//     (".tso", one per page letter) with "TsoList.pra" naming them; prints
//     one line per file: <name>\tpage=<letter>\tlayers=<n>\tbytes=<file size>
#include "ProbeDrc.h"
#include "ProbeExport.h"
#include "ProbeLoad.h"
#include "ProbePrint.h"
#include "ProbeRender.h"
#include "ProbeSave.h"

#include "core/Datas.h"
#include "platform/Error.h"
#include "platform/ProgramPaths.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

void Print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

// A work folder of its own, so that probes running side by side do not share
// macro files; removed at exit.
struct WorkFolder {
    fs::path path;
    WorkFolder()
    {
        path = fs::temp_directory_path() / ("tessel2-probe-" + std::to_string(::getpid()));
        fs::create_directories(path);
        core::DataFolder = path.string();
    }
    ~WorkFolder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

int Info(std::vector<std::string> files)
{
    int chosen = core::fkAuto;
    if (!probe::TakeChosenKind(files, chosen)) return 2;
    int status = 0;
    core::MyExtents job;
    job.MinX = job.MinY = 1500;
    job.MaxX = job.MaxY = -1500;
    bool anyRead = false;
    for (const std::string& file : files) {
        const std::string name = fs::path(file).filename().string();
        if (core::LayerCount >= core::MaxLayers) {
            std::fprintf(stderr, "%s: more than 26 layers\n", name.c_str());
            status = 1;
            continue;
        }
        probe::LoadResult r = probe::LoadLayerFile(file, core::LayerCount + 1, chosen);
        if (!r.error.empty()) std::fprintf(stderr, "%s: %s\n", name.c_str(), r.error.c_str());
        // A file the open would refuse fails the run, as it does for render.
        if (!r.read) status = 1;
        const core::MyDataValue& v = r.value;
        if (r.read) {
            anyRead = true;
            core::MergeExtents(job, v);
        }
        std::string line = name + "\tkind=" + std::to_string(r.kind) + "\telements=" + std::to_string(v.Count) +
                           "\textents=" + probe::Fixed4(v.MinX) + "," + probe::Fixed4(v.MaxX) + "," + probe::Fixed4(v.MinY) + "," +
                           probe::Fixed4(v.MaxY);
        if (r.kind == core::fkNcDrill)
            line += "\ttools=" + std::to_string(r.read ? probe::ToolsOfLastHits(v.Count) : 0) +
                    "\thits=" + std::to_string(r.read ? v.Count : 0);
        Print(line);
    }
    // The job as a whole, as the open checks it: data that spans nothing
    // (flashes of apertures that draw nothing) is refused there too.
    if (anyRead && !core::DataRangeAcceptable(job)) {
        const std::string text = core::DataRangeErrorText;
        std::fprintf(stderr, "%s\n", text.substr(0, text.find('\n')).c_str());
        status = 1;
    }
    probe::FinishLoading();
    Print("reports=" + std::to_string(core::ReportCount));
    for (std::int32_t i = 0; i < core::ReportCount && i < static_cast<std::int32_t>(core::ReportLines.size()); ++i)
        Print(core::ReportLines[static_cast<std::size_t>(i)]);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fprintf(stderr, "usage: tessel2-probe info FILE... [--as drill|gerber]\n"
                             "       tessel2-probe render OUT.png WIDTH HEIGHT FILE... [options]\n"
                             "       tessel2-probe print OUT.pdf FILE... [options]\n"
                             "       tessel2-probe save OUT.tsn FILE... [--as drill|gerber]\n"
                             "       tessel2-probe drc [options] FILE...\n       tessel2-probe gap FILE... --at X1,Y1 --to X2,Y2\n"
                             "       tessel2-probe export DIR FILE...\n");
        return 2;
    }
    core::ResetTables();
    WorkFolder work;
    const std::string verb = args[0];
    args.erase(args.begin());
    // A failure no verb handles is reported, as the window reports it.
    try {
        if (verb == "info") return Info(args);
        if (verb == "render") return probe::Render(args);
        if (verb == "print") return probe::PrintToPdf(args);
        if (verb == "save") return probe::Save(args);
        if (verb == "drc") return probe::Drc(args);
        if (verb == "gap") return probe::Gap(args);
        if (verb == "export") return probe::Export(args);
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "unknown verb: %s\n", verb.c_str());
    return 2;
}
