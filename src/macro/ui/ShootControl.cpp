// SPDX-License-Identifier: GPL-2.0-or-later

#include "macro/ui/ShootControl.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "base/Debug.h"
#include "base/ThreadCheck.h"
#include "macro/ui/ShootPattern.h"
#include "ui/SkinBuilder.h"
#include "ui/SkinResources.h"

const PageHandler<CShootControlUI> CShootControlUI::kHandlers[] = {
    {"selectchanged", kGunPrefix, &CShootControlUI::OnGun},
    {"selectchanged", kBulletPrefix, &CShootControlUI::OnBullet},
    {"click", kPrevious, &CShootControlUI::OnPrevious},
    {"click", kNext, &CShootControlUI::OnNext},
    {"killfocus", kXEdit, &CShootControlUI::OnEditDone},
    {"killfocus", kYEdit, &CShootControlUI::OnEditDone},
    {"killfocus", kDelayEdit, &CShootControlUI::OnEditDone},
    {"selectchanged", kXCheck, &CShootControlUI::OnCheck},
    {"selectchanged", kYCheck, &CShootControlUI::OnCheck},
    {"click", kImport, &CShootControlUI::OnImport},
    {"click", kExport, &CShootControlUI::OnExport},
    {"click", kSave, &CShootControlUI::OnSave},
    {"click", kReset, &CShootControlUI::OnReset},
};

std::span<const PageHandler<CShootControlUI>> CShootControlUI::HandlerTable() {
    return kHandlers;
}

namespace {

int NumberOf(const QLineEdit* edit, int maximum) {
    bool ok = false;
    const int value = edit ? edit->text().trimmed().toInt(&ok) : 0;
    return ok ? std::clamp(value, 0, maximum) : 0;
}

}  // namespace

CShootControlUI::CShootControlUI(QWidget* parent) : CPageUI(parent) {
    setAttribute(Qt::WA_StyledBackground);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    CSkinBuilder builder([](const QString& element, QWidget* under) -> QWidget* {
        if (element == QLatin1String(CShootPatternUI::kElement))
            return new CShootPatternUI(under);
        return nullptr;
    });
    if (QWidget* root = builder.Build(QString::fromLatin1(kLayout), this))
        box->addWidget(root);
    for (const auto& [name, maximum] :
         {std::pair{kXEdit, 255}, std::pair{kYEdit, 255}, std::pair{kDelayEdit, 65535}})
        if (auto* edit = findChild<QLineEdit*>(QString::fromLatin1(name)))
            edit->setValidator(new QIntValidator(0, maximum, edit));
}

CShootControlUI::~CShootControlUI() {
    delete m_fileDialog.data();
}

bool CShootControlUI::HandleNotify(TNotifyUI& msg) {
    return Dispatch<CShootControlUI>(kHandlers, msg);
}

void CShootControlUI::SetFolders(const std::filesystem::path& deviceFolder,
                                 const std::filesystem::path& defaultFolder) {
    ExpectUiThread("CShootControlUI::SetFolders");
    m_shoot.emplace(deviceFolder, defaultFolder);
    m_shoot->RestoreMissing();
    for (int gun = 0; gun < kShootGuns; ++gun) {
        auto* pattern = findChild<CShootPatternUI*>(QStringLiteral("shoot_image_%1").arg(gun));
        if (!pattern)
            continue;
        // One read of the gun's file for its thirty bullets.
        const std::vector<MacroEvent> events = m_shoot->ReadEvents(gun);
        std::vector<ShootBullet> bullets;
        for (int b = 0; b < kShootBullets; ++b)
            bullets.push_back(ReadBullet(events, b));
        pattern->SetBullets(std::move(bullets));
    }
    SelectGun(0);
    SelectBullet(0);
}

void CShootControlUI::CheckOnly(const char* prefix, int count, int chosen) {
    for (int n = 0; n < count; ++n) {
        auto* option =
            findChild<QAbstractButton*>(QString::fromLatin1(prefix) + QString::number(n));
        if (!option)
            continue;
        QSignalBlocker block(option);
        option->setCheckable(true);
        option->setChecked(n == chosen);
    }
}

