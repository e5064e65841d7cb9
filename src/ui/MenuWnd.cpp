// SPDX-License-Identifier: GPL-2.0-or-later

#include "ui/MenuWnd.h"

#include <QFile>
#include <QXmlStreamReader>

#include "base/Debug.h"
#include "ui/SkinResources.h"

CMenuWnd::CMenuWnd(Command command, QObject* parent)
    : QObject(parent), m_command(std::move(command)) {}

CMenuWnd::~CMenuWnd() {
    delete m_menu;
}

bool CMenuWnd::Load(const QString& file) {
    QFile input(Skin().FilePath(file));
    if (!input.open(QIODevice::ReadOnly)) {
        DebugPrintf(DebugArea::App, "menu %s cannot be read", qPrintable(file));
        return false;
    }
    auto* menu = new QMenu;
    menu->setObjectName(QStringLiteral("tray_menu"));
    menu->setStyleSheet(Skin().StyleSheet(1.0));
    QXmlStreamReader xml(&input);
    if (xml.readNextStartElement() && xml.name() == QLatin1String("Menu")) {
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("Item")) {
                QString name = xml.attributes().value(QLatin1String("name")).toString();
                QAction* action = menu->addAction(QString());
                action->setObjectName(name);
                action->setProperty("textid",
                                    xml.attributes().value(QLatin1String("textid")).toString());
                // An on/off setting: the owner sets the mark to what took effect.
                action->setCheckable(xml.attributes().value(QLatin1String("checkable")) ==
                                     QLatin1String("true"));
                connect(action, &QAction::triggered, this, [this, name] { m_command(name); });
            } else if (xml.name() == QLatin1String("Separator")) {
                menu->addSeparator();
            }
            xml.skipCurrentElement();
        }
    } else {
        xml.raiseError(QStringLiteral("not a menu file"));
    }
    if (xml.hasError()) {
        DebugPrintf(DebugArea::App, "menu %s: %s", qPrintable(file), qPrintable(xml.errorString()));
        delete menu;
        return false;
    }
    delete m_menu;
    m_menu = menu;
    ApplyLanguage();
    return true;
}

void CMenuWnd::ApplyLanguage() {
    if (!m_menu)
        return;
    for (QAction* action : m_menu->actions()) {
        QString key = action->property("textid").toString();
        if (!key.isEmpty())
            action->setText(Skin().Text(key));
    }
}

QStringList CMenuWnd::ItemNames() const {
    QStringList names;
    if (m_menu)
        for (QAction* action : m_menu->actions())
            if (!action->isSeparator())
                names << action->objectName();
    return names;
}

void CMenuWnd::Popup(const QPoint& globalPosition) {
    if (!m_menu)
        return;
    m_menu->close();
    m_menu->popup(globalPosition);
}

void CMenuWnd::Close() {
    if (m_menu)
        m_menu->close();
}

QAction* CMenuWnd::Item(const QString& itemName) const {
    if (m_menu)
        for (QAction* action : m_menu->actions())
            if (action->objectName() == itemName)
                return action;
    return nullptr;
}

void CMenuWnd::SetChecked(const QString& itemName, bool checked) {
    if (QAction* action = Item(itemName))
        action->setChecked(checked);
}

bool CMenuWnd::Trigger(const QString& itemName) {
    if (!m_menu)
        return false;
    for (QAction* action : m_menu->actions()) {
        if (action->objectName() == itemName) {
            action->trigger();
            return true;
        }
    }
    return false;
}
