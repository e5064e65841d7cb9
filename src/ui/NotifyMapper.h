// Turns the Qt signals and events of named controls into notifications for one sink (the
// window's Notify): buttons "click" (and "selectchanged" when checkable), sliders
// "movevaluechanged" while dragged and "valuechanged" when the value settles, spin boxes
// "valuechanged", combos and lists "itemselect" (and lists "itemclick"), edits "textchanged",
// colour palettes "colorchanged" (the colour as 0xAARRGGBB),
// and for every named control "setfocus", "killfocus" and "dbclick". Controls with the
// property "hovernotify" also send "msenter" and "msleave".
#pragma once

#include <QObject>
#include <QSet>
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

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Send(const QString& type, QObject* sender, int param = 0);

    Sink m_sink;
    QSet<QObject*> m_attached;
};
