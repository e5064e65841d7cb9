// SPDX-License-Identifier: GPL-2.0-or-later

#include "mouse/ui/ButtonsTab.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "base/Debug.h"
#include "base/ThreadCheck.h"
#include "keys/KeyCodes.h"
#include "keys/KeyTables.h"
#include "keys/ui/DeviceKeyButton.h"
#include "mouse/QuillonMouseDevice.h"
#include "ui/SelectPanel.h"
#include "ui/SkinResources.h"

const PageHandler<CButtonsTabUI> CButtonsTabUI::kHandlers[] = {
    {"click", kKeyPrefix, &CButtonsTabUI::OnKeyButton},
    {"click", kInfoRowPrefix, &CButtonsTabUI::OnKeyButton},
    {"click", CKeySetControlUI::kSaveButton, &CButtonsTabUI::OnSave},
    {"click", CKeySetControlUI::kDefaultButton, &CButtonsTabUI::OnDefault},
    {"click", CKeySetControlUI::kCancelButton, &CButtonsTabUI::OnCancel},
    {"click", CKeySetControlUI::kApplyButton, &CButtonsTabUI::OnApply},
    {"selectchanged", CKeySetControlUI::kModifierPrefix, &CButtonsTabUI::OnModifier},
    {"killfocus", CKeySetControlUI::kMacroCycleEdit, &CButtonsTabUI::OnCycleEdited},
    {"setfocus", CKeySetControlUI::kKeyboardText, &CButtonsTabUI::OnKeyboardFocus},
    {"killfocus", CKeySetControlUI::kKeyboardText, &CButtonsTabUI::OnKeyboardFocusLost},
};

std::span<const PageHandler<CButtonsTabUI>> CButtonsTabUI::HandlerTable() {
    return kHandlers;
}

namespace {

QString Text(std::string_view key) {
    return SkinText(key);
}

}  // namespace

CButtonsTabUI::CButtonsTabUI(QWidget* parent) : CMouseTabUI(parent) {}

CButtonsTabUI::~CButtonsTabUI() {
    StopCapture();
}

void CButtonsTabUI::BindKeyButtons(int deviceClass) {
    m_editor = findChild<CKeySetControlUI*>(QString::fromLatin1(kEditor));
    if (m_editor) {
        m_editor->SetEditorKind(deviceClass);
        connect(m_editor, &CKeySetControlUI::Edited, this, &CButtonsTabUI::OnEdited,
                Qt::UniqueConnection);
    }
    if (auto* list = findChild<QWidget*>(QString::fromLatin1(kInfoList));
        list && list->layout() && !list->findChild<QPushButton*>())
        for (size_t n = 0; n < kKeyPlaces.size(); ++n) {
            // A row: the button's name and its function; it opens the button, as the picture
            // does. It shows once the button's function is known.
            auto* row = new QPushButton(list);
            row->setObjectName(QString::fromLatin1(kInfoRowPrefix) + QString::number(n));
            row->setCursor(Qt::PointingHandCursor);
            // The name over the function, so both fit a narrow list.
            auto* box = new QVBoxLayout(row);
            box->setContentsMargins(10, 3, 10, 3);
            box->setSpacing(0);
            for (const char* part : {"keyinfo_name_", "keyinfo_function_"}) {
                auto* label = new QLabel(row);
                label->setObjectName(QString::fromLatin1(part) + QString::number(n));
                label->setAttribute(Qt::WA_TransparentForMouseEvents);
                label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
                box->addWidget(label);
            }
            row->hide();
            row->setEnabled(false);
            if (auto* rows = qobject_cast<QBoxLayout*>(list->layout()))
                rows->insertWidget(static_cast<int>(n), row);
            else
                list->layout()->addWidget(row);
        }
    if (auto* list = findChild<QWidget*>(QString::fromLatin1(kInfoList)))
        list->installEventFilter(this);
    auto* picture = findChild<CSelectPanelUI*>(QString::fromLatin1(kPicture));
    if (!picture || KeyButton(0))
        return;
    for (size_t n = 0; n < kKeyPlaces.size(); ++n) {
        auto* button = new CDeviceKeyButtonUI(picture);
        button->setObjectName(QString::fromLatin1(kKeyPrefix) + QString::number(n));
        button->SetUserToolTitle(Text(kMouseButtonNames[n]));
        const KeyPlace& place = kKeyPlaces[n];
        picture->PlaceControl(button, QRectF(place.x, place.y, place.width, place.height));
        button->show();
    }
}

CDeviceKeyButtonUI* CButtonsTabUI::KeyButton(int n) const {
    return findChild<CDeviceKeyButtonUI*>(QString::fromLatin1(kKeyPrefix) + QString::number(n));
}

void CButtonsTabUI::SetKeyCapture(std::unique_ptr<IKeyCapture> capture) {
    StopCapture();
    m_capture = std::move(capture);
}

