#pragma once
// Where windows open: centred over another window, kept on the desktop and the primary monitor.
#include <QPoint>
#include <QRect>
#include <QSize>

// The position of a window of the given size centred over `over`; a position left of or above
// `desktop` is moved to its left or top edge.
QPoint CentredOver(const QRect& over, const QSize& size, const QRect& desktop);

// A window of the given size at p whose centre lies outside `monitor` is moved onto it.
QPoint OntoMonitor(const QPoint& p, const QSize& size, const QRect& monitor);
