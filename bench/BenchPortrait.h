#pragma once

// The portrait the face benchmarks measure on, and the face model they load first.

#include <QImage>
#include <QString>

class FaceModel;

// A portrait of size (4000 x 6000 by default): the test photograph enlarged onto a wall,
// with the fine grain of a camera sensor (from seed) so that its JPEG has a photo's size and
// detail.
QImage BenchPortrait(unsigned seed, QSize size = QSize(4000, 6000));

// Writes picture as a JPEG to file; false, with a message on standard error, when it cannot.
bool SaveBenchPicture(const QImage& picture, const QString& file);

// Starts loading model and waits for it; false, with its status on standard error, when it
// fails.
bool LoadBenchModel(FaceModel& model);
