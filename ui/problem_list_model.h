#pragma once
// The rows of the problems window: first the libraries without packages, then one row per
// problem with its netlist line and the converter's message, made when a view asks for them.

#include "conversion_setup.h"

#include <QAbstractTableModel>

#include <memory>
#include <string>
#include <vector>

namespace malvor {

class ProblemListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { line_column, message_column };

    using QAbstractTableModel::QAbstractTableModel;

    // Lists the check's problems; null lists none.
    void setCheck(std::shared_ptr<const CheckedNetlist> check);
    // The problem of a row, or null for a library's row.
    const Problem* problem(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const CheckedNetlist> check_;
    std::vector<std::string> notes_;
};

}  // namespace malvor
