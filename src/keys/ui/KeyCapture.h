// SPDX-License-Identifier: GPL-2.0-or-later
// Key capture for the assignment editor: while it runs, every key press and release goes to the
// editor and nowhere else, so keys the window or the desktop would act on (Tab, Escape, Alt+F4,
// Super) can be assigned too. The system-wide recorder plugs in behind the same interface.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

// A key as the kernel names it (evdev KEY_*), pressed or released.
struct CapturedKey {
    unsigned linuxKey = 0;
    bool pressed = true;
};

class IKeyCapture {
  public:
    using Sink = std::function<void(const CapturedKey&)>;
    virtual ~IKeyCapture() = default;
    // Captures for `target` until Stop; a running capture is stopped first.
    virtual void Start(QWidget* target, Sink sink) = 0;
    virtual void Stop() = 0;
    virtual bool IsCapturing() const = 0;
};

// Capture from the window's own key events: the keyboard is grabbed, shortcuts are held off,
// and it ends by itself when the application loses the focus.
class CQtKeyCapture : public QObject, public IKeyCapture {
    Q_OBJECT
  public:
    explicit CQtKeyCapture(QObject* parent = nullptr);
    ~CQtKeyCapture() override;

    void Start(QWidget* target, Sink sink) override;
    void Stop() override;
    bool IsCapturing() const override { return m_target != nullptr; }

    // The evdev key of a key event: X11 and Wayland give it plus 8 as the native scan code.
    static unsigned LinuxKeyOf(const class QKeyEvent& event);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<QWidget> m_target;
    Sink m_sink;
};
