// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Display names of mounted file systems, and a small horizontal progress bar drawn into a new
// image. Nothing in the program needs them yet; they complete the library.

#include <QImage>
#include <QList>
#include <QString>

struct MountedVolume
{
    QString displayName;
    QString rootPath;
};

// The mounted file systems Qt knows (QStorageInfo::mountedVolumes(), invalid entries left out),
// in a fixed order: sorted by mount path, code unit by code unit, so "/" comes first and a
// mount path comes before every path that extends it. File systems mounted twice at one path
// keep Qt's order among themselves. The display name is the volume's label, or its mount path
// when it has none.
QList<MountedVolume> mountedVolumes();
// The order of mountedVolumes() applied to any list.
QList<MountedVolume> inMountPathOrder(QList<MountedVolume> volumes);

// The display name of the first volume, in the order of mountedVolumes() (or of the given
// list), whose mount path begins with path: a plain text prefix test in this direction only, so
// "/" names the first volume and a folder inside a volume that is not itself a mount path gives
// a null QString. A null or empty path matches nothing.
QString volumeNameForPath(const QString &path);
QString volumeNameForPath(const QString &path, const QList<MountedVolume> &volumes);

// A new width x height image (one point per pixel, fractional sizes rounded up) showing a
// progress bar: light grey, framed by its outermost ring of pixels in black, and the bar in the
// palette's highlight colour from the left over percent / 100 of the width, one pixel in from
// the frame on every side. The percentage is not clamped: above 100 the bar runs to the right
// edge and covers the frame there; a bar of two pixels or less (percent <= 2 * 100 / width,
// including negative values) is empty. Pixels are filled when their centres lie in the bar.
// A size that is not positive, or larger than 32767 on a side, gives a null image (logged).
QImage progressImageWithPercent(int percent, float width, float height);
