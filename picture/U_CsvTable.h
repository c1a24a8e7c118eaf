#pragma once

// The tables built into the program (photo norms, check thresholds) are CSV text: a first
// line naming the columns, then one row a line; double quotes protect commas inside a field,
// and two of them inside quotes stand for one.

#include <QStringList>

#include <vector>

// The rows after the first line that have exactly columns fields; others are skipped.
std::vector<QStringList> CsvRows(const char* text, qsizetype columns);