void CButtonsTabUI::ShowProfile(const MouseProfileSnapshot& profile) {
    ExpectUiThread("CButtonsTabUI::ShowProfile");
    const bool sameProfile = profile.profileId == m_profileId;
    if (m_editor && profile.macroNames != m_macroNames)
        m_editor->FillMacroChoices(profile.macroNames);
    m_macroNames = profile.macroNames;
    m_profileId = profile.profileId;
    m_keys = profile.keys;
    if (sameProfile) {
        // Another program saved the profile meanwhile: its changes show, the page's edits stay.
        for (const auto& [button, code] : m_pending)
            if (button < m_keys.size())
                m_keys[button].current.code = code;
    } else {
        EndEdit();
    }
    // The button being edited shows what changed under it; a choice not yet saved stays.
    if (m_editor && m_selected >= 0 && static_cast<size_t>(m_selected) < m_keys.size() &&
        m_keys[static_cast<size_t>(m_selected)] != m_editor->Entry())
        m_editor->SetKey(m_keys[static_cast<size_t>(m_selected)]);
    MarkSelected();
    RefreshKeyInfo();
}

void CButtonsTabUI::EndEdit() {
    StopCapture();
    m_pending.clear();
    m_selected = -1;
    if (m_editor) {
        m_editor->ShowEditArea(false);
        m_editor->SetApplyStatus({});
    }
    SetEditState(true);
    MarkSelected();
}

void CButtonsTabUI::OnKeyButton(TNotifyUI&, int n) {
    OnKeyButtonClick(n);
}

void CButtonsTabUI::OnKeyButtonClick(int n) {
    ExpectUiThread("CButtonsTabUI::OnKeyButtonClick");
    if (!m_editor || m_profileId.empty() || n < 0)
        return;
    const auto index = static_cast<size_t>(n);
    // The only left click cannot be edited: the mouse could not click anything afterwards.
    if (index < m_keys.size() && m_keys[index].current.code == kLeftClickCode &&
        TakesLastLeftClick(m_keys, index, KeyCode{})) {
        MarkSelected();
        Message("message_text_6");
        return;
    }
    StopCapture();
    m_selected = n;
    m_editor->ShowEditArea(true);
    m_editor->SetTitle(index < kMouseButtonNames.size() ? Text(kMouseButtonNames[index])
                                                        : QString());
    if (index < m_keys.size())
        m_editor->SetKey(m_keys[index]);
    MarkSelected();
}

void CButtonsTabUI::MarkSelected() {
    for (size_t n = 0; n < kKeyPlaces.size(); ++n) {
        if (CDeviceKeyButtonUI* button = KeyButton(static_cast<int>(n))) {
            const QSignalBlocker block(button);
            button->setChecked(static_cast<int>(n) == m_selected);
        }
        if (auto* row = findChild<QAbstractButton*>(QString::fromLatin1(kInfoRowPrefix) +
                                                    QString::number(n))) {
            // The style sheet reads the property: polished again, the row shows it.
            row->setProperty("selected", static_cast<int>(n) == m_selected);
            row->style()->unpolish(row);
            row->style()->polish(row);
        }
    }
}

void CButtonsTabUI::SaveKey() {
    ExpectUiThread("CButtonsTabUI::SaveKey");
    if (!m_editor || m_selected < 0 || static_cast<size_t>(m_selected) >= m_keys.size())
        return;
    const auto index = static_cast<size_t>(m_selected);
    const KeyListEntry entry = m_editor->ReadAssignment();
    if (TakesLastLeftClick(m_keys, index, entry.current.code)) {
        m_editor->SetKey(m_keys[index]);
        Message("message_text_6");
        return;
    }
    m_keys[index].current.code = entry.current.code;
    m_pending[index] = entry.current.code;
    RefreshKeyInfo();
    SetEditState(false);
}

void CButtonsTabUI::OnEdited() {
    SetEditState(false);
}

void CButtonsTabUI::OnSave(TNotifyUI&, int) {
    SaveKey();
}

void CButtonsTabUI::OnDefault(TNotifyUI&, int) {
    if (!m_editor)
        return;
    m_editor->ShowDefault();
    SetEditState(false);
}

void CButtonsTabUI::OnCancel(TNotifyUI&, int) {
    if (!m_editor)
        return;
    StopCapture();
    m_editor->ShowCurrent();
    SetEditState(true);
}

void CButtonsTabUI::OnModifier(TNotifyUI&, int n) {
    if (!m_editor)
        return;
    m_editor->ToggleModifierOption(n);
    SaveKey();
}

void CButtonsTabUI::OnCycleEdited(TNotifyUI&, int) {
    SaveKey();
}

void CButtonsTabUI::OnKeyboardFocus(TNotifyUI& msg, int) {
    if (!m_capture || !m_editor)
        return;
    m_editor->ResetCapture();
    QPointer<CButtonsTabUI> self(this);
    m_capture->Start(qobject_cast<QWidget*>(msg.pSender), [self](const CapturedKey& key) {
        if (self && self->m_editor && self->m_editor->CaptureKey(key))
            self->SaveKey();
    });
}

