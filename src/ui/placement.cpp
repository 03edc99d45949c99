#include "ui/placement.h"

#include <algorithm>

QPoint CentredOver(const QRect& over, const QSize& size, const QRect& desktop)
{
    QPoint p(over.left() + (over.width() - size.width()) / 2,
             over.top() + (over.height() - size.height()) / 2);
    p.setX(std::max(p.x(), desktop.left()));
    p.setY(std::max(p.y(), desktop.top()));
    return p;
}

QPoint OntoMonitor(const QPoint& p, const QSize& size, const QRect& monitor)
{
    QRect r(p, size);
    if (monitor.isEmpty() || monitor.contains(r.center()))
        return p;
    r.moveLeft(std::clamp(r.left(), monitor.left(),
                          std::max(monitor.left(), monitor.right() + 1 - r.width())));
    r.moveTop(std::clamp(r.top(), monitor.top(),
                         std::max(monitor.top(), monitor.bottom() + 1 - r.height())));
    return r.topLeft();
}
