#pragma once
// The first two "Parameter" tabs, over the loaded job: its files with their
// contents and remarks, and the board's size and origin; and the import of
// a data folder's settings file into the loaded layers.
#include "dialogs/ParaForm.h"

#include <string>

namespace dialogs {

inline constexpr const char* NotSettingsFileText = "テッセルの設定ファイルではありません";
inline constexpr const char* SettingsFileFilter = "設定ファイル (Tessel2.ini, Tesselu.ini)|*.ini";

// Tab 0: title, comment and author (items 1, 3 and 8), and the table of the
// loaded files: name with its kind, contents (typed or chosen from the
// balloon "FileContents") and remarks, 15 rows at a time.
class FilePage final : public ParaPage {
public:
    void Build() override;
    void ItemClick(int item) override;
    FieldKind Edit1Kind() const override { return FieldKind::Text; }
    void Edit1Changed(const std::string& text) override;
    void Edit1Enter() override;
    void TableClick(int x, int y) override;
    void Edit2Changed(const std::string& text) override;
    void Edit2Enter() override;
    void Choose(int k) override;
    void FillRows() override;
};

// The page width the file table needs for the loaded files' names, with
// the contents' choices beside their column.
int FilePageWidth();

// Tab 1: the board's size and origin in the Gerber data (items 4, 6, 8, 10)
// and the drill origin (14, 16), typed, or taken from the extents of a file
// picked beside "ファイルから検出".
class BoardPage final : public ParaPage {
public:
    void Build() override;
    void ItemClick(int item) override;
    void Edit1Opened() override;
    void Edit1Changed(const std::string& text) override;
    void Edit1Enter() override;
    void TableMove(int x, int y) override;
    void TableClick(int x, int y) override;
    void FillRows() override;
    void ButtonClick(ParaButton b) override;

private:
    double before_ = 0;   // the value being edited, as the edit found it
};

// Reads the settings file at `path` ("Tessel2.ini" or "Tesselu.ini", in any
// letter case) and gives each loaded layer the contents, remarks and colours
// the file has for its file name; the current tab is built again. Another
// name, or a file that does not read, changes nothing and leaves the reason
// in Para.Warning.
void ImportSettingsFile(const std::string& path);

} // namespace dialogs
