#pragma once
// The label preview as the user finds it: the visible top-level window holding a print preview.
#include <QApplication>
#include <QPrintPreviewWidget>
#include <QWidget>

namespace testsupport {

inline QWidget* OpenPreviewWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->findChild<QPrintPreviewWidget*>())
            return w;
    return nullptr;
}

inline QPrintPreviewWidget* OpenPreview()
{
    QWidget* window = OpenPreviewWindow();
    return window ? window->findChild<QPrintPreviewWidget*>() : nullptr;
}

}  // namespace testsupport
