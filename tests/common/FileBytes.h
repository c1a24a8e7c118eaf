#pragma once

// Whole-file helpers for test fixtures: a missing or unreadable file reads as empty.

#include <QByteArray>
#include <QString>

void WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);
