#pragma once
// The lines of a result list, made from the netlist tables only when a view asks for them, so
// that a netlist of a million nodes lists at once and costs no memory beyond its tables.

#include "netlist_tables.h"

#include <QAbstractListModel>

namespace malvor {

class EntryListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Entries { components, nodes };

    explicit EntryListModel(Entries entries, QObject* parent = nullptr);

    // Lists every entry of `tables`, which must outlive the listing (or the next clear()).
    void setTables(const NetlistTables& tables);
    void clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The entry's bytes as text: UTF-8 where they are valid UTF-8, else Latin-1.
    static QString displayed(const std::string& bytes);

private:
    Entries entries_;
    const NetlistTables* tables_ = nullptr;
};

}  // namespace malvor