void CButtonsTabUI::OnKeyboardFocusLost(TNotifyUI&, int) {
    StopCapture();
}

void CButtonsTabUI::StopCapture() {
    if (m_capture)
        m_capture->Stop();
}

void CButtonsTabUI::OnApply(TNotifyUI&, int) {
    ExpectUiThread("CButtonsTabUI::OnApply");
    if (m_applying || !m_editor)
        return;
    StopCapture();
    m_applying = true;
    m_editor->EnableEditButtons(false);
    m_editor->SetApplyStatus(Text("keyset_apply_busy_text"));
    const std::map<size_t, KeyCode> pending = m_pending;
    QPointer<CButtonsTabUI> self(this);
    Commit(
        mouse_commits::kButtons,
        [pending](CQuillonMouseDevice& mouse) {
            // The edits go onto the key list as the profile holds it now.
            std::vector<KeyListEntry> keys = mouse.GetKeyList();
            for (const auto& [button, code] : pending)
                if (button < keys.size() && !TakesLastLeftClick(keys, button, code))
                    keys[button].current.code = code;
            mouse.SetKeyList(keys);
            const MouseResult result = mouse.ApplyMacros();
            if (!result.Done())
                DebugPrintf(DebugArea::Mouse, "button functions: saved %d, mouse result %d",
                            result.saved, result.device);
            return result;
        },
        [self, pending](const MouseCommitted& outcome) {
            if (!self)
                return;
            // Only what was sent leaves the pending edits; later edits stay.
            if (outcome.Ran() && outcome.result.Sent())
                for (const auto& [button, code] : pending)
                    if (auto at = self->m_pending.find(button);
                        at != self->m_pending.end() && at->second == code)
                        self->m_pending.erase(at);
            self->OnApplied(outcome);
        });
}

void CButtonsTabUI::OnApplied(const MouseCommitted& outcome) {
    // The road has told what failed; the tab shows where its edit now stands.
    m_applying = false;
    if (!m_editor)
        return;
    const MouseResult& result = outcome.result;
    if (!outcome.Ran() || !result.Sent()) {
        m_editor->SetApplyStatus({});
        if (outcome.Ran() && result.overLimit > 0) {
            // The edited button goes back to its own function; nothing was sent.
            m_editor->ShowDefault();
            SaveKey();
        }
        SetEditState(false);
        return;
    }
    m_editor->SetApplyStatus(Text("keyset_apply_done_text"));
    SetEditState(m_pending.empty());
}

void CButtonsTabUI::SetEditState(bool idle) {
    m_idle = idle;
    if (m_editor)
        m_editor->EnableEditButtons(!idle && !m_applying);
}

void CButtonsTabUI::RefreshKeyInfo() {
    for (size_t n = 0; n < m_keys.size(); ++n) {
        const std::string text = DescribeInSkin(m_keys[n].current.code, m_macroNames);
        if (!text.empty())
            ShowKeyInfo(static_cast<int>(n), QString::fromStdString(text));
    }
}

void CButtonsTabUI::ShowKeyInfo(int n, const QString& text) {
    CDeviceKeyButtonUI* button = KeyButton(n);
    if (n < 0 || static_cast<size_t>(n) >= kMouseButtonNames.size() || !button)
        return;
    button->SetUserToolTitle(Text(kMouseButtonNames[static_cast<size_t>(n)]));
    button->SetUserToolText(text);
    auto* list = findChild<QWidget*>(QString::fromLatin1(kInfoList));
    if (!list || !list->layout())
        return;
    auto* row =
        list->findChild<QPushButton*>(QString::fromLatin1(kInfoRowPrefix) + QString::number(n));
    if (!row)
        return;
    auto* name = row->findChild<QLabel*>(QStringLiteral("keyinfo_name_%1").arg(n));
    auto* function = row->findChild<QLabel*>(QStringLiteral("keyinfo_function_%1").arg(n));
    name->setText(button->UserToolTitle());
    // The list's width less the row's margins; before the first layout, 180.
    const int room = list->width() > 40 ? list->width() - 24 : 180;
    const QString elided = function->fontMetrics().elidedText(text, Qt::ElideRight, room);
    function->setText(elided);
    function->setToolTip(text == elided ? QString() : text);
    row->setAccessibleName(button->UserToolTitle() + QStringLiteral(": ") + text);
    row->setEnabled(true);
    row->setVisible(!button->isHidden());
}

void CButtonsTabUI::Message(const char* key, const QString& argument) {
    if (CPageMessages* messages = Road().Messages())
        messages->Tell(key, argument);
}

bool CButtonsTabUI::eventFilter(QObject* watched, QEvent* event) {
    // The function texts are cut to the list's width once it has one.
    if (event->type() == QEvent::Resize && watched->objectName() == QLatin1String(kInfoList))
        RefreshKeyInfo();
    return CMouseTabUI::eventFilter(watched, event);
}

bool CButtonsTabUI::HandleNotify(TNotifyUI& msg) {
    return Dispatch<CButtonsTabUI>(kHandlers, msg);
}
