#pragma once
// The About window: the program's title, the systems it is for, its rights notice, its icon,
// and the author, contact and version lines. Modeless, without owner; closing it destroys it.

#include <QWidget>

#include <memory>

namespace Ui {
class frm_About;
}

class frm_About : public QWidget {
    Q_OBJECT
public:
    explicit frm_About(QWidget* parent = nullptr);
    ~frm_About() override;

    static const QString author_line;
    static const QString contact_line;
    static const QString version_line;

public slots:
    void Form_Load();
    void cmdOK_Click();

private:
    std::unique_ptr<Ui::frm_About> ui;
};
