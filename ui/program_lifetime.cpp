#include "program_lifetime.h"

#include <QCoreApplication>

namespace malvor {

ProgramLifetime::ProgramLifetime(std::function<void()> on_last, QObject* parent)
    : QObject(parent), on_last_(on_last ? std::move(on_last) : [] { QCoreApplication::quit(); })
{
}

void ProgramLifetime::watch(QObject* window)
{
    if (!window || windows_.contains(window))
        return;
    windows_.insert(window);
    connect(window, &QObject::destroyed, this, [this, window] {
        windows_.remove(window);
        if (windows_.isEmpty())
            on_last_();
    });
}

}  // namespace malvor
