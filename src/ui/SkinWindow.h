// SPDX-License-Identifier: GPL-2.0-or-later
// The window base of the skin: a frameless top-level window built from a layout, with its
// controls' notifications, control timers keyed by id, a DPI of its own, caption dragging and
// a modal run.
#pragma once

#include <QEventLoop>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <string_view>

#include "ui/Notify.h"

class CNotifyMapper;
class QTimer;

class CSkinWindow : public QWidget {
    Q_OBJECT
  public:
    // The title-bar buttons every window layout names alike.
    static constexpr const char* kCloseButton = "closebtn";
    static constexpr const char* kMinButton = "minbtn";
    static constexpr const char* kMaxButton = "maxbtn";
    static constexpr const char* kRestoreButton = "restorebtn";

    // With an owner the window stays above it and is closed with it.
    explicit CSkinWindow(QWidget* owner = nullptr);
    ~CSkinWindow() override;

    // Builds the layout (a map id or a relative path) into the window, wires its controls'
    // notifications, calls InitWindow and then sends "windowinit" from the event loop.
    // False when the layout cannot be built.
    bool Create(const QString& layout);
    QWidget* Root() const { return m_root; }

    template <class T = QWidget>
    T* FindControl(const QString& name) const {
        if (m_root && m_root->objectName() == name)
            return qobject_cast<T*>(m_root);
        return m_root ? m_root->findChild<T*>(name) : nullptr;
    }
    // Wires the notifications of controls added after Create.
    void AttachControls(QWidget* subtree);

    // Sends "timer" (wParam = id) for `control` every `ms` until killed; setting a running
    // timer again restarts it.
    void SetTimer(QObject* control, int id, int ms);
    void KillTimer(QObject* control, int id);
    bool IsTimerActive(QObject* control, int id) const;

    // Takes 48, 72, 96, 120, 144, 168 or 192; any other value gives 96 and `errorLine` on the
    // debug output. Returns the DPI now in force. Sizes, fonts and images follow it.
    int SetDpi(int dpi, std::string_view errorLine);
    int Dpi() const { return m_dpi; }
    double Scale() const;

    // Shows the window modal and returns the result Close gave it (0 when closed otherwise).
    int ShowModal();
    bool IsModalRunning() const { return m_modalLoop != nullptr; }
    // Shows the window modal over its owner (over every window without one) and returns at
    // once, without an event loop of its own; Finished follows when it closes.
    void Open();
    bool IsOpen() const { return m_open; }
    // Hides the window and ends ShowModal or Open with `result`.
    void Close(int result);
    // On the owner when there is one, else on the screen.
    void CenterWindow();
    // Pop-ups close on Escape (result 0), as the close button does.
    void SetClosesOnEscape(bool closes) { m_closesOnEscape = closes; }

    virtual void Notify(TNotifyUI& msg);

  signals:
    // The end of Open: the result Close gave, 0 when the window was closed otherwise.
    void Finished(int result);

  protected:
    virtual QWidget* CreateControl(const QString& element, QWidget* parent);
    virtual void InitWindow() {}

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyScale();
    // Ends Open once; the receivers may delete the window later, never at once.
    void EndOpen(int result);

    QWidget* m_root = nullptr;
    CNotifyMapper* m_mapper = nullptr;
    QHash<QPair<QObject*, int>, QTimer*> m_timers;
    int m_dpi = 96;
    int m_result = 0;
    QEventLoop* m_modalLoop = nullptr;
    bool m_open = false;
    bool m_closesOnEscape = false;
};
