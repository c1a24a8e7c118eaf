#pragma once

#include "SpkCompile.h"

#include <QString>

// Writes a draft as a revision-4 language pack, its texts encoded in the character set
// the draft names. A text that code page cannot hold is an error, never a "?".
bool SavePack(const PackDraft& draft, const QString& fileName, QString& error);

// Reads a revision-4 pack (such as the base file) back into a draft.
bool LoadPack(const QString& fileName, PackDraft& draft, QString& error);
