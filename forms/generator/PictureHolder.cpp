#include "PictureHolder.h"

#include <QPixmap>

PictureHolder::PictureHolder(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
}

void PictureHolder::setPicture(const QImage& picture) {
    // The same picture again (a logo handed over at every keystroke) changes nothing.
    if (!shownIsStale_ && picture.cacheKey() == picture_.cacheKey() &&
        picture.isNull() == picture_.isNull())
        return;
    picture_ = picture;
    shownIsStale_ = true;
    if (isVisible()) showPicture();
}

void PictureHolder::showEvent(QShowEvent* event) {
    if (shownIsStale_) showPicture();
    QLabel::showEvent(event);
}

void PictureHolder::showPicture() {
    setPixmap(picture_.isNull() ? QPixmap() : QPixmap::fromImage(picture_));
    shownIsStale_ = false;
}
