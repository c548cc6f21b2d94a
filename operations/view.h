// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace operations {

// What the operations see of the window and change in it. The window implements it; tests may
// put a plain fake in its place.
class View {
public:
    enum class Box { Address, Command, Results, Error };

    virtual ~View() = default;

    // A box's text exactly as it was written or typed, CR LF pairs included.
    virtual QString text(Box box) const = 0;
    virtual void setText(Box box, const QString &text) = 0;
    virtual void showError(bool shown) = 0;
    // Paints the results box at once: the call that follows blocks the window.
    virtual void paintResults() = 0;
    // Enables the nine bus buttons: Set, the message buttons and the bus commands.
    virtual void enableBusButtons() = 0;
    // Auto Query is on only when its box is ticked; greyed counts as off.
    virtual bool autoQuery() const = 0;
    // Enables the Auto Query box and ticks it.
    virtual void turnOnAutoQuery() = 0;
    virtual void beep() = 0;
};

} // namespace operations
