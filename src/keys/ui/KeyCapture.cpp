// SPDX-License-Identifier: GPL-2.0-or-later

#include "keys/ui/KeyCapture.h"

#include <QApplication>
#include <QKeyEvent>

#include "base/ThreadCheck.h"

CQtKeyCapture::CQtKeyCapture(QObject* parent) : QObject(parent) {
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive)
            Stop();
    });
}

CQtKeyCapture::~CQtKeyCapture() {
    Stop();
}

void CQtKeyCapture::Start(QWidget* target, Sink sink) {
    ExpectUiThread("CQtKeyCapture::Start");
    Stop();
    if (!target)
        return;
    m_target = target;
    m_sink = std::move(sink);
    qApp->installEventFilter(this);
    // Without the grab the window manager would still act on Alt+F4 and Super.
    target->grabKeyboard();
}

void CQtKeyCapture::Stop() {
    if (!m_target && !m_sink)
        return;
    qApp->removeEventFilter(this);
    if (m_target)
        m_target->releaseKeyboard();
    m_target = nullptr;
    m_sink = nullptr;
}

unsigned CQtKeyCapture::LinuxKeyOf(const QKeyEvent& event) {
    const quint32 native = event.nativeScanCode();
    return native >= 8 ? native - 8 : 0;
}

bool CQtKeyCapture::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Taken here, so no shortcut of the window fires.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && m_sink) {
                // The sink may stop the capture; keep it alive for this call.
                const Sink sink = m_sink;
                sink({LinuxKeyOf(*key), event->type() == QEvent::KeyPress});
            }
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}
