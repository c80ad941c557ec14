#pragma once
// A file list: the names of the files in one folder that match a wildcard pattern, ignoring
// case, sorted; the user selects one. Names that are not valid UTF-8 are listed too, shown as
// well as they can be, and keep their exact bytes.

#include <QListWidget>

namespace malvor {

class FileList : public QListWidget {
    Q_OBJECT
    Q_PROPERTY(QString pattern READ pattern WRITE setPattern)
public:
    explicit FileList(QWidget* parent = nullptr);

    QString pattern() const { return pattern_; }
    void setPattern(const QString& pattern);

    QString folder() const { return folder_; }
    // Lists `folder`. A folder that is gone keeps the previous list and gives false; one that
    // exists but cannot be listed shows nothing and gives false.
    bool setFolder(const QString& folder);

    // The selected name as shown, empty when nothing is selected.
    QString fileName() const;
    // The exact bytes of the selected name in the file system, empty when nothing is selected.
    QByteArray fileNameBytes() const;
    // Selects the name shown as `name` when listed; an empty name clears the selection.
    void setFileName(const QString& name);

private:
    QString selectedName() const;

    QString folder_;
    QString pattern_ = QStringLiteral("*");
};

}  // namespace malvor
