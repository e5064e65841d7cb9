// SPDX-License-Identifier: GPL-2.0-or-later
// The file a page asks for without an event loop of its own: the answer comes through a call,
// so a test can answer it as a user would while its own event loop runs. (Messages go through
// the window's message channel, ui/PageRoad.h.)
#pragma once

#include <QFileDialog>
#include <QString>
#include <functional>

// Opens the dialog window-modal over `owner`'s window and returns it; `chosen` gets the file
// when the user accepts one. `filter` is "Name(*.ext)"; a typed name without an extension gets
// `suffix`. Saving never asks about replacing a file: the caller does, in the program's words.
QFileDialog* OpenFileChooser(QWidget* owner, const QString& title, const QString& filter,
                             const QString& suffix, bool save,
                             std::function<void(const QString& file)> chosen);
