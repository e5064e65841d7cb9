// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/NotifyMapper.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
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

QStringList CNotifyMapper::TypesSent(const QWidget& control) {
    if (control.objectName().isEmpty() || control.objectName().startsWith(QLatin1String("qt_")))
        return {};
    QStringList types = {NotifyType::kSetFocus, NotifyType::kKillFocus, NotifyType::kDbClick};
    if (control.property("hovernotify").toBool())
        types << NotifyType::kMsEnter << NotifyType::kMsLeave;
    // The classes in the order AttachControl tries them.
    if (auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        types << NotifyType::kClick;
        if (button->isCheckable())
            types << NotifyType::kSelectChanged;
    } else if (qobject_cast<const QAbstractSlider*>(&control)) {
        types << NotifyType::kMoveValueChanged << NotifyType::kValueChanged;
    } else if (qobject_cast<const QSpinBox*>(&control) ||
               qobject_cast<const QDoubleSpinBox*>(&control)) {
        types << NotifyType::kValueChanged;
    } else if (qobject_cast<const QComboBox*>(&control)) {
        types << NotifyType::kItemSelect;
    } else if (qobject_cast<const QLineEdit*>(&control) ||
               qobject_cast<const QTextEdit*>(&control) ||
               qobject_cast<const QPlainTextEdit*>(&control)) {
        types << NotifyType::kTextChanged;
    } else if (qobject_cast<const CColorPaletteUI*>(&control)) {
        types << NotifyType::kColorChanged;
    } else if (qobject_cast<const QListWidget*>(&control)) {
        types << NotifyType::kItemSelect << NotifyType::kItemClick;
    }
    return types;
}

void CNotifyMapper::AttachControl(QWidget* control) {
    // Unnamed and Qt's own inner widgets ("qt_spinbox_lineedit") have no handler to reach.
    if (control->objectName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_")))
        return;
    if (m_attached.contains(control))
        return;
    m_attached.insert(control);
    connect(control, &QObject::destroyed, this, [this, control] {
        m_attached.remove(control);
        m_shown.remove(control);
    });

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
        m_shown.insert(edit, {edit->text(), false});
        connect(edit, &QLineEdit::textChanged, this, [this, edit](const QString& text) {
            // setText leaves the edit unmodified: the text is the one the window shows.
            if (!edit->isModified())
                m_shown[edit] = {text, false};
            Send(NotifyType::kTextChanged, edit);
        });
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

bool CNotifyMapper::EditKey(QLineEdit* edit, const QKeyEvent& key) {
    if (edit->isReadOnly() || (key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // The edit's commit, as when it is left; the page may rewrite the text it shows.
            const QPointer<QLineEdit> alive(edit);
            Send(NotifyType::kKillFocus, edit);
            if (alive) {
                edit->setModified(false);
                m_shown[edit] = {edit->text(), true};
            }
            return true;
        }
        case Qt::Key_Escape: {
            // Only a typed change is undone; otherwise Escape goes on (a dialog closes).
            const QString shown = m_shown.value(edit).text;
            if (edit->text() == shown)
                return false;
            edit->setText(shown);
            m_shown[edit] = {shown, true};
            return true;
        }
        default:
            return false;
    }
}

bool CNotifyMapper::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
            if (auto* edit = qobject_cast<QLineEdit*>(watched);
                edit && EditKey(edit, static_cast<QKeyEvent&>(*event)))
                return true;
            break;
        case QEvent::FocusIn:
            Send(NotifyType::kSetFocus, watched);
            break;
        case QEvent::FocusOut: {
            // Leaving an edit just committed or restored by a key, unchanged since, commits
            // nothing.
            auto shown = m_shown.find(watched);
            if (shown != m_shown.end() && shown->settled) {
                const bool unchanged = qobject_cast<QLineEdit*>(watched)->text() == shown->text;
                shown->settled = false;
                if (unchanged)
                    break;
            }
            Send(NotifyType::kKillFocus, watched);
            break;
        }
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
