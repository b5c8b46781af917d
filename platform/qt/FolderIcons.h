#pragma once
// One picture and one type for every folder of a folder tree. The file-system
// model asks for both on each change in a folder it has read, and the
// theme's lookups for a busy folder (a temporary or build folder) kept the
// program at work as long as it ran: the window answered clicks late and
// showed an opened folder only when the pointer next moved. The type is
// never empty: the model shows a folder it has just read only when what it
// reads differs from the bare file information, and with no type a folder
// made while the tree showed its parent never appeared.
#include <QAbstractFileIconProvider>
#include <QIcon>

#include <utility>

namespace platform {

class FolderIcons final : public QAbstractFileIconProvider {
public:
    explicit FolderIcons(QIcon folder = {}) : folder_(std::move(folder)) {}
    void SetFolderIcon(QIcon folder) { folder_ = std::move(folder); }
    QIcon icon(IconType) const override { return folder_; }
    QIcon icon(const QFileInfo&) const override { return folder_; }
    QString type(const QFileInfo&) const override { return QStringLiteral("Folder"); }

private:
    QIcon folder_;
};

} // namespace platform
