// SPDX-License-Identifier: GPL-2.0-or-later
// A notification from a control to its window: the type ("click", "selectchanged", ...), the
// sending control and, where the type has one, a number (item index, timer id).
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

struct TNotifyUI {
    QString sType;
    QPointer<QObject> pSender;
    int wParam = 0;

    QString SenderName() const { return pSender ? pSender->objectName() : QString(); }
};

// Notification types delivered by the adapter.
namespace NotifyType {
inline const QString kClick = QStringLiteral("click");
inline const QString kSelectChanged = QStringLiteral("selectchanged");
inline const QString kItemSelect = QStringLiteral("itemselect");
inline const QString kItemClick = QStringLiteral("itemclick");
inline const QString kValueChanged = QStringLiteral("valuechanged");
inline const QString kMoveValueChanged = QStringLiteral("movevaluechanged");
inline const QString kTextChanged = QStringLiteral("textchanged");
inline const QString kSetFocus = QStringLiteral("setfocus");
inline const QString kKillFocus = QStringLiteral("killfocus");
inline const QString kDbClick = QStringLiteral("dbclick");
inline const QString kWindowInit = QStringLiteral("windowinit");
inline const QString kWindowSize = QStringLiteral("windowsize");
inline const QString kMsEnter = QStringLiteral("msenter");
inline const QString kMsLeave = QStringLiteral("msleave");
inline const QString kTimer = QStringLiteral("timer");
inline const QString kColorChanged = QStringLiteral("colorchanged");
}  // namespace NotifyType
