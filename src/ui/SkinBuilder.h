// SPDX-License-Identifier: GPL-2.0-or-later
// Builds control trees from the skin's layouts (Qt Designer .ui XML). Element (class) names the
// loader does not know go first to the window's creation callback, then to the classes
// registered by name; anything else yields no control.
#pragma once

#include <QUiLoader>
#include <functional>

// Creates the control for an element name, or returns null.
using ControlCreator = std::function<QWidget*(const QString& element, QWidget* parent)>;

class CSkinBuilder : public QUiLoader {
    Q_OBJECT
  public:
    explicit CSkinBuilder(ControlCreator callback = {});

    // The layout (a map id or a relative path), built below `parent` and given its language
    // texts; null when it cannot be read or built.
    QWidget* Build(const QString& layout, QWidget* parent = nullptr);

    QWidget* createWidget(const QString& className, QWidget* parent = nullptr,
                          const QString& name = QString()) override;

    // The control factory: custom classes by name ("CSvgImageUI"), for every layout.
    static void RegisterControlClass(const QString& className,
                                     std::function<QWidget*(QWidget* parent)> create);
    static bool IsControlClassRegistered(const QString& className);

  private:
    ControlCreator m_callback;
};

// Sets the texts of the controls that name language keys: the dynamic properties "textid"
// (label, button text, edit placeholder) and "tipid" (tool tip).
void ApplyLanguageTexts(QWidget* root);
