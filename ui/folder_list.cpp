#include "folder_list.h"

#include "drive_list.h"

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
    static int indent(const QModelIndex& index) { return index.data(depth_role).toInt() * indent_step; }
};

// The folders from the root down to `folder`, each as an absolute path.
QStringList chain_to(const QString& folder)
{
    QStringList chain;
    QDir dir(folder);
    chain.prepend(dir.absolutePath());
    while (dir.cdUp())
        chain.prepend(dir.absolutePath());
    return chain;
}

QString shown_name(const QString& folder)
{
    const QString name = QDir(folder).dirName();
    return QDir(folder).isRoot() || name.isEmpty() ? QDir::toNativeSeparators(folder) : name;
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::open);
    drive_ = DriveList::rootOf(QDir::currentPath());
    setPath(QDir::currentPath());
}

bool FolderList::setPath(const QString& folder)
{
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable())
        return false;
    const QString absolute = QDir::cleanPath(dir.absolutePath());
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);

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
        auto* item = new QListWidgetItem(closed_icon, name, this);
        item->setData(path_role, dir.absoluteFilePath(name));
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
    const QString previous_drive = drive_;
    drive_ = root;
    const QString remembered = last_on_drive_.value(root, root);
    if (setPath(remembered) || (remembered != root && setPath(root)))
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
