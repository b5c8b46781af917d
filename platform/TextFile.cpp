#include "platform/TextFile.h"

#include "platform/Error.h"
#include "platform/TextCodec.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

namespace {

std::string Utf8Path(const fs::path& p) { return p.string(); }

} // namespace

std::string ReadFileBytes(const fs::path& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error("ファイルを開けません: " + Utf8Path(path));
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
    fs::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    std::random_device rd;
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = folder / (".~" + path.filename().string() + "." + std::to_string(rd() % 1000000) + ".tmp");
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) throw Error("ファイルを書き込めません: " + Utf8Path(path));
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0 && errno != EINVAL) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok) {
        std::error_code ec;
        fs::rename(temp, path, ec);
        if (ec) ok = false;
    }
    if (!ok) {
        std::error_code ec;
        fs::remove(temp, ec);
        throw Error("ファイルを書き込めません: " + Utf8Path(path));
    }
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

} // namespace platform
