#include "platform/TextFile.h"

#include "platform/Error.h"
#include "platform/InputFile.h"
#include "platform/TextCodec.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <algorithm>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string Utf8Path(const fs::path& p) { return p.string(); }

} // namespace

std::string ReadFileBytes(const fs::path& path)
{
    const int fd = OpenInputFile(path);
    std::string data;
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            throw Error("ファイルを読めません: " + Utf8Path(path));
        }
        if (n == 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

void WriteFileBytes(const fs::path& path, std::string_view bytes)
{
    AtomicFileWriter w(path);
    w.Append(bytes);
    w.Commit();
}

// ------------------------------------------------------- AtomicFileWriter

namespace {

constexpr std::size_t WriteBlock = 1 << 20;

} // namespace

AtomicFileWriter::AtomicFileWriter(fs::path target) : target_(std::move(target))
{
    fs::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    std::random_device rd;
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temp_ = folder / (".~" + target_.filename().string() + "." + std::to_string(rd() % 1000000) + ".tmp");
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) throw Error("ファイルを書き込めません: " + Utf8Path(target_));
    buffer_.reserve(WriteBlock);
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (fd_ < 0) return;
    ::close(fd_);
    std::error_code ec;
    fs::remove(temp_, ec);
}

void AtomicFileWriter::Fail()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    std::error_code ec;
    fs::remove(temp_, ec);
    throw Error("ファイルを書き込めません: " + Utf8Path(target_));
}

void AtomicFileWriter::Flush()
{
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail();
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void AtomicFileWriter::Append(std::string_view bytes)
{
    if (fd_ < 0) Fail();
    if (buffer_.size() + bytes.size() > WriteBlock) {
        Flush();
        if (bytes.size() > WriteBlock) {
            buffer_.assign(bytes);
            Flush();
            return;
        }
    }
    buffer_.append(bytes);
}

void AtomicFileWriter::Commit()
{
    if (fd_ < 0) Fail();
    Flush();
    bool ok = !(::fsync(fd_) != 0 && errno != EINVAL);
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    if (ok) {
        std::error_code ec;
        fs::rename(temp_, target_, ec);
        if (ec) ok = false;
    }
    if (!ok) {
        std::error_code ec;
        fs::remove(temp_, ec);
        throw Error("ファイルを書き込めません: " + Utf8Path(target_));
    }
}

// ------------------------------------------------------------- LineReader

namespace {

constexpr std::size_t ReadBlock = 1 << 20;

} // namespace

std::string LineTooLongText(long long line, std::size_t bound)
{
    return std::to_string(line) + " 行目が長すぎるため読み込めません（改行のないまま " + std::to_string(bound >> 20) +
           " MB を超えています）。";
}

LineReader::LineReader(const fs::path& path) : path_(Utf8Path(path))
{
    fd_ = OpenInputFile(path);
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!ec) size_ = static_cast<long long>(size);
}

LineReader::LineReader(InMemory memory)
    : rest_(memory.bytes), eof_(true), size_(static_cast<long long>(memory.bytes.size()))
{
}

LineReader::~LineReader()
{
    if (fd_ >= 0) ::close(fd_);
}

// Moves the unread rest to the front of a new block and reads more after it.
void LineReader::Fill()
{
    if (eof_) return;
    std::string next;
    next.reserve(std::max(ReadBlock, rest_.size() * 2));
    next.assign(rest_);
    const std::size_t kept = next.size();
    next.resize(kept + ReadBlock);
    for (;;) {
        ssize_t n = ::read(fd_, next.data() + kept, ReadBlock);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw Error("ファイルを読めません: " + path_);
        }
        next.resize(kept + static_cast<std::size_t>(n));
        if (n == 0) eof_ = true;
        break;
    }
    block_.swap(next);
    rest_ = block_;
}

bool LineReader::Next(std::string_view& line)
{
    std::size_t lf = rest_.find('\n');
    while (lf == std::string_view::npos && !eof_ && rest_.size() <= MaxLineBytes) {
        const std::size_t before = rest_.size();
        Fill();
        lf = rest_.find('\n', before);
    }
    if (rest_.empty()) return false;
    // A longer line (a binary file) fails the read rather than be gathered
    // whole or read as pieces that are no lines of the file.
    if ((lf == std::string_view::npos ? rest_.size() : lf) > MaxLineBytes)
        throw Error(LineTooLongText(lineNumber_ + 1, MaxLineBytes));
    std::string_view raw;
    std::size_t used = 0;
    if (lf != std::string_view::npos) {
        raw = rest_.substr(0, lf);
        used = lf + 1;
    } else {
        raw = rest_;
        used = raw.size();
    }
    lineEnded_ = lf != std::string_view::npos;
    rest_.remove_prefix(used);
    position_ += static_cast<long long>(used);
    ++lineNumber_;
    if (raw.find('\r') == std::string_view::npos) {
        line = raw;
    } else {
        scratch_.clear();
        for (char c : raw)
            if (c != '\r') scratch_.push_back(c);
        line = scratch_;
    }
    return true;
}

std::vector<std::string> DecodeLines(std::string_view cp932)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    auto take = [&](std::size_t end) {
        std::string_view raw = cp932.substr(start, end - start);
        std::string line;
        line.reserve(raw.size());
        for (char c : raw)
            if (c != '\r') line.push_back(c);
        lines.push_back(Cp932ToUtf8(line));
    };
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        if (cp932[i] == '\n') {
            take(i);
            start = i + 1;
        }
    }
    if (start < cp932.size()) take(cp932.size());
    return lines;
}

std::vector<std::string> ReadTextLines(const fs::path& path)
{
    return DecodeLines(ReadFileBytes(path));
}

TextFileWriter::TextFileWriter(fs::path target) : target_(std::move(target)) {}

void TextFileWriter::Write(std::string_view utf8) { bytes_ += Utf8ToCp932(utf8); }

void TextFileWriter::WriteLine(std::string_view utf8)
{
    Write(utf8);
    bytes_ += "\r\n";
}

void TextFileWriter::Commit() { WriteFileBytes(target_, bytes_); }

namespace {

// Opens a scratch file for writing from its start. An existing file of its own
// is rewritten in place; anything else standing there (a link, a pipe) is
// replaced, not written through. -1 on failure.
int OpenScratchFile(const fs::path& path)
{
    constexpr int create = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    int fd = ::open(path.c_str(), create, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
    fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && ::ftruncate(fd, 0) == 0)
        return fd;
    if (fd >= 0) ::close(fd);
    ::unlink(path.c_str());
    return ::open(path.c_str(), create, 0644);
}

} // namespace

void TextFileWriter::CommitScratch()
{
    const int fd = OpenScratchFile(target_);
    if (fd < 0) throw Error("ファイルを書き込めません: " + Utf8Path(target_));
    const char* p = bytes_.data();
    std::size_t left = bytes_.size();
    bool ok = true;
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) {
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        std::error_code ec;
        fs::remove(target_, ec);
        throw Error("ファイルを書き込めません: " + Utf8Path(target_));
    }
}

void WriteReadableLines(const fs::path& path, const std::vector<std::string>& lines)
{
    TextFileWriter w(path);
    for (const std::string& line : lines) w.WriteLine(Cp932Readable(line));
    w.Commit();
}

} // namespace platform
