#pragma once
// The boards of the corpus: each board's Gerber and drill files, by name.
#include "core/GerberReader.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace corpusboards {

namespace fs = std::filesystem;

inline const fs::path Cad = fs::path(TESSEL2_CORPUS) / "cad";

// Folders holding several boards, told apart by the name up to "_" or ".".
inline bool SeveralBoards(const fs::path& folder) { return folder.filename() == "diptrace" || folder.filename() == "geda"; }

inline std::string LowerExt(const fs::path& p)
{
    std::string e = p.extension().string();
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

// Board name → its Gerber and drill files (a top folder and everything under it).
inline std::map<std::string, std::vector<fs::path>> Boards()
{
    std::map<std::string, std::vector<fs::path>> boards;
    for (const auto& top : fs::directory_iterator(Cad)) {
        if (!top.is_directory()) continue;
        for (const auto& f : fs::recursive_directory_iterator(top.path())) {
            if (!f.is_regular_file()) continue;
            const int kind = core::DetectFileType(f.path().string());
            if (kind != core::fkRS274D && kind != core::fkRS274X && kind != core::fkNcDrill) continue;
            std::string name = top.path().filename().string();
            // Sub-folders of a test set are boards of their own, except
            // where a board keeps Gerber and drill files apart.
            fs::path rel = fs::relative(f.path().parent_path(), top.path());
            if (top.path().filename() == "kicad-x2-tests") name += "/" + rel.string();
            if (SeveralBoards(top.path())) {
                std::string file = f.path().filename().string();
                name += "/" + file.substr(0, file.find_first_of("_.")) ;
            }
            boards[name].push_back(f.path());
        }
    }
    for (auto& [name, files] : boards) std::sort(files.begin(), files.end());
    return boards;
}

} // namespace corpusboards
