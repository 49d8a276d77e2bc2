#pragma once
#include <QIcon>
#include <QImage>

namespace velvo::app {

// The program's own pictures, drawn rather than stored so they stay sharp at every size.
// The icon: a head in profile under a sweep of hair, on `ground` (transparent by default).
QImage programIcon(int size, const QColor& ground = Qt::transparent);
// The icon as window title bars take it, at the sizes frames and task bars ask for.
QIcon programWindowIcon();
// The about box's picture: three heads with three hair colours, 103 x 69, on white.
QImage aboutPicture();

} // namespace velvo::app
