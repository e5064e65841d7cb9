// SPDX-License-Identifier: GPL-2.0-or-later

#include "profile/ui/DeviceProfile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMetaMethod>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "base/Debug.h"
#include "base/ThreadCheck.h"
#include "ui/FileChooser.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

namespace fs = std::filesystem;

const PageHandler<CDeviceProfileUI> CDeviceProfileUI::kHandlers[] = {
    {"itemselect", kCombo, &CDeviceProfileUI::OnComboSelect},
    {"click", kSpread, &CDeviceProfileUI::OnSpread},
    {"click", kAdd, &CDeviceProfileUI::OnAdd},
    {"click", kDelete, &CDeviceProfileUI::OnDelete},
    {"click", kCopy, &CDeviceProfileUI::OnCopy},
    {"click", kImport, &CDeviceProfileUI::OnImport},
    {"click", kExport, &CDeviceProfileUI::OnExport},
    {"click", kRename, &CDeviceProfileUI::OnRename},
    {"click", kReset, &CDeviceProfileUI::OnReset},
    {"click", kDefaults, &CDeviceProfileUI::OnDefaults},
};

std::span<const PageHandler<CDeviceProfileUI>> CDeviceProfileUI::HandlerTable() {
    return kHandlers;
}

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

fs::path ToPath(const QString& file) {
    return fs::path(file.toStdString());
}

}  // namespace

CDeviceProfileUI::CDeviceProfileUI(QWidget* parent) : CPageUI(parent) {
    setAttribute(Qt::WA_StyledBackground);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    if (QWidget* root = CSkinBuilder().Build(QString::fromLatin1(kLayout), this))
        box->addWidget(root);
    m_switchTimer = new QTimer(this);
    m_switchTimer->setObjectName(QStringLiteral("timer_%1").arg(kSwitchTimer));
    m_switchTimer->setSingleShot(true);
    m_switchTimer->setInterval(kSwitchDelayMs);
    connect(m_switchTimer, &QTimer::timeout, this, &CDeviceProfileUI::RunSwitch);
    if (auto* spread = findChild<QAbstractButton*>(QString::fromLatin1(kSpread)))
        spread->setCheckable(true);
}

CDeviceProfileUI::~CDeviceProfileUI() {
    // The dialog belongs to the window; its choice would have no control to go to.
    delete m_fileDialog.data();
}

bool CDeviceProfileUI::HandleNotify(TNotifyUI& msg) {
    return Dispatch<CDeviceProfileUI>(kHandlers, msg);
}

QComboBox* CDeviceProfileUI::Combo() const {
    return findChild<QComboBox*>(QString::fromLatin1(kCombo));
}

void CDeviceProfileUI::SetKind(int kind) {
    m_list.SetKind(kind);
}

void CDeviceProfileUI::SetFolders(const fs::path& deviceFolder, const fs::path& defaultDocument) {
    m_list.SetFolders(deviceFolder, defaultDocument);
}

void CDeviceProfileUI::LoadList() {
    ExpectUiThread("CDeviceProfileUI::LoadList");
    if (m_list.LoadList() == ProfileResult::WriteFailed)
        DebugPrintf(DebugArea::Profile, "profile list not written: %s",
                    m_list.GetListFilePath().c_str());
    Refill();
    for (const auto& [name, shown] : CProfileList::TabVisibility(m_list.GetKind()))
        if (QWidget* tab = findChild<QWidget*>(QString::fromStdString(name)))
            tab->setVisible(shown);
}

void CDeviceProfileUI::Refill(const std::string& selectId) {
    QComboBox* combo = Combo();
    if (!combo)
        return;
    const std::string chosen = selectId.empty() ? m_list.GetCurrentProfileId() : selectId;
    QSignalBlocker block(combo);
    combo->clear();
    int select = -1;
    for (const ProfileEntry& entry : m_list.GetEntries()) {
        const QString name = FromUtf8(entry.name);
        if (entry.id == chosen)
            select = combo->count();
        combo->addItem(name, name);
    }
    combo->setCurrentIndex(select);
    SetNameText(select >= 0 ? combo->itemText(select) : QString());
}

