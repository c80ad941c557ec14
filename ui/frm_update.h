#pragma once
// The update window: what bringing a board up to the netlist changes, one line per change as the
// converter prints them, under the board's name and the count; "Update" writes the board in
// place as malvor-convert --update does (its backups kept), "Cancel" leaves it as it is.

#include "checked_update.h"

#include <QWidget>

#include <memory>

class QLabel;
class QListWidget;
class QPushButton;

class frm_update : public QWidget {
    Q_OBJECT
public:
    frm_update(QString board, std::unique_ptr<malvor::CheckedUpdate> update,
               QWidget* parent = nullptr);
    ~frm_update() override;

    const QString& board() const { return board_; }

signals:
    // "Update" wrote the board (`error` empty), or could not (the file and why).
    void written(const QString& board, const QString& error);

private:
    void write();

    QString board_;
    std::unique_ptr<malvor::CheckedUpdate> update_;
    QLabel* count_;
    QListWidget* list_;
};
