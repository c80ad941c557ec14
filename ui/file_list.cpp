#include "file_list.h"

#include "native_names.h"

namespace malvor {
namespace {

constexpr int name_role = Qt::UserRole;

}  // namespace

FileList::FileList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setFolder(working_folder());
}

void FileList::setPattern(const QString& pattern)
{
    pattern_ = pattern;
    setFolder(folder_);
}

bool FileList::setFolder(const QString& folder)
{
    if (!is_folder(folder))
        return false;
    const QString absolute = absolute_path(folder);
    // Name patterns match without regard to case: Amp.NET is a "*.net".
    const FolderListing listing = list_folder(absolute, EntryKind::files, pattern_);
    // Listing the same folder again keeps the user's choice.
    const QString kept = absolute == folder_ ? selectedName() : QString();
    folder_ = absolute;
    clear();
    for (const QString& name : listing.names) {
        auto* item = new QListWidgetItem(shown_path(name), this);
        item->setData(name_role, name);
        if (name == kept)
            setCurrentItem(item);
    }
    return !listing.error;
}

QString FileList::selectedName() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->data(name_role).toString();
}

QString FileList::fileName() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QByteArray FileList::fileNameBytes() const
{
    return path_bytes(selectedName());
}

void FileList::setFileName(const QString& name)
{
    clearSelection();
    if (name.isEmpty())
        return;
    const QList<QListWidgetItem*> found = findItems(
        name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!found.isEmpty())
        setCurrentItem(found.first());
}

}  // namespace malvor
