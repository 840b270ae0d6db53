#pragma once

#include <QString>

class QPagedPaintDevice;

namespace ambitra {

class LabelJob;
class Progress;
class Prompter;
struct LabelSheet;

// Paints the job's labels sheet after sheet onto a printer or a PDF, the first one
// at the start position (1-based) of the first sheet; the device takes the
// sheet's paper. A code the bar-code library refuses is left out of the job and
// takes no place. False when the device cannot be painted on.
bool paintLabels(LabelJob& job, const LabelSheet& sheet, int start, QPagedPaintDevice& device,
                 Progress& progress);

// A whole printing: the job's checks, the painting, then the codes left out
// named to the user. False when nothing was printed.
bool printLabels(LabelJob& job, const LabelSheet& sheet, int start, QPagedPaintDevice& device,
                 Prompter& prompter, Progress& progress);

// The same into a PDF file, written whole or not at all (an existing file stays
// as it was when the printing fails).
bool writeLabelsPdf(LabelJob& job, const LabelSheet& sheet, int start, const QString& path,
                    Prompter& prompter, Progress& progress);

}  // namespace ambitra
