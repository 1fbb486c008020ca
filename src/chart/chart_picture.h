#pragma once
// Pictures of a chart: PNG at the chart's size on screen or twice it, SVG and PDF, drawn by
// QCustomPlot's own export (and Qt SVG's generator) from exactly what the chart shows. A picture is
// written to a temporary file first and only then put in the place of the file chosen, so a failed
// export leaves an older file of that name as it was.
#include <QString>

class QCustomPlot;

enum class PictureType { Png, Png2x, Svg, Pdf };

// The save dialog's file types, in the order of PictureType.
QString pictureFileFilter();
// The type to write for the dialog's answer: the file name's extension when it is one of ours (for
// ".png" the chosen type says which size), otherwise the chosen type. `fileName` gets that type's
// extension when it has none of ours.
PictureType pictureTypeOf(int filterIndex, QString& fileName);

// Writes the picture of `plot` at its current size. Returns false with the reason in `error`.
bool saveChartPicture(QCustomPlot& plot, const QString& fileName, PictureType type, QString* error = nullptr);
