#include "platform/qt/Shell.h"

#include "platform/Error.h"
#include "platform/TextFile.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QStringList>

#include <cstdlib>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

fs::path EnvFolder(const char* var, const char* fallback)
{
    if (const char* v = std::getenv(var); v && *v && fs::path(v).is_absolute()) return v;
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / fallback;
}

fs::path MimePackageFile() { return UserDataHome() / "mime" / "packages" / "tessel2.xml"; }
fs::path DesktopEntryFile() { return UserDataHome() / "applications" / DesktopEntryId; }
fs::path IconFile() { return UserDataHome() / "icons" / "hicolor" / "256x256" / "apps" / (std::string(IconName) + ".png"); }
fs::path MimeAppsFile() { return UserConfigHome() / "mimeapps.list"; }

bool WriteFile(const fs::path& path, const std::string& bytes)
{
    try {
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        WriteFileBytes(path, bytes);
        return true;
    } catch (const Error&) {
        return false;
    }
}

std::string ReadOrEmpty(const fs::path& path)
{
    std::error_code ec;
    if (!fs::exists(path, ec)) return {};
    try {
        return ReadFileBytes(path);
    } catch (const Error&) {
        return {};
    }
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t p = text.find('\n', start);
        if (p == std::string::npos) p = text.size();
        std::string line = text.substr(start, p - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = p + 1;
    }
    return lines;
}

const std::string DefaultSection = "[Default Applications]";

// The user's mimeapps.list with our type's default set to `value`, or the
// line removed when `value` is empty. Other lines stay as they were.
std::string EditMimeApps(const std::string& text, const std::string& value)
{
    const std::string key = std::string(TsnMimeType) + "=";
    std::vector<std::string> lines = Lines(text);
    std::vector<std::string> out;
    bool inDefault = false, sectionSeen = false, written = false;
    for (const std::string& line : lines) {
        if (!line.empty() && line.front() == '[') {
            if (inDefault && !written && !value.empty()) {
                out.push_back(key + value);
                written = true;
            }
            inDefault = line == DefaultSection;
            sectionSeen = sectionSeen || inDefault;
            out.push_back(line);
            continue;
        }
        if (inDefault && line.rfind(key, 0) == 0) {
            if (!value.empty() && !written) {
                out.push_back(key + value);
                written = true;
            }
            continue;
        }
        out.push_back(line);
    }
    if (!value.empty() && !written) {
        if (!sectionSeen) {
            if (!out.empty() && !out.back().empty()) out.push_back("");
            out.push_back(DefaultSection);
        }
        out.push_back(key + value);
    }
    std::string result;
    for (const std::string& l : out) result += l + "\n";
    return result;
}

std::string DefaultFromMimeApps()
{
    const std::string key = std::string(TsnMimeType) + "=";
    bool inDefault = false;
    for (const std::string& line : Lines(ReadOrEmpty(MimeAppsFile()))) {
        if (!line.empty() && line.front() == '[') inDefault = line == DefaultSection;
        else if (inDefault && line.rfind(key, 0) == 0) {
            std::string v = line.substr(key.size());
            std::size_t semi = v.find(';');
            return semi == std::string::npos ? v : v.substr(0, semi);
        }
    }
    return {};
}

std::string Trimmed(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    std::size_t a = s.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a);
}

void UpdateMimeDatabase() { RunProgram("update-mime-database", {(UserDataHome() / "mime").string()}); }
void UpdateDesktopDatabase() { RunProgram("update-desktop-database", {(UserDataHome() / "applications").string()}); }

} // namespace

bool ShellOpen(const std::string& pathOrUrl, std::function<void()> failed)
{
    if (pathOrUrl.empty()) return false;
    if (!failed) return QProcess::startDetached("xdg-open", {QString::fromStdString(pathOrUrl)});
    // Without a parent, so that nothing kills it when the program ends; it
    // deletes itself once it has told how it ended.
    auto* process = new QProcess;
    QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || code != 0) failed();
    });
    process->start("xdg-open", {QString::fromStdString(pathOrUrl)});
    if (!process->waitForStarted(5000)) {
        delete process;
        return false;
    }
    return true;
}

bool RunProgram(const std::string& program, const std::vector<std::string>& args, std::string* output, int timeoutMs)
{
    QProcess p;
    QStringList a;
    for (const std::string& s : args) a << QString::fromStdString(s);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(QString::fromStdString(program), a);
    if (!p.waitForStarted(timeoutMs)) return false;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    if (output) *output = p.readAllStandardOutput().toStdString();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

fs::path UserDataHome() { return EnvFolder("XDG_DATA_HOME", ".local/share"); }
fs::path UserConfigHome() { return EnvFolder("XDG_CONFIG_HOME", ".config"); }

std::string DesktopExecArg(const std::string& arg)
{
    // Reserved characters call for quotes; inside them ", `, $ and \ take a
    // backslash, and the file format doubles every backslash once more.
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    bool quote = arg.find_first_of(reserved) != std::string::npos || arg.empty();
    std::string out;
    for (char c : arg) {
        if (c == '\\') {
            out += "\\\\\\\\";
            continue;
        }
        if (c == '"' || c == '`' || c == '$') out += "\\\\";
        if (c == '%') {
            out += "%%";
            continue;
        }
        out.push_back(c);
    }
    return quote ? "\"" + out + "\"" : out;
}

std::string DesktopEntryText(const std::string& program)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.0\n"
           "Name=Tessel2\n"
           "Name[ja]=テッセル２\n"
           "GenericName=PCB data viewer\n"
           "GenericName[ja]=基板データビューア\n"
           "Comment=View and check Gerber and NC drill data\n"
           "Comment[ja]=ガーバー・NCドリルデータの表示と検査\n"
           "Exec=" + DesktopExecArg(program) + " %F\n"
           "Icon=" + IconName + "\n"
           "Terminal=false\n"
           "Categories=Graphics;Engineering;\n"
           "MimeType=" + TsnMimeType + ";\n";
}

