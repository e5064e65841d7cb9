// SPDX-License-Identifier: GPL-2.0-or-later
// A page: the part of a window that owns a set of controls and handles their notifications.
// Its control names stand once, in a table in its header (the skin tests check every table
// against its layout, so a renamed control fails a test), and its handlers in a table by
// notification type and control name. The window hands a notification to the pages around
// its sender and stays the same size however many pages there are.
#pragma once

#include <QStringList>
#include <QWidget>
#include <span>
#include <string_view>

#include "ui/Notify.h"

// A control the page looks up: one name, or numbered controls name + first … name + last.
struct PageControl {
    const char* name;
    int first = 0;
    int last = -1;
    constexpr bool Numbered() const { return last >= first; }
};

// The controls a page binds in one layout (a layout id of "res.xml" or a layout file).
struct PageLayoutControls {
    const char* layout;
    std::span<const PageControl> controls;
};

// A handler of a notification type for a control; a name ending in '_' takes the numbered
// controls of that prefix and is handed the number (-1 for a plain name).
template <class Page>
struct PageHandler {
    const char* type;
    const char* name;
    void (Page::*handler)(TNotifyUI& msg, int number);
};

// The number of a numbered control ("DPI_edit_3" → 3), -1 when `name` is not `prefix` + digits.
int ControlNumber(const QString& name, std::string_view prefix);

// Runs the first handler of `table` that matches the notification on `owner` (a page, or a
// window that keeps a handler table of its own); true when one did.
template <class Owner>
bool DispatchNotify(Owner& owner, std::span<const PageHandler<Owner>> table, TNotifyUI& msg) {
    const QString name = msg.SenderName();
    for (const PageHandler<Owner>& entry : table) {
        if (msg.sType != QLatin1String(entry.type))
            continue;
        const std::string_view wanted(entry.name);
        int number = -1;
        if (!wanted.empty() && wanted.back() == '_') {
            number = ControlNumber(name, wanted);
            if (number < 0)
                continue;
        } else if (name != QLatin1String(entry.name)) {
            continue;
        }
        (owner.*entry.handler)(msg, number);
        return true;
    }
    return false;
}

class CPageUI : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    // A notification from a control inside the page; true when the page took it.
    virtual bool HandleNotify(TNotifyUI& msg) = 0;

  protected:
    // Runs the first handler of `table` that matches the notification.
    template <class Page>
    bool Dispatch(std::span<const PageHandler<Page>> table, TNotifyUI& msg) {
        return DispatchNotify(*static_cast<Page*>(this), table, msg);
    }
};

// Offers the notification to each page around its sender, innermost first; true when one took it.
bool RouteToPages(TNotifyUI& msg);

// The names of `controls` that `root` lacks (itself or a child), numbered ones expanded.
QStringList MissingControls(const QWidget& root, std::span<const PageControl> controls);
