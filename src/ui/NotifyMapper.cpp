#include "ui/NotifyMapper.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>

#include "ui/ColorPalette.h"

CNotifyMapper::CNotifyMapper(Sink sink, QObject* parent)
    : QObject(parent), m_sink(std::move(sink)) {}

void CNotifyMapper::Attach(QWidget* root) {
    AttachControl(root);
    for (QWidget* child : root->findChildren<QWidget*>())
        AttachControl(child);
}

void CNotifyMapper::AttachControl(QWidget* control) {
    // Unnamed and Qt's own inner widgets ("qt_spinbox_lineedit") have no handler to reach.
    if (control->objectName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_")))
        return;
    if (m_attached.contains(control))
        return;
    m_attached.insert(control);
    connect(control, &QObject::destroyed, this, [this, control] { m_attached.remove(control); });

    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { Send(NotifyType::kClick, button); });
        if (button->isCheckable())
            connect(button, &QAbstractButton::toggled, this,
                    [this, button](bool on) { Send(NotifyType::kSelectChanged, button, on); });
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
        connect(slider, &QAbstractSlider::sliderMoved, this,
                [this, slider](int value) { Send(NotifyType::kMoveValueChanged, slider, value); });
        connect(slider, &QAbstractSlider::valueChanged, this, [this, slider](int value) {
            if (!slider->isSliderDown())
                Send(NotifyType::kValueChanged, slider, value);
        });
        connect(slider, &QAbstractSlider::sliderReleased, this,
                [this, slider] { Send(NotifyType::kValueChanged, slider, slider->value()); });
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        connect(spin, &QSpinBox::valueChanged, this,
                [this, spin](int value) { Send(NotifyType::kValueChanged, spin, value); });
    } else if (auto* doubleSpin = qobject_cast<QDoubleSpinBox*>(control)) {
        connect(doubleSpin, &QDoubleSpinBox::valueChanged, this,
                [this, doubleSpin] { Send(NotifyType::kValueChanged, doubleSpin); });
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, combo](int index) { Send(NotifyType::kItemSelect, combo, index); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        connect(edit, &QLineEdit::textChanged, this,
                [this, edit] { Send(NotifyType::kTextChanged, edit); });
    } else if (auto* text = qobject_cast<QTextEdit*>(control)) {
        connect(text, &QTextEdit::textChanged, this,
                [this, text] { Send(NotifyType::kTextChanged, text); });
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        connect(plain, &QPlainTextEdit::textChanged, this,
                [this, plain] { Send(NotifyType::kTextChanged, plain); });
    } else if (auto* palette = qobject_cast<CColorPaletteUI*>(control)) {
        connect(palette, &CColorPaletteUI::ColourChanged, this, [this, palette](const QColor& c) {
            Send(NotifyType::kColorChanged, palette, static_cast<int>(c.rgb()));
        });
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        connect(list, &QListWidget::currentRowChanged, this,
                [this, list](int row) { Send(NotifyType::kItemSelect, list, row); });
        connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
            Send(NotifyType::kItemClick, list, list->row(item));
        });
    }
    control->installEventFilter(this);
}

bool CNotifyMapper::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::FocusIn:
            Send(NotifyType::kSetFocus, watched);
            break;
        case QEvent::FocusOut:
            Send(NotifyType::kKillFocus, watched);
            break;
        case QEvent::MouseButtonDblClick:
            Send(NotifyType::kDbClick, watched);
            break;
        case QEvent::Enter:
            if (watched->property("hovernotify").toBool())
                Send(NotifyType::kMsEnter, watched);
            break;
        case QEvent::Leave:
            if (watched->property("hovernotify").toBool())
                Send(NotifyType::kMsLeave, watched);
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void CNotifyMapper::Send(const QString& type, QObject* sender, int param) {
    TNotifyUI msg{type, sender, param};
    m_sink(msg);
}
