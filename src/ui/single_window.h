#pragma once

#include <QPointer>

#include <utility>

namespace zorvan {

// Opens the one window of its kind, non-modally; opening it again brings
// the open one forward. `window` forgets it when it closes.
template <class Window, class... Args> Window *openSingleWindow(QPointer<Window> &window, Args &&...args)
{
    if (!window) {
        window = new Window(std::forward<Args>(args)...);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    }
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace zorvan
