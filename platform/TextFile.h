#pragma once
// Checked line files: CP932 on disk, UTF-8 in memory. Lines end in CR LF when
// written; LF or CR LF are taken on reading, a stray CR is dropped. Every I/O
// failure throws Error, which ends the operation that was reading or writing.
#include <cstddef>
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

// A file written through a temporary file in the target's folder, renamed
// over the target on Commit; without a Commit (an error, an exception) the
// temporary file is removed and the target stays as it was. Bytes are
// buffered, so files of hundreds of megabytes need no copy in memory.
class AtomicFileWriter {
public:
    // Creates the temporary file. Throws Error.
    explicit AtomicFileWriter(std::filesystem::path target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Append(std::string_view bytes);   // throws Error
    void Commit();                         // throws Error

private:
    void Flush();
    void Fail();
    std::filesystem::path target_, temp_;
    int fd_ = -1;
    std::string buffer_;
};

// The longest line LineReader reads: far beyond any line of the files the
// program reads.
inline constexpr std::size_t MaxLineBytes = std::size_t{16} << 20;

// The reason a read ends at line `line`, longer than `bound` bytes.
std::string LineTooLongText(long long line, std::size_t bound);

// The raw lines of a file or of bytes in memory, one at a time: LF or CR LF
// ends a line, and every CR is dropped. Files are read in blocks, so a large
// file never sits in memory whole; a line longer than MaxLineBytes throws
// Error.
class LineReader {
public:
    // Opens the file. Throws Error.
    explicit LineReader(const std::filesystem::path& path);
    // Reads bytes in memory, which must outlive the reader.
    struct InMemory {
        std::string_view bytes;
    };
    explicit LineReader(InMemory memory);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line, valid until the following call; false at the end.
    // Throws Error when the file cannot be read.
    bool Next(std::string_view& line);
    // Bytes consumed so far, line ends included.
    long long Position() const { return position_; }
    // The number of the line returned last (1 for the first).
    long long LineNumber() const { return lineNumber_; }
    // Whether the line returned last ended with a line end; the last line of
    // a file cut short does not.
    bool LineEnded() const { return lineEnded_; }
    // The size of the input (-1 when a file's size is unknown).
    long long Size() const { return size_; }

private:
    void Fill();
    int fd_ = -1;
    std::string path_;
    std::string block_, scratch_;
    std::string_view rest_;
    bool eof_ = false, lineEnded_ = true;
    long long position_ = 0, lineNumber_ = 0, size_ = -1;
};

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
    // Writes the file in place, without a temporary file or fsync: for
    // scratch files of the work folder, which nothing needs after a crash.
    // A failed write removes the file. Throws Error.
    void CommitScratch();

    const std::string& Bytes() const { return bytes_; }

private:
    std::filesystem::path target_;
    std::string bytes_;
};

// Lines written as one CP932 file with CR LF, through a temporary file, where
// a character CP932 cannot hold becomes "?": for sheets, reports and the like,
// where one file name from another system must not cost the whole file.
// Throws Error; the target is then as it was.
void WriteReadableLines(const std::filesystem::path& path, const std::vector<std::string>& lines);

} // namespace platform
