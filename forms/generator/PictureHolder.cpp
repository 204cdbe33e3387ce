#include "forms/generator/PictureHolder.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Device pixel i shows picture pixel i × from / to: every picture pixel lands on whole device
// pixels, a module's edge on the first device pixel past it, and no two pixels are ever blended.
std::vector<int> sourceIndices(int to, int from) {
    std::vector<int> indices(size_t(std::max(to, 0)));
    for (int i = 0; i < to; ++i) indices[size_t(i)] = int(qint64(i) * from / to);
    return indices;
}

QImage pointSampled(const QImage& picture, const QSize& size) {
    if (size.isEmpty()) return {};
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    QImage sampled(size, QImage::Format_RGB32);
    const std::vector<int> columns = sourceIndices(size.width(), source.width());
    const std::vector<int> rows = sourceIndices(size.height(), source.height());
    for (int y = 0; y < size.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(rows[size_t(y)]));
        auto* out = reinterpret_cast<QRgb*>(sampled.scanLine(y));
        for (int x = 0; x < size.width(); ++x) out[x] = in[columns[size_t(x)]];
    }
    return sampled;
}

} // namespace

PictureHolder::PictureHolder(QWidget* parent, Sampling sampling)
    : QLabel(parent), sampling_(sampling) {}

void PictureHolder::setPicture(const QImage& picture) {
    // The same picture again (a logo handed over at every keystroke) changes nothing.
    if (picture.cacheKey() == picture_.cacheKey() && picture.isNull() == picture_.isNull()) return;
    picture_ = picture;
    deviceCopy_ = QImage();
    // Nothing is drawn for a holder that cannot be seen (the generator form's, a hidden page's).
    update();
}

void PictureHolder::paintEvent(QPaintEvent* event) {
    if (picture_.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    if (sampling_ == Sampling::Smooth) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(rect()), picture_);
        return;
    }
    // The device scale of whatever is painted on: the screen's pixel ratio, or a grab's.
    const qreal scale = std::abs(painter.deviceTransform().m11());
    painter.drawImage(QPointF(0, 0), nearestAtDeviceScale(scale));
}

const QImage& PictureHolder::nearestAtDeviceScale(qreal scale) {
    const QSize deviceSize(qRound(width() * scale), qRound(height() * scale));
    if (deviceCopy_.size() != deviceSize || deviceCopy_.devicePixelRatio() != scale) {
        deviceCopy_ = pointSampled(picture_, deviceSize);
        deviceCopy_.setDevicePixelRatio(scale);
    }
    return deviceCopy_;
}
