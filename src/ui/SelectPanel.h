// The device picture panel (element "SelectPanel"): the device drawn from an SVG file at the
// panel's size, with the device's key and light buttons placed on it as children.
#pragma once

#include <QSvgRenderer>
#include <QWidget>

class CSelectPanelUI : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString file READ File WRITE SetFile)
  public:
    explicit CSelectPanelUI(QWidget* parent = nullptr);

    QString File() const { return m_file; }
    void SetFile(const QString& file);
    bool IsValid() const { return m_renderer.isValid(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString m_file;
    QSvgRenderer m_renderer;
};
