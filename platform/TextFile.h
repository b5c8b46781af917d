#pragma once
// Checked line files: CP932 on disk, UTF-8 in memory. Lines end in CR LF when
// written; LF or CR LF are taken on reading, a stray CR is dropped. Every I/O
// failure throws Error, which ends the operation that was reading or writing.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The whole file as raw bytes. Throws Error when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// Writes the bytes to a temporary file in the target's folder and renames it
// over the target, so a failure never leaves a half-written file. Throws Error.
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// Splits CP932 bytes into UTF-8 lines. Throws Error on bytes that are not CP932.
std::vector<std::string> DecodeLines(std::string_view cp932);

// The lines of a CP932 text file, in UTF-8. Throws Error.
std::vector<std::string> ReadTextLines(const std::filesystem::path& path);

// Collects lines and writes them in one go on Commit (temporary file, then
// rename). Nothing reaches the target unless Commit succeeds.
class TextFileWriter {
public:
    explicit TextFileWriter(std::filesystem::path target);
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Text without a line end. Throws Error when it has no CP932 form.
    void Write(std::string_view utf8);
    // Text followed by CR LF.
    void WriteLine(std::string_view utf8 = {});
    // Writes the file. Throws Error.
    void Commit();

    const std::string& Bytes() const { return bytes_; }

private:
    std::filesystem::path target_;
    std::string bytes_;
};

} // namespace platform
