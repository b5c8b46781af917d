#pragma once
// The desktop around the program: opening files and pages with the user's
// programs, the ".tsn" file type and the desktop shortcut (freedesktop.org
// MIME database and desktop entries, registered for the user alone), and
// deleting files without asking, only inside the folder given.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// ---------------------------------------------------------------- programs

// Opens a file or address with the user's preferred program (xdg-open).
// False when it could not be started. `failed` runs later, from the event
// loop, when xdg-open ends saying no program opened it (no association on a
// machine without a desktop, say). xdg-open is never killed by this program,
// even when it outlives it, since in some desktops it waits for the viewer.
bool ShellOpen(const std::string& pathOrUrl, std::function<void()> failed = {});

// Runs a program and waits (at most `timeoutMs`); its standard output in
// `output`. False when it could not start, timed out or exited non-zero.
bool RunProgram(const std::string& program, const std::vector<std::string>& args, std::string* output = nullptr,
                int timeoutMs = 15000);

// --------------------------------------------------------------- file type

inline constexpr const char* TsnMimeType = "application/x-tessel2";
inline constexpr const char* DesktopEntryId = "tessel2.desktop";
inline constexpr const char* IconName = "tessel2";
inline constexpr const char* ShortcutFileName = "Tessel2.desktop";

// $XDG_DATA_HOME or ~/.local/share; $XDG_CONFIG_HOME or ~/.config.
std::filesystem::path UserDataHome();
std::filesystem::path UserConfigHome();

// One argument of an Exec line, quoted as desktop entries want it.
std::string DesktopExecArg(const std::string& arg);
// A desktop entry that starts `program` with the files given ("%F").
std::string DesktopEntryText(const std::string& program);
// The shared-mime-info description of the ".tsn" type.
std::string MimeTypeXml();

// True when the MIME database maps "*.tsn" to our type and the user's default
// program for it is our desktop entry starting `program`. Qt reads the MIME
// database once per process (then every few seconds): a check right after
// registering in the same process may not see the new type yet.
bool IsFileTypeRegistered(const std::string& program);
// Writes the MIME type, the desktop entry, the icon (PNG bytes, may be empty)
// and the default association under the user's folders, and updates the
// caches. False when a file could not be written.
bool RegisterFileType(const std::string& program, const std::string& iconPng);
// Removes what RegisterFileType wrote. False when nothing was registered.
bool UnregisterFileType();
// Registers unless IsFileTypeRegistered.
void EnsureFileTypeRegistered(const std::string& program, const std::string& iconPng);

// The user's desktop folder (xdg-user-dir DESKTOP); empty when unknown or missing.
std::filesystem::path DesktopFolder();
// An executable desktop entry on the desktop. Fails silently (false).
bool CreateDesktopShortcut(const std::string& program);
bool DeleteDesktopShortcut();

// ------------------------------------------------------------ silent delete

// Windows-style mask: "*" any run, "?" one character, letter case ignored;
// "*.*" matches every name.
bool MatchMask(const std::string& name, const std::string& mask);

// Deletes the entries of `folder` whose names match `mask`, with their
// contents. A symbolic link is removed itself, never followed, and a folder
// that is itself a link is left alone (false). True when all went.
bool DeleteMatchingFiles(const std::filesystem::path& folder, const std::string& mask);

// Deletes a file or a folder with its contents; a link alone is removed.
bool DeletePathSilently(const std::filesystem::path& path);

// Makes `folder` an empty real folder: created when missing, emptied when it
// exists; a link or a file in its place is removed first, so the emptying
// never reaches outside. Throws Error when the folder cannot be made.
void PrepareWorkFolder(const std::filesystem::path& folder);

} // namespace platform
