#pragma once
// A drop-down list of the machine's drives: drive letters on Windows, the roots of the real
// file systems elsewhere. It reports every drive the user chooses, also the one already chosen,
// and every change made by setDrive.

#include <QComboBox>
#include <QStringList>

namespace malvor {

class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // The root path of the chosen drive ("C:/", "/", "/media/usb").
    QString drive() const;
    // Chooses the drive holding `path`, adding its root when the list lacks it.
    void setDrive(const QString& path);
    // Replaces the offered drives; keeps the chosen one when it is among them.
    void setRoots(const QStringList& roots);

    // The drives of this machine, in the order the list offers them.
    static QStringList machineRoots();
    // The root of the drive that holds `path`.
    static QString rootOf(const QString& path);

signals:
    void driveChanged(const QString& root);

private:
    int indexOfRoot(const QString& root) const;
    void addRoot(const QString& root);
};

}  // namespace malvor
