// Printing through a real printer queue: a private cupsd of the test's own,
// on its own socket, with a cups-pdf queue; the dialog's print button sends
// the board to it, and the PDF the queue writes is found and measured.
#include "core/Datas.h"
#include "main/MainHooks.h"
#include "main/OpenCommands.h"
#include "main/PrintCommand.h"
#include "output/FormPrint.h"
#include "output/PrintEngine.h"
#include "platform/ProgramPaths.h"
#include "platform/qt/MessageBoxes.h"
#include "tests/output/PdfPages.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace mainwin;

namespace {

constexpr const char* Cupsd = "/usr/sbin/cupsd";
constexpr const char* Backend = "/usr/lib/cups/backend/cups-pdf";
constexpr const char* Ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
constexpr const char* Queue = "tessel2pdf";

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

// A cupsd with one cups-pdf queue, listening on a socket in `dir` only.
class PrivateCups {
public:
    explicit PrivateCups(const fs::path& dir) : dir_(dir), socket_((dir / "cups.sock").string()) {}
    ~PrivateCups()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    const std::string& Socket() const { return socket_; }

    bool Start()
    {
        for (const char* sub : {"root/ppd", "spool/tmp", "cache", "state", "log"}) fs::create_directories(dir_ / sub);
        // The filters run as the lp user: they must reach the spool, through
        // the folder the test made too.
        constexpr fs::perms open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec;
        fs::permissions(dir_.parent_path(), open);
        fs::permissions(dir_, open);
        for (const auto& e : fs::recursive_directory_iterator(dir_)) fs::permissions(e.path(), open);
        WriteText(dir_ / "root/cupsd.conf", "Listen " + socket_ +
                                                "\nBrowsing Off\nBrowseLocalProtocols none\nDefaultAuthType None\n"
                                                "WebInterface No\nLogLevel info\n"
                                                "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                                "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
        const std::string d = dir_.string();
        WriteText(dir_ / "root/cups-files.conf", "ServerRoot " + d + "/root\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                                                     "RequestRoot " + d + "/spool\nTempDir " + d + "/spool/tmp\nCacheDir " + d +
                                                     "/cache\nStateDir " + d + "/state\nAccessLog " + d + "/log/access_log\n"
                                                     "ErrorLog " + d + "/log/error_log\nPageLog " + d + "/log/page_log\n");
        fs::copy_file(Ppd, dir_ / "root/ppd" / (std::string(Queue) + ".ppd"));
        WriteText(dir_ / "root/printers.conf", "<DefaultPrinter " + std::string(Queue) +
                                                   ">\nInfo Tessel2 test\nDeviceURI cups-pdf:/\nState Idle\nAccepting Yes\n"
                                                   "Shared No\n</DefaultPrinter>\n");
        pid_ = ::fork();
        if (pid_ == 0) {
            const std::string conf = d + "/root/cupsd.conf", files = d + "/root/cups-files.conf";
            ::execl(Cupsd, Cupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (pid_ < 0) return false;
        const std::string probe = "lpstat -h '" + socket_ + "' -p " + Queue + " >/dev/null 2>&1";
        for (int k = 0; k < 200; ++k) {
            if (std::system(probe.c_str()) == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    std::string ErrorLog() const
    {
        std::ifstream in(dir_ / "log/error_log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    fs::path dir_;
    std::string socket_;
    pid_t pid_ = -1;
};

// Where cups-pdf puts a user's files: the "Out" of its settings, ${HOME}
// and ${USER} those of the user printing.
fs::path CupsPdfFolder()
{
    std::string out = "/var/spool/cups-pdf/${USER}";
    std::ifstream in("/etc/cups/cups-pdf.conf");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Out ", 0) == 0) out = line.substr(4);
    const passwd* user = ::getpwuid(::geteuid());
    auto replace = [&](const std::string& key, const std::string& value) {
        for (std::size_t at; (at = out.find(key)) != std::string::npos;) out.replace(at, key.size(), value);
    };
    replace("${HOME}", user ? user->pw_dir : "");
    replace("${USER}", user ? user->pw_name : "");
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    return out;
}

} // namespace

TEST(PrintCups, TheBoardReachesAPdfQueue)
{
    if (!fs::exists(Cupsd)) GTEST_SKIP() << "cupsd is not installed (Debian package cups)";
    if (!fs::exists(Backend) || !fs::exists(Ppd)) GTEST_SKIP() << "cups-pdf is not installed (Debian package printer-driver-cups-pdf)";
    if (::geteuid() != 0) GTEST_SKIP() << "the cups-pdf backend runs only under a cupsd started as root";
    if (!pdfpages::HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";

    QTemporaryDir work;
    const fs::path root = work.path().toStdString();
    PrivateCups cups(root / "cups");
    ASSERT_TRUE(cups.Start()) << cups.ErrorLog();
    // Before any printer is looked at in this process.
    setenv("CUPS_SERVER", cups.Socket().c_str(), 1);

    setenv("TESSEL2_HOME", (root / "home").c_str(), 1);
    platform::ResetProgramFolder();
    core::DataFolder = (root / "home" / "DATA").string();
    fs::create_directories(core::DataFolder);
    ClearAllData(true);
    MyOpenFiles list = MakeOpenList({(fs::path(TESSEL2_CORPUS) / "cad/eagle-newer/profile.gbr").string()}, 0);
    ASSERT_EQ(OpenFileListRun(list), 1);

    output::TFormPrint form;
    ASSERT_FALSE(form.Device().PrintsToPdf());
    const std::string title = "tessel2-cups-" + std::to_string(::getpid());
    form.Device().Printer().setDocName(QString::fromStdString(title));
    const fs::path folder = CupsPdfFolder();
    // What the queue writes goes again, and its folder if the test made it.
    struct Tidy {
        fs::path folder, pdf;
        bool existed;
        ~Tidy()
        {
            std::error_code ec;
            if (!pdf.empty()) fs::remove(pdf, ec);
            if (!existed) fs::remove(folder, ec);   // only when empty
        }
    } tidy{folder, {}, fs::exists(folder)};
    SaveViewRecord(fs::path(core::DataFolder) / output::DataAreaFile);
    form.FormShow();
    form.show();
    EXPECT_EQ(output::PrintSettings.PrinterName, Queue);

    platform::FakeMessageBoxes boxes;
    platform::ScopedMessageBoxes scoped(&boxes);
    form.swEnter->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, std::string("プリンター「") + Queue + "」に\n\r1 ページ分のデータを送ります。\n\rよろしいですか？");

    // The queue converts and writes the file in its own time.
    fs::path pdf;
    for (int k = 0; k < 600 && pdf.empty(); ++k) {
        std::error_code ec;
        if (fs::exists(folder, ec))
            for (const auto& e : fs::directory_iterator(folder, ec))
                if (e.path().filename().string().rfind(title, 0) == 0 && e.path().extension() == ".pdf") pdf = e.path();
        if (pdf.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_FALSE(pdf.empty()) << "no PDF from the queue in " << folder << "\n" << cups.ErrorLog();
    tidy.pdf = pdf;
    // Written whole before it is read.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(pdfpages::PageCount(pdf.string()), 1);
    const pdfpages::Page page = pdfpages::Raster(pdf.string(), 1, root);
    ASSERT_GT(page.w, 0);
    // The board outline's bottom track, 62.21 mm.
    EXPECT_NEAR(pdfpages::InkBox(page).Width(), 62.21, 0.5);
    form.hide();
    ClearAllData(true);
    platform::ResetProgramFolder();
}
