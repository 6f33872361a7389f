#pragma once
// Driving modal windows from a test: the action runs once the wanted window
// is the active modal one. A window that never comes leaves the modal loop
// closed after a few seconds, so a fault fails the test instead of hanging it.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "../UiTestSupport.h"
#include "ui/common/TLanguage.h"

namespace dlgtest {

template <class T>
void WhenModal(std::function<void(T*)> act, int timeoutMs = 5000)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, act, clock, timeoutMs] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "the expected modal window did not come";
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
        }
    });
    timer->start();
}

// The delivered language file with a private Config.ini.
struct Languages {
    std::filesystem::path dir;
    std::filesystem::path config;
    std::unique_ptr<TLanguage> table;
    explicit Languages(const std::string& name)
    {
        dir = uitest::FreshDir(name);
        config = dir / "Config.ini";
        table = std::make_unique<TLanguage>((uitest::BinDir() / "Language.ini").string(), config.string());
    }
    TLanguage* get() const { return table.get(); }
};

inline QString Plain(QString caption)
{
    return caption.remove('&');
}

}  // namespace dlgtest
