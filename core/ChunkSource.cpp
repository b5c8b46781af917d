#include "core/ChunkSource.h"

#include "platform/Error.h"
#include "platform/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

std::size_t ReadChunkBytes = 64 * 1024;

ChunkSource::ChunkSource(const std::string& path) : path_(path)
{
    fd_ = platform::OpenInputFile(path);
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<long long>(st.st_size);
    buffer_.resize(std::max<std::size_t>(ReadChunkBytes, 1));
}

ChunkSource::ChunkSource(std::string_view bytes) : bytes_(bytes), size_(static_cast<long long>(bytes.size())) {}

ChunkSource::~ChunkSource()
{
    if (fd_ >= 0) ::close(fd_);
}

bool ChunkSource::Next(std::string_view& chunk)
{
    if (fd_ < 0) {
        const auto at = static_cast<std::size_t>(offset_);
        if (at >= bytes_.size()) return false;
        chunk = bytes_.substr(at, std::max<std::size_t>(ReadChunkBytes, 1));
        offset_ += static_cast<long long>(chunk.size());
        return true;
    }
    ssize_t n = 0;
    do {
        n = ::read(fd_, buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw platform::Error("ファイルの読み込みに失敗しました。");
    if (n == 0) {
        if (offset_ < size_) throw platform::Error("読み込み中にファイルが短くなったため、読み込めません: " + path_);
        return false;
    }
    offset_ += n;
    chunk = std::string_view(buffer_.data(), static_cast<std::size_t>(n));
    return true;
}

void ChunkSource::LookAhead(const std::function<bool(std::string_view)>& feed)
{
    const std::size_t step = std::max<std::size_t>(ReadChunkBytes, 1);
    if (fd_ < 0) {
        for (auto at = static_cast<std::size_t>(offset_); at < bytes_.size() && feed(bytes_.substr(at, step)); at += step) {
        }
        return;
    }
    std::vector<char> ahead(step);
    for (off_t at = static_cast<off_t>(offset_);;) {
        const ssize_t n = ::pread(fd_, ahead.data(), ahead.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw platform::Error("ファイルの読み込みに失敗しました。");
        if (n == 0 || !feed(std::string_view(ahead.data(), static_cast<std::size_t>(n)))) return;
        at += n;
    }
}

} // namespace core
