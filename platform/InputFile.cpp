#include "platform/InputFile.h"

#include "platform/Error.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

InputProblem ProblemOfErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return InputProblem::Missing;
    case EACCES:
    case EPERM: return InputProblem::NoPermission;
    case ENXIO:
    case ENODEV: return InputProblem::NotRegular;   // a device or socket without its other end
    default: return InputProblem::Unreadable;
    }
}

InputProblem ProblemOfMode(mode_t mode)
{
    if (S_ISDIR(mode)) return InputProblem::Folder;
    if (!S_ISREG(mode)) return InputProblem::NotRegular;
    return InputProblem::None;
}

// Opens without waiting: O_NONBLOCK makes the open of a FIFO return at once,
// whatever lies at the path by now. -1 with `problem` set when it is no
// regular file that can be read.
int OpenNoWait(const std::filesystem::path& path, InputProblem& problem, struct stat& st)
{
    problem = InputProblem::None;
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        problem = ProblemOfErrno(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0) problem = InputProblem::Unreadable;
    else problem = ProblemOfMode(st.st_mode);
    if (problem != InputProblem::None) {
        ::close(fd);
        return -1;
    }
    // Reads of a regular file block as usual.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

} // namespace

InputProblem CheckInputFile(const std::filesystem::path& path, bool emptyAllowed)
{
    if (path.empty()) return InputProblem::Missing;
    // What the path names, before anything is opened: a device is never
    // opened at all.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return ProblemOfErrno(errno);
    if (InputProblem p = ProblemOfMode(st.st_mode); p != InputProblem::None) return p;
    InputProblem problem = InputProblem::None;
    const int fd = OpenNoWait(path, problem, st);
    if (fd < 0) return problem;
    ::close(fd);
    if (st.st_size == 0 && !emptyAllowed) return InputProblem::Empty;
    return InputProblem::None;
}

const char* InputProblemText(InputProblem problem)
{
    switch (problem) {
    case InputProblem::None: return "";
    case InputProblem::Missing: return "ファイルが見つかりません。";
    case InputProblem::Folder: return "ファイルではなくフォルダーです。";
    case InputProblem::NotRegular: return "通常のファイルではありません（FIFO やデバイスなど）。";
    case InputProblem::Empty: return "ファイルが空です。";
    case InputProblem::NoPermission: return "ファイルを読む権限がありません。";
    case InputProblem::Unreadable: break;
    }
    return "ファイルを読み込めません。";
}

std::string InputProblemMessage(const std::filesystem::path& path, InputProblem problem)
{
    return "ファイルを開くことができませんでした。\n\r" + path.filename().string() + "：" + InputProblemText(problem);
}

int OpenInputFile(const std::filesystem::path& path)
{
    InputProblem problem = InputProblem::Missing;
    struct stat st {};
    const int fd = path.empty() ? -1 : OpenNoWait(path, problem, st);
    if (fd < 0) throw Error("ファイルを開けません: " + path.string() + "\n\r" + InputProblemText(problem));
    return fd;
}

} // namespace platform