void CDeviceProfileUI::SelectProfile(int index, bool notify) {
    QComboBox* combo = Combo();
    if (!combo || index < 0 || index >= combo->count())
        return;
    {
        QSignalBlocker block(combo);
        combo->setCurrentIndex(index);
    }
    SetNameText(combo->itemText(index));
    if (notify)
        StartSwitch();
}

int CDeviceProfileUI::GetSelection() const {
    QComboBox* combo = Combo();
    return combo ? combo->currentIndex() : -1;
}

QString CDeviceProfileUI::GetNameText() const {
    auto* edit = findChild<QLineEdit*>(QString::fromLatin1(kNameEdit));
    return edit ? edit->text() : QString();
}

void CDeviceProfileUI::SetNameText(const QString& text) {
    if (auto* edit = findChild<QLineEdit*>(QString::fromLatin1(kNameEdit)))
        edit->setText(text);
}

void CDeviceProfileUI::ShowMenu(bool shown) {
    if (QWidget* menu = findChild<QWidget*>(QString::fromLatin1(kMenu)))
        menu->setVisible(shown);
    if (auto* spread = findChild<QAbstractButton*>(QString::fromLatin1(kSpread))) {
        QSignalBlocker block(spread);
        spread->setChecked(shown);
    }
}

bool CDeviceProfileUI::IsMenuShown() const {
    QWidget* menu = findChild<QWidget*>(QString::fromLatin1(kMenu));
    return menu && !menu->isHidden();
}

void CDeviceProfileUI::SelectTab(int tab) {
    m_list.SelectTab(tab);
    const int selected = m_list.GetSelectedTab();
    for (int n = 1; n <= static_cast<int>(std::size(kTabs)); ++n) {
        auto* button = findChild<QAbstractButton*>(QString::fromLatin1(kTabs[n - 1]));
        if (!button)
            continue;
        QSignalBlocker block(button);
        button->setCheckable(true);
        button->setChecked(n == selected);
    }
}

// ---- the switch ----

void CDeviceProfileUI::OnComboSelect(TNotifyUI&, int) {
    SetNameText(Combo() ? Combo()->currentText() : QString());
    StartSwitch();
}

void CDeviceProfileUI::StartSwitch() {
    // A later choice restarts the wait: quick choices make one switch.
    m_switchTimer->start();
}

bool CDeviceProfileUI::IsSwitchPending() const {
    return m_switchTimer->isActive();
}

void CDeviceProfileUI::RunSwitch() {
    const int index = GetSelection();
    if (index < 0)
        return;
    if (!isSignalConnected(QMetaMethod::fromSignal(&CDeviceProfileUI::SwitchRequested))) {
        // Without a device the choice only names the profile for the next start.
        FinishSwitch(index, true);
        return;
    }
    emit SwitchRequested(index);
}

void CDeviceProfileUI::FinishSwitch(int index, bool switched) {
    ExpectUiThread("CDeviceProfileUI::FinishSwitch");
    if (switched && m_list.SelectProfile(index) == ProfileResult::WriteFailed)
        DebugPrintf(DebugArea::Profile, "profile selection not written: %s",
                    m_list.GetListFilePath().c_str());
    // The list as it is now, on the profile the device uses.
    Refill();
}

// ---- messages and dialogs ----

void CDeviceProfileUI::Message(const char* key, const QString& argument) {
    if (m_messages)
        m_messages->Tell(key, argument);
}

void CDeviceProfileUI::Ask(const char* key, std::function<void()> confirmed) {
    if (!m_messages) {
        confirmed();
        return;
    }
    QPointer<CDeviceProfileUI> self(this);
    m_messages->Ask({QLatin1String(key), {}}, [self, confirmed = std::move(confirmed)] {
        if (self)
            confirmed();
    });
}

