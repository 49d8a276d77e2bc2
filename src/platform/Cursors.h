#pragma once
#include <QCursor>
#include <QHash>

namespace velvo::platform {

// Cursors registered by number, as the windows ask for them (1778..1785 are the engine's
// zoom, hand and cross cursors). An unregistered number gives the arrow.
class Cursors {
public:
    static Cursors& instance();
    void registerCursor(int id, const QCursor& cursor) { cursors_.insert(id, cursor); }
    bool has(int id) const { return cursors_.contains(id); }
    QCursor cursor(int id) const { return cursors_.value(id, QCursor(Qt::ArrowCursor)); }

private:
    QHash<int, QCursor> cursors_;
};

// The identifiers of the engine's cursors.
enum CursorId {
    crZoomOut = 1778, // "ZOOMMENO"
    crZoomIn = 1779,  // "ZOOMPIU"
    crCross = 1780,   // "CROCE"
    crEraser = 1781,  // "GOMMA"
    crHand = 1782,    // "MANO"
    crPen = 1783,     // "PENNA"
    crCross1 = 1784,  // "CROCE1"
    crCross2 = 1785,  // "CROCE2"
};

// Draws the eight pictures and registers them under 1778..1785, in that order. Needs a
// QGuiApplication. Registering again replaces them.
void registerEngineCursors();

// Hourglass for the lifetime of the guard, also when an exception leaves the scope.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace velvo::platform
