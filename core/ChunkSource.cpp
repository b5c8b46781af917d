#include "core/ChunkSource.h"

#include "platform/Error.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

std::size_t ReadChunkBytes = 64 * 1024;

ChunkSource::ChunkSource(const std::string& path) : path_(path)
{
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw platform::Error("ファイルを開けません: " + path);
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

} // namespace core
