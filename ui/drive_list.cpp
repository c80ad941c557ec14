#include "drive_list.h"

#include "native_names.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace malvor {
namespace {

QString label_for(const QString& root)
{
#ifdef _WIN32
    // "c:" as the classic drive lists wrote it.
    return QDir::toNativeSeparators(root).left(2).toLower();
#else
    return root;
#endif
}

#ifndef _WIN32
// File systems that hold no user files: kernel interfaces and memory-backed scratch space.
bool is_pseudo_file_system(const QByteArray& type)
{
    static const QSet<QByteArray> pseudo{
        "proc",       "sysfs",  "cgroup",      "cgroup2",  "tmpfs",
        "devtmpfs",   "devpts", "mqueue",      "debugfs",  "tracefs",
        "securityfs", "pstore", "bpf",         "configfs", "fusectl",
        "hugetlbfs",  "autofs", "binfmt_misc", "efivarfs", "rpc_pipefs",
        "nsfs",       "ramfs",  "selinuxfs",   "squashfs", "fuse.gvfsd-fuse",
        "fuse.portal"};
    return pseudo.contains(type);
}

bool is_system_area(const QString& root)
{
    for (const char* area : {"/proc", "/sys", "/dev", "/run", "/boot/efi", "/snap"}) {
        const QString prefix = QString::fromLatin1(area);
        if (root == prefix || root.startsWith(prefix + u'/'))
            return true;
    }
    return false;
}
#endif

}  // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    setRoots(machineRoots());
    setDrive(working_folder());
    // Choosing the same drive again is reported too: it is the way back to the drive's root.
    connect(this, &QComboBox::activated, this, [this] { emit driveChanged(drive()); });
}

QStringList DriveList::machineRoots()
{
    QStringList roots;
#ifdef _WIN32
    for (const QFileInfo& drive : QDir::drives())
        roots << drive.absoluteFilePath();
#else
    roots << QStringLiteral("/");
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || is_pseudo_file_system(volume.fileSystemType()) ||
            is_system_area(root) || !QFileInfo(root).isDir() || roots.contains(root))
            continue;
        roots << root;
    }
    std::sort(roots.begin() + 1, roots.end());
#endif
    return roots;
}

QString DriveList::rootOf(const QString& path)
{
#ifdef _WIN32
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (absolute.size() >= 2 && absolute.at(1) == u':')
        return absolute.left(2).toUpper() + u'/';
    return QStorageInfo(path).rootPath();
#else
    // The file system is asked about the nearest folder whose name Qt can pass on unchanged.
    QString plain = absolute_path(path);
    while (path_from_bytes(QFile::encodeName(plain)) != plain)
        plain = parent_folder(plain);
    QString root = QStorageInfo(plain).rootPath();
    return root.isEmpty() ? QStringLiteral("/") : root;
#endif
}

QString DriveList::drive() const
{
    return currentData().toString();
}

void DriveList::setDrive(const QString& path)
{
    const QString root = indexOfRoot(path) >= 0 ? path : rootOf(path);
    if (indexOfRoot(root) < 0)
        addRoot(root);
    const int before = currentIndex();
    setCurrentIndex(indexOfRoot(root));
    if (currentIndex() != before)
        emit driveChanged(drive());
}

void DriveList::setRoots(const QStringList& roots)
{
    const QString chosen = drive();
    const QSignalBlocker quiet(this);
    clear();
    for (const QString& root : roots)
        addRoot(root);
    setCurrentIndex(std::max(0, indexOfRoot(chosen)));
}

int DriveList::indexOfRoot(const QString& root) const
{
    return findData(root);
}

void DriveList::addRoot(const QString& root)
{
    addItem(label_for(root), root);
}

}  // namespace malvor