void CShootControlUI::SelectGun(int gun) {
    m_gun = std::clamp(gun, 0, kShootGuns - 1);
    CheckOnly(kGunPrefix, kShootGuns, m_gun);
    if (auto* images = findChild<QStackedWidget*>(QString::fromLatin1(kImages)))
        images->setCurrentIndex(std::min(m_gun, images->count() - 1));
    ShowBullet();
}

void CShootControlUI::SelectBullet(int bullet) {
    m_bullet = std::clamp(bullet, 0, kShootBullets - 1);
    CheckOnly(kBulletPrefix, kShootBullets, m_bullet);
    if (auto* index = findChild<QLabel*>(QString::fromLatin1(kIndex)))
        index->setText(QString::number(m_bullet + 1));
    ShowBullet();
}

void CShootControlUI::ShowBullet() {
    if (!m_shoot || m_bullet < 0)
        return;
    const ShootBullet bullet = m_shoot->GetBullet(m_gun, m_bullet).value_or(ShootBullet{});
    auto set = [this](const char* name, int value) {
        if (auto* edit = findChild<QLineEdit*>(QString::fromLatin1(name))) {
            QSignalBlocker block(edit);
            edit->setText(QString::number(value));
        }
    };
    set(kXEdit, bullet.x);
    set(kYEdit, bullet.y);
    set(kDelayEdit, bullet.delay);
    for (const auto& [name, on] : {std::pair{kXCheck, bullet.left}, std::pair{kYCheck, bullet.up}})
        if (auto* check = findChild<QAbstractButton*>(QString::fromLatin1(name))) {
            QSignalBlocker block(check);
            check->setChecked(on);
        }
    ShowCheckTexts();
    if (auto* pattern = findChild<CShootPatternUI*>(QStringLiteral("shoot_image_%1").arg(m_gun))) {
        std::vector<ShootBullet> bullets = pattern->Bullets();
        if (static_cast<int>(bullets.size()) > m_bullet)
            bullets[static_cast<size_t>(m_bullet)] = bullet;
        pattern->SetBullets(std::move(bullets));
        pattern->SetChosen(m_bullet);
    }
}

void CShootControlUI::ShowCheckTexts() {
    auto text = [this](const char* name, const char* on, const char* off) {
        if (auto* check = findChild<QAbstractButton*>(QString::fromLatin1(name)))
            check->setText(Skin().Text(QString::fromLatin1(check->isChecked() ? on : off)));
    };
    text(kXCheck, "mouse_move_to_left_text", "mouse_move_to_right_text");
    text(kYCheck, "mouse_move_to_up_text", "mouse_move_to_down_text");
}

void CShootControlUI::WriteBullet() {
    if (!m_shoot || m_bullet < 0)
        return;
    auto checked = [this](const char* name) {
        auto* check = findChild<QAbstractButton*>(QString::fromLatin1(name));
        return check && check->isChecked();
    };
    ShootBullet bullet;
    bullet.left = checked(kXCheck);
    bullet.up = checked(kYCheck);
    bullet.x =
        static_cast<uint8_t>(NumberOf(findChild<QLineEdit*>(QString::fromLatin1(kXEdit)), 255));
    bullet.y =
        static_cast<uint8_t>(NumberOf(findChild<QLineEdit*>(QString::fromLatin1(kYEdit)), 255));
    bullet.delay = static_cast<uint16_t>(
        NumberOf(findChild<QLineEdit*>(QString::fromLatin1(kDelayEdit)), 65535));
    const ShootResult result = m_shoot->SetBullet(m_gun, m_bullet, bullet);
    if (result != ShootResult::Done)
        ReportFailure(result, QString::fromStdString(m_shoot->FilePath(m_gun).string()));
    ShowBullet();
}

void CShootControlUI::OnGun(TNotifyUI& msg, int gun) {
    // A click on the chosen gun keeps it chosen.
    SelectGun(msg.wParam ? gun : m_gun);
}

void CShootControlUI::OnBullet(TNotifyUI& msg, int bullet) {
    SelectBullet(msg.wParam ? bullet : m_bullet);
}

void CShootControlUI::OnPrevious(TNotifyUI&, int) {
    SelectBullet(m_bullet - 1);
}

