#pragma once
// Ends the program when the last of its windows is gone. Qt leaves tool windows, such as the
// About window, out of its own last-window count, so the program counts its windows itself.

#include <QObject>
#include <QSet>

#include <functional>

namespace malvor {

class ProgramLifetime : public QObject {
    Q_OBJECT
public:
    // `on_last` runs when the last watched window is destroyed (default: quit the event loop).
    explicit ProgramLifetime(std::function<void()> on_last = {}, QObject* parent = nullptr);

public slots:
    // Keeps the program running while `window` exists; give it Qt::WA_DeleteOnClose so that
    // closing it ends its watch.
    void watch(QObject* window);

private:
    std::function<void()> on_last_;
    QSet<QObject*> windows_;
};

}  // namespace malvor
