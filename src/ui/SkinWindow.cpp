// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/SkinWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>

#include "ui/DpiRule.h"
#include "ui/NotifyMapper.h"
#include "ui/QueuedCall.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

namespace {

// Sizes as the layout gives them at 96 DPI, kept on the widget the first time it is scaled.
constexpr const char* kBaseMin = "_skin_base_min";
constexpr const char* kBaseMax = "_skin_base_max";
constexpr const char* kBaseMargins = "_skin_base_margins";
constexpr const char* kBaseSpacing = "_skin_base_spacing";

int ScaledLength(int length, double scale) {
    if (length >= QWIDGETSIZE_MAX)
        return QWIDGETSIZE_MAX;
    return static_cast<int>(std::lround(length * scale));
}

QSize ScaledSize(QSize size, double scale) {
    return {ScaledLength(size.width(), scale), ScaledLength(size.height(), scale)};
}

void ScaleLayout(QLayout* layout, double scale) {
    if (!layout)
        return;
    QVariant margins = layout->property(kBaseMargins);
    if (!margins.isValid()) {
        QMargins m = layout->contentsMargins();
        margins = QVariant::fromValue(QRect(m.left(), m.top(), m.right(), m.bottom()));
        layout->setProperty(kBaseMargins, margins);
        layout->setProperty(kBaseSpacing, layout->spacing());
    }
    QRect m = margins.toRect();
    layout->setContentsMargins(ScaledLength(m.left(), scale), ScaledLength(m.top(), scale),
                               ScaledLength(m.width(), scale), ScaledLength(m.height(), scale));
    int spacing = layout->property(kBaseSpacing).toInt();
    if (spacing >= 0)
        layout->setSpacing(ScaledLength(spacing, scale));
    for (int i = 0; i < layout->count(); ++i)
        ScaleLayout(layout->itemAt(i)->layout(), scale);
}

}  // namespace

CSkinWindow::CSkinWindow(QWidget* owner) : QWidget(owner, Qt::Window | Qt::FramelessWindowHint) {
    m_mapper = new CNotifyMapper([this](TNotifyUI& msg) { Notify(msg); }, this);
}

CSkinWindow::~CSkinWindow() {
    // The focus leaving a control while QWidget tears the window down would otherwise notify
    // a window that is no longer whole.
    delete m_mapper;
    m_mapper = nullptr;
    // Before the controls go: their timers' clean-up would otherwise reach the gone map.
    for (QTimer* timer : std::as_const(m_timers))
        delete timer;
    m_timers.clear();
    if (m_modalLoop)
        m_modalLoop->exit(0);
}

bool CSkinWindow::Create(const QString& layout) {
    CSkinBuilder builder(
        [this](const QString& element, QWidget* parent) { return CreateControl(element, parent); });
    QWidget* root = builder.Build(layout, this);
    if (!root)
        return false;
    m_root = root;
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(root);
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (widget->property("caption").toBool())
            widget->installEventFilter(this);
    }
    m_mapper->Attach(root);
    ApplyScale();
    InitWindow();
    QueueOnThreadOf(this, [this] {
        TNotifyUI msg{NotifyType::kWindowInit, m_root, 0};
        Notify(msg);
    });
    return true;
}

void CSkinWindow::AttachControls(QWidget* subtree) {
    m_mapper->Attach(subtree);
}

QWidget* CSkinWindow::CreateControl(const QString&, QWidget*) {
    return nullptr;
}

void CSkinWindow::Notify(TNotifyUI&) {}

void CSkinWindow::SetTimer(QObject* control, int id, int ms) {
    QTimer*& timer = m_timers[{control, id}];
    if (!timer) {
        timer = new QTimer(this);
        QPointer<QObject> target(control);
        connect(timer, &QTimer::timeout, this, [this, control, target, id] {
            if (!target) {
                KillTimer(control, id);
                return;
            }
            TNotifyUI msg{NotifyType::kTimer, target, id};
            Notify(msg);
        });
        if (control != this)
            connect(control, &QObject::destroyed, timer, [this, control, id] {
                if (QTimer* dead = m_timers.take({control, id}))
                    dead->deleteLater();
            });
    }
    timer->start(ms);
}

void CSkinWindow::KillTimer(QObject* control, int id) {
    if (QTimer* timer = m_timers.take({control, id})) {
        timer->stop();
        timer->deleteLater();
    }
}

bool CSkinWindow::IsTimerActive(QObject* control, int id) const {
    QTimer* timer = m_timers.value({control, id});
    return timer && timer->isActive();
}

int CSkinWindow::SetDpi(int dpi, std::string_view errorLine) {
    m_dpi = CheckedDpi(dpi, errorLine);
    ApplyScale();
    return m_dpi;
}

double CSkinWindow::Scale() const {
    return DpiScale(m_dpi);
}

void CSkinWindow::ApplyScale() {
    if (!m_root)
        return;
    double scale = Scale();
    // Sizes the style sheet set stick through a style sheet change; clearing it first gives
    // them back, so the new one applies its own.
    setStyleSheet(QString());
    QList<QWidget*> widgets = m_root->findChildren<QWidget*>();
    widgets.prepend(m_root);
    for (QWidget* widget : widgets) {
        if (!widget->property(kBaseMin).isValid()) {
            widget->setProperty(kBaseMin, widget->minimumSize());
            widget->setProperty(kBaseMax, widget->maximumSize());
        }
        widget->setMinimumSize(ScaledSize(widget->property(kBaseMin).toSize(), scale));
        widget->setMaximumSize(ScaledSize(widget->property(kBaseMax).toSize(), scale));
        ScaleLayout(widget->layout(), scale);
    }
    setStyleSheet(Skin().StyleSheet(scale));
}

int CSkinWindow::ShowModal() {
    if (m_modalLoop)
        return 0;
    m_result = 0;
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    m_modalLoop = &loop;
    QPointer<CSkinWindow> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (!self)
        return 0;
    m_modalLoop = nullptr;
    return m_result;
}

void CSkinWindow::Open() {
    if (m_modalLoop || m_open)
        return;
    m_result = 0;
    m_open = true;
    setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void CSkinWindow::EndOpen(int result) {
    if (!m_open)
        return;
    m_open = false;
    emit Finished(result);
}

void CSkinWindow::Close(int result) {
    m_result = result;
    hide();
    if (m_modalLoop)
        m_modalLoop->exit(result);
    EndOpen(result);
}

void CSkinWindow::CenterWindow() {
    QRect area;
    if (QWidget* owner = parentWidget(); owner && owner->isVisible())
        area = owner->window()->geometry();
    else if (QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen())
        area = where->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

void CSkinWindow::keyPressEvent(QKeyEvent* event) {
    if (m_closesOnEscape && event->key() == Qt::Key_Escape &&
        event->modifiers() == Qt::NoModifier) {
        Close(0);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CSkinWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    if (m_modalLoop)
        m_modalLoop->exit(m_result);
    EndOpen(m_result);
}

void CSkinWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_root) {
        TNotifyUI msg{NotifyType::kWindowSize, m_root, 0};
        Notify(msg);
    }
}

bool CSkinWindow::eventFilter(QObject* watched, QEvent* event) {
    // The caption moves the window, as there is no system title bar.
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && windowHandle()) {
        windowHandle()->startSystemMove();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
