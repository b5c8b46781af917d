#include "platform/qt/FileDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

namespace platform {

namespace {

QtFileDialogs qtDialogs;
FileDialogs* current = &qtDialogs;

std::vector<std::string> Split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t p = text.find(sep, start);
        parts.push_back(text.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) break;
        start = p + 1;
    }
    return parts;
}

std::string Trim(const std::string& s)
{
    std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    std::size_t b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

} // namespace

FileDialogs& Dialogs() { return *current; }
void SetFileDialogs(FileDialogs* dialogs) { current = dialogs ? dialogs : &qtDialogs; }

std::vector<FilterEntry> ParseFilter(const std::string& filter)
{
    std::vector<FilterEntry> entries;
    if (filter.empty()) return entries;
    std::vector<std::string> parts = Split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        FilterEntry e;
        e.description = parts[i];
        for (const std::string& p : Split(parts[i + 1], ';')) {
            std::string t = Trim(p);
            if (t.empty()) continue;
            e.patterns.push_back(t == "*.*" ? "*" : t);
        }
        if (e.patterns.empty()) e.patterns.push_back("*");
        entries.push_back(e);
    }
    return entries;
}

std::vector<std::string> QtNameFilters(const std::vector<FilterEntry>& entries)
{
    std::vector<std::string> out;
    for (const FilterEntry& e : entries) {
        // The description carries the patterns in brackets for the reader;
        // Qt reads the last brackets as the patterns, so they are replaced.
        std::string d = e.description;
        std::size_t open = d.rfind('(');
        if (open != std::string::npos && d.back() == ')') d = Trim(d.substr(0, open));
        std::string patterns;
        for (const std::string& p : e.patterns) patterns += (patterns.empty() ? "" : " ") + p;
        out.push_back(d + " (" + patterns + ")");
    }
    return out;
}

OpenAnswer QtFileDialogs::OpenFiles(const OpenRequest& request)
{
    OpenAnswer answer;
    std::vector<std::string> filters = QtNameFilters(ParseFilter(request.filter));
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowTitle("開く");
    if (!request.initialFolder.empty()) dialog.setDirectory(QString::fromStdString(request.initialFolder));
    QStringList qfilters;
    for (const std::string& f : filters) qfilters << QString::fromStdString(f);
    if (!qfilters.isEmpty()) dialog.setNameFilters(qfilters);
    if (dialog.exec() != QDialog::Accepted) return answer;
    answer.accepted = true;
    for (const QString& f : dialog.selectedFiles()) answer.paths.push_back(f.toStdString());
    int index = static_cast<int>(qfilters.indexOf(dialog.selectedNameFilter()));
    answer.filterIndex = index < 0 ? 1 : index + 1;
    return answer;
}

SaveAnswer QtFileDialogs::SaveFile(const SaveRequest& request)
{
    SaveAnswer answer;
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setWindowTitle(request.title.empty() ? QString("名前を付けて保存") : QString::fromStdString(request.title));
    if (!request.initialFolder.empty()) dialog.setDirectory(QString::fromStdString(request.initialFolder));
    QStringList qfilters;
    for (const std::string& f : QtNameFilters(ParseFilter(request.filter))) qfilters << QString::fromStdString(f);
    if (!qfilters.isEmpty()) dialog.setNameFilters(qfilters);
    if (!request.suffix.empty()) dialog.setDefaultSuffix(QString::fromStdString(request.suffix));
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return answer;
    answer.accepted = true;
    answer.path = dialog.selectedFiles().front().toStdString();
    return answer;
}

SaveAnswer FakeFileDialogs::SaveFile(const SaveRequest& request)
{
    saveRequests.push_back(request);
    if (saveAnswers.empty()) return {};
    SaveAnswer a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
}

OpenAnswer FakeFileDialogs::OpenFiles(const OpenRequest& request)
{
    requests.push_back(request);
    if (answers.empty()) return {};
    OpenAnswer a = answers.front();
    answers.pop_front();
    return a;
}

} // namespace platform
