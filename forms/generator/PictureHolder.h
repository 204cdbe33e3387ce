#pragma once

#include <QImage>
#include <QLabel>

// A picture holder: keeps a picture (a null QImage is "no picture") and shows it stretched to
// its own size, as an image control with stretching on does.
class PictureHolder : public QLabel {
  public:
    // How the stretched picture is sampled. Nearest keeps a symbol's module edges sharp: each
    // device pixel of the screen shows one pixel of the picture, never a blend, at any scale.
    enum class Sampling { Smooth, Nearest };

    explicit PictureHolder(QWidget* parent = nullptr, Sampling sampling = Sampling::Smooth);

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);
    bool hasPicture() const { return !picture_.isNull(); }
    Sampling sampling() const { return sampling_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The picture sampled at the holder's device pixels, made at the first paint after a change.
    const QImage& nearestAtDeviceScale(qreal scale);

    QImage picture_;
    Sampling sampling_;
    QImage deviceCopy_;
};
