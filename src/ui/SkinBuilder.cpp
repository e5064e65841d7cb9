// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/SkinBuilder.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <map>

#include "base/Debug.h"
#include "ui/SkinResources.h"

namespace {

// Case-insensitive, as element names are matched.
std::map<QString, std::function<QWidget*(QWidget*)>>& ControlClasses() {
    static std::map<QString, std::function<QWidget*(QWidget*)>> classes;
    return classes;
}

}  // namespace

CSkinBuilder::CSkinBuilder(ControlCreator callback) : m_callback(std::move(callback)) {}

void CSkinBuilder::RegisterControlClass(const QString& className,
                                        std::function<QWidget*(QWidget*)> create) {
    ControlClasses()[className.toLower()] = std::move(create);
}

bool CSkinBuilder::IsControlClassRegistered(const QString& className) {
    return ControlClasses().count(className.toLower()) != 0;
}

QWidget* CSkinBuilder::createWidget(const QString& className, QWidget* parent,
                                    const QString& name) {
    QWidget* widget = nullptr;
    if (m_callback)
        widget = m_callback(className, parent);
    if (!widget) {
        auto& classes = ControlClasses();
        if (auto it = classes.find(className.toLower()); it != classes.end())
            widget = it->second(parent);
    }
    if (!widget && availableWidgets().contains(className))
        widget = QUiLoader::createWidget(className, parent, name);
    if (!widget) {
        DebugPrintf(DebugArea::App, "no control for the element %s", qPrintable(className));
        return nullptr;
    }
    widget->setObjectName(name);
    return widget;
}

QWidget* CSkinBuilder::Build(const QString& layout, QWidget* parent) {
    QString file = Skin().LayoutFile(layout);
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        DebugPrintf(DebugArea::App, "layout %s cannot be read", qPrintable(file));
        return nullptr;
    }
    QWidget* root = load(&input, parent);
    if (!root) {
        DebugPrintf(DebugArea::App, "layout %s: %s", qPrintable(file), qPrintable(errorString()));
        return nullptr;
    }
    ApplyLanguageTexts(root);
    return root;
}

void ApplyLanguageTexts(QWidget* root) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        QString textKey = widget->property("textid").toString();
        if (!textKey.isEmpty()) {
            QString text = Skin().Text(textKey);
            if (auto* label = qobject_cast<QLabel*>(widget))
                label->setText(text);
            else if (auto* button = qobject_cast<QAbstractButton*>(widget))
                button->setText(text);
            else if (auto* edit = qobject_cast<QLineEdit*>(widget))
                edit->setPlaceholderText(text);
            else if (auto* group = qobject_cast<QGroupBox*>(widget))
                group->setTitle(text);
        }
        QString tipKey = widget->property("tipid").toString();
        if (!tipKey.isEmpty())
            widget->setToolTip(Skin().Text(tipKey));
    }
}
