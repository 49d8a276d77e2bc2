#pragma once
// What the benchmarks that drive the real windows share: one fixture per program, made on first
// use (after the application object) and ended by EndFixture before the application object,
// since its windows must go first.
#include <QCoreApplication>
#include <QEvent>
#include <memory>

#include "app/TF_HAIR.h"

template <class T> std::unique_ptr<T>& FixtureSlot() {
    static std::unique_ptr<T> slot;
    return slot;
}

template <class T> T& Fixture() {
    std::unique_ptr<T>& slot = FixtureSlot<T>();
    if (!slot)
        slot = std::make_unique<T>();
    return *slot;
}

template <class T> void EndFixture() {
    FixtureSlot<T>().reset();
}

// Every document closed and freed, so the next iteration starts from an empty studio.
inline void CloseAllDocuments(velvo::app::TF_HAIR& main) {
    main.FecharTudo1Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
