// SPDX-License-Identifier: GPL-3.0-or-later
#include "volumes.h"

#include "log.h"

#include <QColor>
#include <QPainter>
#include <QPalette>
#include <QStorageInfo>

#include <algorithm>
#include <cmath>

QList<MountedVolume> mountedVolumes()
{
    QList<MountedVolume> volumes;
    const QList<QStorageInfo> storages = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &storage : storages) {
        if (storage.isValid())
            volumes.append({storage.displayName(), storage.rootPath()});
    }
    return inMountPathOrder(std::move(volumes));
}

QList<MountedVolume> inMountPathOrder(QList<MountedVolume> volumes)
{
    std::stable_sort(
        volumes.begin(), volumes.end(),
        [](const MountedVolume &a, const MountedVolume &b) { return a.rootPath < b.rootPath; });
    return volumes;
}

QString volumeNameForPath(const QString &path)
{
    return volumeNameForPath(path, mountedVolumes());
}

QString volumeNameForPath(const QString &path, const QList<MountedVolume> &volumes)
{
    QZLog("inPath: %@", path);
    // QString::startsWith finds the empty text at the start of everything; here it names no
    // volume.
    if (path.isEmpty()) {
        QZLog("No path given, so no volume matches.");
        return {};
    }
    for (const MountedVolume &volume : volumes) {
        QZLog("found path: %@", volume.rootPath);
        if (volume.rootPath.startsWith(path)) {
            QZLog("path matches!");
            QZLog("volumeName: %@", volume.displayName);
            return volume.displayName;
        }
    }
    QZLog("No mounted volume has a mount path beginning with %@", path);
    return {};
}

// The pixels [first, end) along one axis whose centres lie in [from, to).
static std::pair<int, int> pixelSpan(double from, double to, int limit)
{
    const auto clampToImage = [limit](double x) {
        return int(std::clamp(std::ceil(x - 0.5), 0.0, double(limit)));
    };
    return {clampToImage(from), clampToImage(to)};
}

QImage progressImageWithPercent(int percent, float width, float height)
{
    constexpr float largestSide = 32767.0f;
    // Written so that NaN fails too.
    if (!(width > 0.0f && height > 0.0f && width <= largestSide && height <= largestSide)) {
        QZLog("Cannot draw a progress image of size %f x %f.", double(width), double(height));
        return {};
    }
    QImage image(int(std::ceil(width)), int(std::ceil(height)),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        QZLog("No memory for a progress image of size %f x %f.", double(width), double(height));
        return {};
    }
    const int w = image.width();
    const int h = image.height();

    const float barLength = float(percent) * width / 100.0f;
    // The bar is (0, 0, barLength, height) inset by 1 on every side. It is described with the
    // origin at the bottom left; mirrored into QImage's rows, which count from the top, it spans
    // height - 1 down to 1, the same rows, so only x needs care.
    const auto [left, right] = pixelSpan(1.0, double(barLength) - 1.0, w);
    const auto [top, bottom] = pixelSpan(1.0, double(height) - 1.0, h);

    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(Qt::lightGray));
    // A 1-point outline centred on the image's edge: its outer half falls outside the image, the
    // inner half is the outermost ring of pixels, drawn whole so the frame is black rather than
    // a blended half-tone.
    const QColor black(Qt::black);
    painter.fillRect(0, 0, w, 1, black);
    painter.fillRect(0, h - 1, w, 1, black);
    painter.fillRect(0, 0, 1, h, black);
    painter.fillRect(w - 1, 0, 1, h, black);
    if (right > left && bottom > top)
        painter.fillRect(left, top, right - left, bottom - top,
                         QPalette().color(QPalette::Active, QPalette::Highlight));
    painter.end();
    return image;
}
