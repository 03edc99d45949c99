#pragma once
#include <QRect>

class QLabel;
class QWidget;

// The vertical gradient behind the controls of the entry dialog and the search window, from
// RGB(32, 90, 146) at the top to RGB(37, 153, 189) at the bottom, stretched over its rectangle.
QLabel* NewGradientPicture(QWidget* parent, const QRect& rect);