std::string MimeTypeXml()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" + std::string(TsnMimeType) + "\">\n"
           "    <comment>Tessel2 file</comment>\n"
           "    <comment xml:lang=\"ja\">テッセル２ファイル</comment>\n"
           "    <icon name=\"" + IconName + "\"/>\n"
           "    <glob pattern=\"*.tsn\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

bool IsFileTypeRegistered(const std::string& program)
{
    QMimeDatabase db;
    if (db.mimeTypeForFile("x.tsn", QMimeDatabase::MatchExtension).name().toStdString() != TsnMimeType) return false;
    if (ReadOrEmpty(DesktopEntryFile()) != DesktopEntryText(program)) return false;
    std::string answer;
    if (!RunProgram("xdg-mime", {"query", "default", TsnMimeType}, &answer)) answer = DefaultFromMimeApps();
    return Trimmed(answer) == DesktopEntryId;
}

bool RegisterFileType(const std::string& program, const std::string& iconPng)
{
    bool ok = WriteFile(MimePackageFile(), MimeTypeXml());
    ok = WriteFile(DesktopEntryFile(), DesktopEntryText(program)) && ok;
    if (!iconPng.empty()) ok = WriteFile(IconFile(), iconPng) && ok;
    ok = WriteFile(MimeAppsFile(), EditMimeApps(ReadOrEmpty(MimeAppsFile()), DesktopEntryId)) && ok;
    UpdateMimeDatabase();
    UpdateDesktopDatabase();
    return ok;
}

bool UnregisterFileType()
{
    std::error_code ec;
    bool any = fs::remove(MimePackageFile(), ec);
    any = fs::remove(DesktopEntryFile(), ec) || any;
    fs::remove(IconFile(), ec);
    if (fs::exists(MimeAppsFile(), ec)) {
        std::string before = ReadOrEmpty(MimeAppsFile());
        std::string after = EditMimeApps(before, {});
        if (after != before) {
            WriteFile(MimeAppsFile(), after);
            any = true;
        }
    }
    if (any) {
        UpdateMimeDatabase();
        UpdateDesktopDatabase();
    }
    return any;
}

void EnsureFileTypeRegistered(const std::string& program, const std::string& iconPng)
{
    if (!IsFileTypeRegistered(program)) RegisterFileType(program, iconPng);
}

fs::path DesktopFolder()
{
    std::string out;
    if (!RunProgram("xdg-user-dir", {"DESKTOP"}, &out)) return {};
    fs::path folder = Trimmed(out);
    std::error_code ec;
    if (folder.empty() || !folder.is_absolute() || !fs::is_directory(folder, ec)) return {};
    return folder;
}

bool CreateDesktopShortcut(const std::string& program)
{
    fs::path folder = DesktopFolder();
    if (folder.empty()) return false;
    fs::path file = folder / ShortcutFileName;
    if (!WriteFile(file, DesktopEntryText(program))) return false;
    std::error_code ec;
    fs::permissions(file, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec, ec);
    if (ec) return false;
    // Desktops that ask before starting a launcher accept a trusted one.
    RunProgram("gio", {"set", file.string(), "metadata::trusted", "true"}, nullptr, 5000);
    return true;
}

bool DeleteDesktopShortcut()
{
    fs::path folder = DesktopFolder();
    if (folder.empty()) return false;
    std::error_code ec;
    return fs::remove(folder / ShortcutFileName, ec);
}

bool MatchMask(const std::string& name, const std::string& mask)
{
    if (mask == "*.*" || mask == "*") return true;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    // Greedy match with one back-track point per "*".
    std::size_t n = 0, m = 0, starM = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || lower(mask[m]) == lower(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

bool DeleteMatchingFiles(const fs::path& folder, const std::string& mask)
{
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(folder, ec))) return false;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (MatchMask(name, mask)) doomed.push_back(folder / name);
    }
    if (ec) return false;
    bool ok = true;
    for (const fs::path& p : doomed) {
        // remove_all takes a link away without following it.
        fs::remove_all(p, ec);
        if (ec) ok = false;
    }
    return ok;
}

bool DeletePathSilently(const fs::path& path)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return false;
    fs::remove_all(path, ec);
    return !ec;
}

void PrepareWorkFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::file_status st = fs::symlink_status(folder, ec);
    if (fs::exists(st) && !fs::is_directory(st)) {
        // A link (or a file) where the work folder belongs: take it away
        // rather than empty whatever it points to.
        fs::remove(folder, ec);
        if (ec) throw Error("作業フォルダを作成できません: " + folder.string());
        st = fs::file_status(fs::file_type::not_found);
    }
    if (!fs::exists(st)) {
        fs::create_directories(folder, ec);
        if (ec) throw Error("作業フォルダを作成できません: " + folder.string());
        return;
    }
    DeleteMatchingFiles(folder, "*.*");
}

} // namespace platform
