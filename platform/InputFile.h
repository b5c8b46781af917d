#pragma once
// The check every file of the user's passes before it is read. Opening a
// FIFO for reading waits for a writer, for good; a device never ends; a
// folder or an unreadable file would read as nothing. Files are opened
// without waiting, so a FIFO put in a checked file's place between the check
// and the open cannot stop the program either.
#include <filesystem>
#include <string>

namespace platform {

enum class InputProblem {
    None,
    Missing,
    Folder,
    NotRegular,     // FIFO, device, socket
    Empty,
    NoPermission,
    Unreadable,
};

// Why the file cannot be read (None when it can). Empty files pass where
// `emptyAllowed`.
InputProblem CheckInputFile(const std::filesystem::path& path, bool emptyAllowed = false);

// The problem in the user's words: one sentence.
const char* InputProblemText(InputProblem problem);

// The message for a file that cannot be read: that it was not opened, then
// its name and why.
std::string InputProblemMessage(const std::filesystem::path& path, InputProblem problem);

// Opens a regular file for reading, never waiting; throws Error naming the
// file and why it cannot be read. The caller closes the descriptor.
int OpenInputFile(const std::filesystem::path& path);

} // namespace platform
