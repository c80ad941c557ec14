#include "folder_list.h"

#include "drive_list.h"
#include "native_names.h"

#include <QDir>
#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace malvor {
namespace {

constexpr int path_role = Qt::UserRole;
constexpr int depth_role = Qt::UserRole + 1;
constexpr int indent_step = 8;

// Indents every entry by its depth below the root, as a tree drawn flat.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex& index)
    {
        return index.data(depth_role).toInt() * indent_step;
    }
};

// The folders from the root down to `folder`, each as an absolute path.
QStringList chain_to(const QString& folder)
{
    QStringList chain{folder};
    while (parent_folder(chain.first()) != chain.first())
        chain.prepend(parent_folder(chain.first()));
    return chain;
}

QString shown_name(const QString& folder)
{
    return shown_path(QDir::toNativeSeparators(name_in_path(folder)));
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::open);
    drive_ = DriveList::rootOf(working_folder());
    setPath(working_folder());
}

bool FolderList::setPath(const QString& folder)
{
    if (!is_folder(folder))
        return false;
    const QString absolute = absolute_path(folder);
    // A folder that cannot be listed is still entered, without subfolders: the folders above
    // it stay the way out.
    const QStringList subfolders = list_folder(absolute, EntryKind::folders).names;

    const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    clear();
    const QStringList chain = chain_to(absolute);
    for (int depth = 0; depth < chain.size(); ++depth) {
        auto* item = new QListWidgetItem(open_icon, shown_name(chain[depth]), this);
        item->setData(path_role, chain[depth]);
        item->setData(depth_role, depth);
    }
    setCurrentRow(count() - 1);
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(closed_icon, shown_path(name), this);
        item->setData(path_role, child_path(absolute, name));
        item->setData(depth_role, chain.size());
    }

    const bool changed = absolute != current_;
    current_ = absolute;
    last_on_drive_.insert(drive_, absolute);
    if (changed)
        emit pathChanged(current_);
    return true;
}

bool FolderList::setDrive(const QString& root)
{
    // Choosing the drive the list is on again lists its root, whatever folder it was in.
    const QString target = root == drive_ ? root : last_on_drive_.value(root, root);
    const QString previous_drive = drive_;
    drive_ = root;
    if (setPath(target) || (target != root && setPath(root)))
        return true;
    drive_ = previous_drive;
    return false;
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        open(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderList::open(QListWidgetItem* item)
{
    if (item)
        setPath(item->data(path_role).toString());
}

}  // namespace malvor
