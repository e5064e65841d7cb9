// SPDX-License-Identifier: GPL-2.0-or-later
// Turns the Qt signals and events of named controls into notifications for one sink (the
// window's Notify): buttons "click" (and "selectchanged" when checkable), sliders
// "movevaluechanged" while dragged and "valuechanged" when the value settles, spin boxes
// "valuechanged", combos and lists "itemselect" (and lists "itemclick"), edits "textchanged",
// colour palettes "colorchanged" (the colour as 0xAARRGGBB),
// and for every named control "setfocus", "killfocus" and "dbclick". Controls with the
// property "hovernotify" also send "msenter" and "msleave".
// In an editable line edit, Enter sends "killfocus" (the commit a page makes on leaving the
// edit) and Escape puts back the text the window showed before the user typed, committing
// nothing; leaving the edit right after either sends no second "killfocus".
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <functional>

#include "ui/Notify.h"

class CNotifyMapper : public QObject {
    Q_OBJECT
  public:
    using Sink = std::function<void(TNotifyUI&)>;

    explicit CNotifyMapper(Sink sink, QObject* parent = nullptr);

    // Every named control at and below root; controls attached before are skipped.
    void Attach(QWidget* root);
    void AttachControl(QWidget* control);
    // The notification types a control attached now can send, by its class and state.
    static QStringList TypesSent(const QWidget& control);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Enter and Escape in a line edit; true when the key was taken.
    bool EditKey(class QLineEdit* edit, const class QKeyEvent& key);
    void Send(const QString& type, QObject* sender, int param = 0);

    // Per line edit: the text the window shows (set by code, not typed), and whether Enter or
    // Escape settled the edit on it.
    struct Shown {
        QString text;
        bool settled = false;
    };
    QHash<QObject*, Shown> m_shown;

    Sink m_sink;
    QSet<QObject*> m_attached;
};
