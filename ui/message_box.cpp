#include "message_box.h"

#include "program_look.h"

namespace malvor {

QString reason_text(const std::string& reason)
{
    return QString::fromLocal8Bit(reason.data(), static_cast<qsizetype>(reason.size()));
}

Message error_message(const QString& text)
{
    return {QStringLiteral("Malvor - Error"), text, QMessageBox::Critical, QMessageBox::Ok};
}

Message info_message(const QString& text)
{
    return {QStringLiteral("Malvor - Info"), text, QMessageBox::NoIcon,
            QMessageBox::Ok | QMessageBox::Cancel};
}

std::unique_ptr<QMessageBox> make_message_box(const Message& message, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(
        message.icon, message.title, shown_lines(message.text), message.buttons, parent);
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

void show_modal(const Message& message, QWidget* parent)
{
    make_message_box(message, parent)->exec();
}

}  // namespace malvor
