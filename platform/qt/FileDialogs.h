#pragma once
// The open dialog behind an interface, so that tests choose the files.
#include <deque>
#include <string>
#include <vector>

namespace platform {

struct OpenRequest {
    std::string initialFolder;   // empty: the dialog's own choice
    // Pairs of description and pattern separated by "|":
    // "すべてのファイル (*.*)|*.*|テッセル２ファイル (*.tsn)|*.tsn".
    std::string filter;
    bool multiSelect = true;
};

struct OpenAnswer {
    bool accepted = false;
    std::vector<std::string> paths;   // full paths, in the order chosen
    int filterIndex = 1;              // 1-based, as the filter lists them
};

struct SaveRequest {
    std::string title;           // empty: "名前を付けて保存"
    std::string initialFolder;   // empty: the dialog's own choice
    std::string fileName;        // offered name, without folder
    std::string filter;          // as OpenRequest's
    std::string suffix;          // added to a name typed without one ("tsn", "pdf")
};

struct SaveAnswer {
    bool accepted = false;
    std::string path;            // full path
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual OpenAnswer OpenFiles(const OpenRequest& request) = 0;
    // Asks before replacing a file that exists.
    virtual SaveAnswer SaveFile(const SaveRequest& request) = 0;
};

FileDialogs& Dialogs();
void SetFileDialogs(FileDialogs* dialogs);

struct FilterEntry {
    std::string description;
    std::vector<std::string> patterns;
};
// The "|"-separated filter as entries; "*.*" means every file, as on the
// system the filters were written for (Qt's "*.*" would want a dot).
std::vector<FilterEntry> ParseFilter(const std::string& filter);
// The entries as Qt name filters: "description (pattern ...)".
std::vector<std::string> QtNameFilters(const std::vector<FilterEntry>& entries);

class QtFileDialogs final : public FileDialogs {
public:
    OpenAnswer OpenFiles(const OpenRequest& request) override;
    SaveAnswer SaveFile(const SaveRequest& request) override;
};

// For tests: records the requests and answers from a script (else cancelled).
class FakeFileDialogs final : public FileDialogs {
public:
    std::vector<OpenRequest> requests;
    std::deque<OpenAnswer> answers;
    std::vector<SaveRequest> saveRequests;
    std::deque<SaveAnswer> saveAnswers;
    OpenAnswer OpenFiles(const OpenRequest& request) override;
    SaveAnswer SaveFile(const SaveRequest& request) override;
};

} // namespace platform