void CDeviceProfileUI::ReportFailure(ProfileResult result, const QString& file) {
    switch (result) {
        case ProfileResult::Done:
        case ProfileResult::LastProfile:  // refused without a word, as the button is for more
            return;
        case ProfileResult::NotAProfile:
            Message("profile_import_refused_text", file);
            return;
        case ProfileResult::Unreadable:
            Message("profile_unreadable_text");
            return;
        default:
            Message("profile_write_failed_text",
                    file.isEmpty() ? QString::fromStdString(m_list.GetListFilePath().parent_path())
                                   : file);
            return;
    }
}

void CDeviceProfileUI::OpenFileDialog(bool save, std::function<void(const QString&)> chosen) {
    if (m_fileDialog)
        return;
    m_fileDialog = OpenFileChooser(
        this,
        Skin().Text(
            QString::fromLatin1(save ? "profile_export_title_text" : "profile_import_title_text")),
        QString::fromLatin1(kFileFilter), QStringLiteral("json"), save, std::move(chosen));
}

// ---- the buttons ----

void CDeviceProfileUI::OnSpread(TNotifyUI&, int) {
    ShowMenu(!IsMenuShown());
}

void CDeviceProfileUI::OnAdd(TNotifyUI&, int) {
    const ProfileResult result = m_list.AddProfile();
    if (result == ProfileResult::LimitReached)
        Message("message_text_32");
    else
        ReportFailure(result);
    Refill();
}

void CDeviceProfileUI::OnCopy(TNotifyUI&, int) {
    const ProfileResult result = m_list.CopyProfile(GetSelection());
    if (result == ProfileResult::LimitReached)
        Message("message_text_27");
    else
        ReportFailure(result);
    Refill();
}

void CDeviceProfileUI::OnDelete(TNotifyUI&, int) {
    const std::string before = m_list.GetCurrentProfileId();
    const ProfileResult result = m_list.DeleteProfile(GetSelection());
    ReportFailure(result);
    Refill();
    // The neighbour that became current goes to the mouse, as a choice in the combo box does.
    if (result == ProfileResult::Done && m_list.GetCurrentProfileId() != before)
        StartSwitch();
}

void CDeviceProfileUI::OnRename(TNotifyUI&, int) {
    const QString name = GetNameText();
    if (name.isEmpty())
        return;
    const ProfileResult result = m_list.RenameProfile(GetSelection(), name.toStdString());
    if (result == ProfileResult::NameTaken)
        Message("message_text_5");
    else if (result == ProfileResult::NameBlank)
        Message("message_text_25");
    else
        ReportFailure(result);
    Refill(GetSelection() >= 0 && GetSelection() < m_list.GetCount()
               ? m_list.GetEntries()[static_cast<size_t>(GetSelection())].id
               : std::string());
    if (result != ProfileResult::Done)
        SetNameText(name);
}

void CDeviceProfileUI::OnImport(TNotifyUI&, int) {
    if (GetSelection() < 0)
        return;
    OpenFileDialog(false, [this](const QString& file) {
        const ProfileResult result = m_list.ImportProfile(ToPath(file));
        if (result == ProfileResult::LimitReached)
            Message("message_text_32");
        else
            ReportFailure(result, QFileInfo(file).fileName());
        Refill();
    });
}

void CDeviceProfileUI::OnExport(TNotifyUI&, int) {
    if (GetSelection() < 0)
        return;
    OpenFileDialog(true, [this](const QString& file) {
        QPointer<CDeviceProfileUI> self(this);
        WriteUnlessDeclined(m_messages, file, [self, file] {
            if (self)
                self->Export(file);
        });
    });
}

void CDeviceProfileUI::Export(const QString& file) {
    ReportFailure(m_list.ExportProfile(GetSelection(), ToPath(file)), file);
}

void CDeviceProfileUI::OnReset(TNotifyUI&, int) {
    Ask("message_text_22", [this] {
        const int index = GetSelection();
        const ProfileResult result = m_list.ResetProfile(index);
        ReportFailure(result);
        if (result != ProfileResult::Done)
            return;
        // The reset profile goes to the mouse as a switch to it would.
        emit SwitchRequested(index);
    });
}

void CDeviceProfileUI::OnDefaults(TNotifyUI&, int) {
    Ask("message_text_22", [this] { emit DefaultsRequested(); });
}
