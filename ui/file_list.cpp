#include "file_list.h"

#include <QDir>

namespace malvor {

FileList::FileList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setFolder(QDir::currentPath());
}

void FileList::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    setFolder(folder_);
}

bool FileList::setFolder(const QString& folder)
{
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable())
        return false;
    // Name filters match without regard to case unless asked otherwise: Amp.NET is a "*.net".
    const QStringList names = dir.entryList(QStringList{pattern_}, QDir::Files,
                                            QDir::Name | QDir::IgnoreCase);
    const QString absolute = QDir::cleanPath(dir.absolutePath());
    // Listing the same folder again keeps the user's choice.
    const QString kept = absolute == folder_ ? fileName() : QString();
    folder_ = absolute;
    clear();
    addItems(names);
    setFileName(kept);
    return true;
}

QString FileList::fileName() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void FileList::setFileName(const QString& name)
{
    clearSelection();
    if (name.isEmpty())
        return;
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!found.isEmpty())
        setCurrentItem(found.first());
}

}  // namespace malvor
