// SPDX-License-Identifier: GPL-2.0-or-later
// A pop-up menu built from a menu file of the skin ("menu.xml"): items by name with a language
// key for their text; checkable="true" makes an on/off item. The chosen item's name goes to the
// owner's callback.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <functional>

class CMenuWnd : public QObject {
    Q_OBJECT
  public:
    using Command = std::function<void(const QString& itemName)>;

    explicit CMenuWnd(Command command, QObject* parent = nullptr);
    ~CMenuWnd() override;

    // Reads the menu file (relative to the skin); false when it cannot be read.
    bool Load(const QString& file);
    // Opens the menu at the position, replacing one still open.
    void Popup(const QPoint& globalPosition);
    void Close();
    QMenu* Menu() const { return m_menu; }
    QStringList ItemNames() const;
    // Re-reads the item texts from the language.
    void ApplyLanguage();
    // The item by name, or null.
    QAction* Item(const QString& itemName) const;
    void SetChecked(const QString& itemName, bool checked);
    // As a click on the item does (tests).
    bool Trigger(const QString& itemName);

  private:
    Command m_command;
    QPointer<QMenu> m_menu;
};
