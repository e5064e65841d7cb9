// SPDX-License-Identifier: GPL-2.0-or-later
// The picture of one recoil pattern: where each of its 30 corrections moves the pointer, drawn
// from the first shot down, the chosen bullet marked.
#pragma once

#include <QWidget>
#include <vector>

#include "macro/ShootData.h"

class CShootPatternUI : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kElement = "ShootPattern";

    explicit CShootPatternUI(QWidget* parent = nullptr);

    void SetBullets(std::vector<ShootBullet> bullets);
    void SetChosen(int bullet);
    const std::vector<ShootBullet>& Bullets() const { return m_bullets; }

    QSize sizeHint() const override { return {180, 220}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<ShootBullet> m_bullets;
    int m_chosen = -1;
};
