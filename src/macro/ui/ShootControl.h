// SPDX-License-Identifier: GPL-2.0-or-later
// The mouse page's recoil tab ("ShootControlItem", layout "ShootControl.xml"): four guns of 30
// bullets, each bullet a horizontal and a vertical correction and a delay. An edit lands in the
// gun's shoot file at once (CShootData); "save" sends the four patterns to the mouse on its
// device worker and shows the outcome when it comes back.
#pragma once

#include <QPointer>
#include <filesystem>
#include <functional>
#include <optional>

#include "macro/RecoilDevice.h"
#include "macro/ShootData.h"
#include "ui/FileChooser.h"
#include "ui/Page.h"
#include "ui/PageRoad.h"

class CShootPatternUI;

PageMessage ResultMessage(const CommitNames& names, const RecoilSent& result);
using RecoilRoad = CCommitRoad<IRecoilDevice>;

class CShootControlUI : public CPageUI {
    Q_OBJECT
  public:
    static constexpr const char* kElement = "ShootControl";
    static constexpr const char* kLayout = "XML/CustomControlXML/ShootControl.xml";

    static constexpr const char* kGunPrefix = "shoot_gun_op_";
    static constexpr const char* kBulletPrefix = "bullet_op_";
    static constexpr const char* kIndex = "bullet_select_index";
    static constexpr const char* kPrevious = "bullet_selected_prev";
    static constexpr const char* kNext = "bullet_selected_next";
    static constexpr const char* kEditLayout = "bullet_edit_layout";
    static constexpr const char* kXCheck = "bullet_x_check";
    static constexpr const char* kYCheck = "bullet_y_check";
    static constexpr const char* kXEdit = "bullet_x_eidt";
    static constexpr const char* kYEdit = "bullet_y_eidt";
    static constexpr const char* kDelayEdit = "bullet_delay_eidt";
    static constexpr const char* kImages = "shoot_image_display_switch";
    static constexpr const char* kImport = "shootdate_import_btn";
    static constexpr const char* kExport = "shootdate_export_btn";
    static constexpr const char* kSave = "shootdate_save_btn";
    static constexpr const char* kReset = "shootdate_reset_btn";
    static constexpr const char* kStatus = "shoot_status";
    static constexpr PageControl kControls[] = {
        {kGunPrefix, 0, kShootGuns - 1},
        {kBulletPrefix, 0, kShootBullets - 1},
        {kIndex},
        {kPrevious},
        {kNext},
        {kEditLayout},
        {kXCheck},
        {kYCheck},
        {kXEdit},
        {kYEdit},
        {kDelayEdit},
        {kImages},
        {kImport},
        {kExport},
        {kSave},
        {kReset},
        {kStatus},
    };
    static constexpr const char* kFileFilter = "Shoot Files(*.shoot)";

    // The messages of a save.
    static constexpr CommitNames kSaveNames{"shoot_save_busy_text", "shoot_save_failed_text",
                                            nullptr, "shoot_too_large_text", nullptr};

    explicit CShootControlUI(QWidget* parent = nullptr);
    ~CShootControlUI() override;

    // The device's data folder and the default-data folder; missing or unusable shoot files are
    // put back from the defaults, then gun 0 and bullet 0 are shown.
    void SetFolders(const std::filesystem::path& deviceFolder,
                    const std::filesystem::path& defaultFolder);
    // Where the save goes (the device's worker) and how messages are shown.
    void SetRoad(const RecoilRoad& road) { m_road = road; }

    void SelectGun(int gun);
    void SelectBullet(int bullet);
    int CurrentGun() const { return m_gun; }
    int CurrentBullet() const { return m_bullet; }
    // Whether a save waits for the mouse.
    bool IsSaving() const { return m_saving; }
    QFileDialog* FileDialog() const { return m_fileDialog; }

    bool HandleNotify(TNotifyUI& msg) override;

  private:
    void OnGun(TNotifyUI& msg, int gun);
    void OnBullet(TNotifyUI& msg, int bullet);
    void OnPrevious(TNotifyUI& msg, int);
    void OnNext(TNotifyUI& msg, int);
    void OnEditDone(TNotifyUI& msg, int);
    void OnCheck(TNotifyUI& msg, int);
    void OnImport(TNotifyUI& msg, int);
    void OnExport(TNotifyUI& msg, int);
    void OnSave(TNotifyUI& msg, int);
    void OnReset(TNotifyUI& msg, int);

  public:
    // The handler table, for the check that each of its rows can fire.
    static std::span<const PageHandler<CShootControlUI>> HandlerTable();

  private:
    static const PageHandler<CShootControlUI> kHandlers[];

    // The current bullet from its file into the edits, checks and the picture.
    void ShowBullet();
    void ShowCheckTexts();
    // The edits and checks into the current bullet of the gun's file.
    void WriteBullet();
    // Exactly one option of the prefix checked.
    void CheckOnly(const char* prefix, int count, int chosen);
    void Message(const char* key, const QString& argument = {});
    void ShowSaved(const Committed<RecoilSent>& outcome);
    void ReportFailure(ShootResult result, const QString& file);

    std::optional<CShootData> m_shoot;
    RecoilRoad m_road;
    QPointer<QFileDialog> m_fileDialog;
    int m_gun = 0;
    int m_bullet = -1;
    bool m_saving = false;
};