void CShootControlUI::OnNext(TNotifyUI&, int) {
    SelectBullet(m_bullet + 1);
}

void CShootControlUI::OnEditDone(TNotifyUI&, int) {
    WriteBullet();
}

void CShootControlUI::OnCheck(TNotifyUI&, int) {
    ShowCheckTexts();
    WriteBullet();
}

void CShootControlUI::Message(const char* key, const QString& argument) {
    if (CPageMessages* messages = m_road.Messages())
        messages->Tell(key, argument);
}

void CShootControlUI::ReportFailure(ShootResult result, const QString& file) {
    switch (result) {
        case ShootResult::Done:
            return;
        case ShootResult::NotAShootFile:
            Message("shoot_import_refused_text", QFileInfo(file).fileName());
            return;
        case ShootResult::Unreadable:
            Message("shoot_unreadable_text", file);
            return;
        default:
            Message("shoot_write_failed_text", file);
            return;
    }
}

void CShootControlUI::OnImport(TNotifyUI&, int) {
    if (!m_shoot || m_fileDialog)
        return;
    m_fileDialog =
        OpenFileChooser(this, Skin().Text(QStringLiteral("shoot_import_title_text")),
                        QString::fromLatin1(kFileFilter), QStringLiteral("shoot"), false,
                        [this](const QString& file) {
                            ReportFailure(m_shoot->Import(m_gun, file.toStdString()), file);
                            SelectGun(m_gun);
                        });
}

void CShootControlUI::OnExport(TNotifyUI&, int) {
    if (!m_shoot || m_fileDialog)
        return;
    m_fileDialog = OpenFileChooser(
        this, Skin().Text(QStringLiteral("shoot_export_title_text")),
        QString::fromLatin1(kFileFilter), QStringLiteral("shoot"), true,
        [this](const QString& file) {
            QPointer<CShootControlUI> self(this);
            const int gun = m_gun;
            auto write = [self, gun, file] {
                if (self)
                    self->ReportFailure(self->m_shoot->Export(gun, file.toStdString()), file);
            };
            WriteUnlessDeclined(m_road.Messages(), file, write);
        });
}

void CShootControlUI::OnReset(TNotifyUI&, int) {
    if (!m_shoot)
        return;
    ReportFailure(m_shoot->Reset(m_gun),
                  QString::fromStdString(m_shoot->DefaultFilePath(m_gun).string()));
    ShowBullet();
}

void CShootControlUI::OnSave(TNotifyUI&, int) {
    if (!m_road.IsBound() || m_saving)
        return;
    // An edit still being typed belongs to the save.
    if (QWidget* focused = focusWidget();
        focused && (focused->objectName() == QLatin1String(kXEdit) ||
                    focused->objectName() == QLatin1String(kYEdit) ||
                    focused->objectName() == QLatin1String(kDelayEdit)))
        WriteBullet();
    m_saving = true;
    if (QWidget* save = findChild<QWidget*>(QString::fromLatin1(kSave)))
        save->setEnabled(false);
    QPointer<CShootControlUI> self(this);
    m_road.Commit<RecoilSent>(
        this, kSaveNames, [](IRecoilDevice& device) { return device.SendRecoilPatterns(); },
        [self](const Committed<RecoilSent>& outcome) {
            if (self)
                self->ShowSaved(outcome);
        });
}

PageMessage ResultMessage(const CommitNames& names, const RecoilSent& result) {
    const char* key = result == RecoilSent::kTooLarge  ? names.overLimit
                      : result == RecoilSent::kNotSent ? names.failed
                                                       : nullptr;
    return key ? PageMessage{QLatin1String(key), {}} : PageMessage{};
}

void CShootControlUI::ShowSaved(const Committed<RecoilSent>& outcome) {
    m_saving = false;
    if (QWidget* save = findChild<QWidget*>(QString::fromLatin1(kSave)))
        save->setEnabled(true);
    auto* status = findChild<QLabel*>(QString::fromLatin1(kStatus));
    // A failure was told by the road.
    if (outcome.Ran() && outcome.result == RecoilSent::kSent) {
        if (status) {
            status->setText(Skin().Text(QStringLiteral("shoot_saved_text")));
            status->show();
        }
        return;
    }
    if (status)
        status->hide();
}
