#include "PictureHolder.h"

#include <QPixmap>

PictureHolder::PictureHolder(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
}

void PictureHolder::setPicture(const QImage& picture) {
    picture_ = picture;
    setPixmap(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture));
}
