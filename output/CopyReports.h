#pragma once
// The three text reports written beside copied data: the photo data report
// (Gerber files, Gerber format, the apertures in use), the drill data report
// (drill files, drill format, the tools in use) and the list of every
// defined aperture.
//
// CP932 text, CR LF line ends, numbers with "." whatever the locale, the date
// as yyyy/MM/dd. A character CP932 cannot hold is written as "?".
#include <string>
#include <vector>

namespace output {

inline constexpr const char* PhotoReportName = "フォトデータ詳細表.txt";
inline constexpr const char* DrillReportName = "ドリルデータ詳細表.txt";
inline constexpr const char* ApertureReportName = "標準アパーチャー.txt";

// The project title the copy dialog was shown with; the reports' heading.
extern std::string ProjectTitleForReports;

// The reports' lines (UTF-8, no line ends) from the tables, dated `date`.
std::vector<std::string> PhotoDataReportLines(const std::string& date);
std::vector<std::string> DrillDataReportLines(const std::string& date);
std::vector<std::string> StandardApertureReportLines(const std::string& date);

// Each report, dated today, to the file `path`, replacing it through a
// temporary file beside it. Throw platform::Error; the file is then as it was.
void WritePhotoDataReport(const std::string& path);
void WriteDrillDataReport(const std::string& path);
void WriteStandardApertureReport(const std::string& path);

} // namespace output
