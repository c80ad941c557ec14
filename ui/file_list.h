#pragma once
// A file list: the names of the files in one folder that match a wildcard pattern, ignoring
// case, sorted; the user selects one.

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
    // Lists `folder`. A folder that cannot be listed keeps the previous list and gives false.
    bool setFolder(const QString& folder);

    // The selected name, empty when nothing is selected.
    QString fileName() const;
    // Selects `name` when listed; an empty name clears the selection.
    void setFileName(const QString& name);

private:
    QString folder_;
    QString pattern_ = QStringLiteral("*");
};

}  // namespace malvor
