#pragma once

// Whole-file helpers for test fixtures: a missing or unreadable file reads as empty.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// False when the file could not be written whole.
bool WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);
// The system's text for an errno, as the program's messages show it.
QString ErrorText(int error);
// The files in folder, hidden ones too, as a writer's leftovers would show.
QStringList FilesIn(const QString& folder);

// The body rows of the table in tests/data/<name>, a Markdown table ("| a | b |", a header
// row and a "---" row before the body), each cell trimmed; empty when the file is missing.
std::vector<QStringList> DataTable(const QString& name);
