// The questions a page asks without an event loop of its own: a message (the window shows it
// with its message window) and a file to open or save. Both answer through a call, so a test
// can answer them as a user would while its own event loop runs.
#pragma once

#include <QFileDialog>
#include <QString>
#include <functional>

// Shows `text`; with `ask` it offers confirm and cancel and `answered` learns the choice.
using MessageAction =
    std::function<void(const QString& text, bool ask, std::function<void(bool)> answered)>;

// Shows the language text of `key`, with `argument` for its "%1" when given (on the debug output
// when there is no message action).
void Tell(const MessageAction& message, const QString& key, const QString& argument = {});

// Opens the dialog window-modal over `owner`'s window and returns it; `chosen` gets the file
// when the user accepts one. `filter` is "Name(*.ext)"; a typed name without an extension gets
// `suffix`. Saving never asks about replacing a file: the caller does, in the program's words.
QFileDialog* OpenFileChooser(QWidget* owner, const QString& title, const QString& filter,
                             const QString& suffix, bool save,
                             std::function<void(const QString& file)> chosen);

// Runs `write` at once for a file that does not exist; for one that does, once the user agreed
// to replace it (nothing is written when nobody can be asked).
void WriteUnlessDeclined(const MessageAction& message, const QString& file,
                         std::function<void()> write);
