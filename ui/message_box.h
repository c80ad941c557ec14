#pragma once
// The program's modal message boxes, described apart from showing them so that the window's
// reports can be checked without a user to close them.

#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>
#include <string>

namespace malvor {

struct Message {
    QString title;
    QString text;  // lines broken by a lone CR
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

Message error_message(const QString& text);  // "Malvor - Error", critical, OK
// A reason from the system (an error code's message), in its code page, as a message's line.
QString reason_text(const std::string& reason);
Message info_message(const QString& text);  // "Malvor - Info", no icon, OK and Cancel

std::unique_ptr<QMessageBox> make_message_box(const Message& message, QWidget* parent);

// Shows a message modally and returns when it is closed.
using MessageShower = std::function<void(const Message&, QWidget* parent)>;
void show_modal(const Message& message, QWidget* parent);

}  // namespace malvor
