#pragma once
// A folder list: the folders from the drive's root down to the current folder, then the
// current folder's subfolders, one level deeper, each under its name as well as it can be shown.
// Opening an entry (double-click or Enter) makes it current and reports the change.

#include <QHash>
#include <QListWidget>

namespace malvor {

class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    QString path() const { return current_; }
    // Makes `folder` current; one that cannot be listed shows no subfolders. A path that is not
    // a folder leaves everything as it was and gives false. Reports pathChanged when the folder
    // differs from the current one.
    bool setPath(const QString& folder);
    // Moves to the folder last opened on the drive at `root`, else to the root itself; the drive
    // the list is already on moves it to the root.
    bool setDrive(const QString& root);

signals:
    void pathChanged(const QString& folder);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void open(QListWidgetItem* item);

    QString current_;
    QString drive_;
    QHash<QString, QString> last_on_drive_;
};

}  // namespace malvor
