#pragma once

// Applying a frame: what the framing window's OK and the command line's --frame both do.

#include "picture/U_Backdrop.h"
#include "picture/U_Level.h"

#include "platform/U_SafeWrite.h"

#include <QImage>
#include <QString>

#include <optional>

class QTextStream;

// The background chosen last in the framing window, under this settings key; white at first,
// as most norms ask.
inline const QString kBackdropSetting = QStringLiteral("FrameBackground");
inline constexpr Backdrop kDefaultBackdrop = Backdrop::White;

// The framed picture from the picture as shown: the background replaced by the backdrop's
// colour on the frame's area and a margin (when a colour is chosen and the person is known),
// then the turned crop cut at the frame's own scale.
QImage FramedPicture(QImage picture, const TurnedFrame& frame, Backdrop backdrop,
                     const std::optional<PersonSeeds>& person, const Progress& progress = {});

// Where the background is replaced: the turned frame's bounds and a margin, in the picture.
QRect BackdropArea(const TurnedFrame& frame, const QSize& picture);

// The main window's log line: "Framing : X, Y, W x H, A°".
QString FramingLogLine(const TurnedFrame& frame);

// Encodes the framed picture as JPEG and writes it with the safe writer; throws AppError.
void WriteFramed(const QImage& framed, const QString& path,
                 TSafeFile::Links links = TSafeFile::Links::Follow);

// The person's seeds from a face's landmarks and the crown as the user left it.
PersonSeeds SeedsOf(const std::array<QPointF, 68>& landmarks, const QPointF& crown);

// --frame: finds the face, proposes the level frame for the format (catalogue index), applies
// it with the backdrop and writes output; one "key: value" a line to out. The statuses are
// those of --check, and kCheckUnreadable when output cannot be written.
int RunFrame(const QString& picture, int formatIndex, Backdrop backdrop, const QString& output,
             const QString& predictorFile, QTextStream& out);
