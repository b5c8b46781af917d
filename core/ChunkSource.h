#pragma once
// The input of the Gerber and drill readers, a file or bytes in memory, fed in
// chunks so that a reader never holds a whole file.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// The largest chunk handed out (64 KiB; tests make it small so that blocks
// straddle chunk edges).
extern std::size_t ReadChunkBytes;

class ChunkSource {
public:
    // Opens the file, never waiting on a FIFO. Throws platform::Error naming
    // the file and why when it is no regular file that can be read.
    explicit ChunkSource(const std::string& path);
    explicit ChunkSource(std::string_view bytes);
    ~ChunkSource();
    ChunkSource(const ChunkSource&) = delete;
    ChunkSource& operator=(const ChunkSource&) = delete;

    // The size of the input; for a file, its size when it was opened (0 when
    // unknown).
    long long Size() const { return size_; }
    // The next chunk, valid until the following call; false at the end.
    // Throws platform::Error when the file cannot be read, or when it ends
    // before its size at opening: a file that shrank while it was read must
    // not pass for a whole one.
    bool Next(std::string_view& chunk);
    // Hands the bytes after the current chunk to `feed`, chunk by chunk,
    // until it returns false or they end; the next chunk is still the one
    // that follows the current.
    void LookAhead(const std::function<bool(std::string_view)>& feed);

private:
    int fd_ = -1;
    std::string path_;
    std::vector<char> buffer_;
    std::string_view bytes_;
    long long size_ = 0, offset_ = 0;
};

} // namespace core
