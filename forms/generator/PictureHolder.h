#pragma once

#include <QImage>
#include <QLabel>

// A picture holder: keeps a picture (a null QImage is "no picture") and shows it stretched to
// its own size, as an image control with stretching on does.
class PictureHolder : public QLabel {
  public:
    explicit PictureHolder(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);
    bool hasPicture() const { return !picture_.isNull(); }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void showPicture();

    QImage picture_;
    // The screen copy is made only when the holder can be seen: the generator form's holders
    // never are, and each copy of an 8-bit picture is a conversion on every keystroke.
    bool shownIsStale_ = false;
};
